#include "LastErrorRecord.h"

namespace standin {

namespace {

thread_local std::shared_ptr<Record> lastErrorRecord;

}  // namespace

void setLastErrorRecord(const std::vector<std::string>& fields) {
  auto record = std::make_shared<Record>(static_cast<unsigned>(fields.size()));
  for (unsigned index = 0; index < fields.size(); ++index) {
    record->setString(index + 1, fields[index]);
  }
  lastErrorRecord = std::move(record);
}

void clearLastErrorRecord() { lastErrorRecord.reset(); }

std::shared_ptr<Record> takeLastErrorRecord() { return std::move(lastErrorRecord); }

}  // namespace standin
