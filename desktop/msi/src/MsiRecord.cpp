#include "MsiRecord.h"

#include <algorithm>
#include <cstring>

namespace standin {

bool StreamField::open() {
  if (!stream_) {
    stream_ = GObjectRef<GInputStream>::adopt(libmsi_record_get_stream(source_.get(), field_));
  }
  return static_cast<bool>(stream_);
}

namespace {

constexpr std::size_t kReadAheadSize = 256 * 1024;

}  // namespace

bool StreamField::refill() {
  if (!readAheadBlock_) {
    readAheadBlock_ = std::make_unique_for_overwrite<char[]>(kReadAheadSize);
  }
  readAheadPosition_ = 0;
  gsize done = 0;
  GError* error = nullptr;
  const gboolean ok = g_input_stream_read_all(stream_.get(), readAheadBlock_.get(), kReadAheadSize, &done, nullptr, &error);
  readAheadSize_ = done;
  if (error != nullptr) {
    g_error_free(error);
  }
  failed_ = ok == FALSE;
  return !failed_;
}

bool StreamField::read(char* buffer, std::size_t capacity, std::size_t& bytesRead) {
  bytesRead = 0;
  if (!open()) {
    return false;
  }
  while (bytesRead < capacity) {
    if (readAheadPosition_ == readAheadSize_) {
      if (failed_ || !refill()) {
        return false;
      }
      if (readAheadSize_ == 0) {
        break;  // the end of the stream
      }
    }
    const std::size_t count = std::min(capacity - bytesRead, readAheadSize_ - readAheadPosition_);
    std::memcpy(buffer + bytesRead, readAheadBlock_.get() + readAheadPosition_, count);
    readAheadPosition_ += count;
    bytesRead += count;
  }
  return true;
}

std::size_t StreamField::remaining() {
  if (!open() || !G_IS_SEEKABLE(stream_.get())) {
    return 0;
  }
  GSeekable* seekable = G_SEEKABLE(stream_.get());
  const goffset position = g_seekable_tell(seekable);
  if (!g_seekable_seek(seekable, 0, G_SEEK_END, nullptr, nullptr)) {
    return 0;
  }
  const goffset end = g_seekable_tell(seekable);
  g_seekable_seek(seekable, position, G_SEEK_SET, nullptr, nullptr);
  const std::size_t buffered = readAheadSize_ - readAheadPosition_;
  return (end > position ? static_cast<std::size_t>(end - position) : 0) + buffered;
}

const RecordField& Record::field(unsigned index) const {
  static const RecordField nullField;
  return index < fields_.size() ? fields_[index] : nullField;
}

bool Record::isNull(unsigned index) const {
  const RecordField& value = field(index);
  return value.kind == RecordField::Kind::Null ||
         (value.kind == RecordField::Kind::String && value.text.empty());
}

std::string Record::text(unsigned index) const {
  const RecordField& value = field(index);
  switch (value.kind) {
    case RecordField::Kind::Integer:
      return std::to_string(value.integer);
    case RecordField::Kind::String:
      return value.text;
    default:
      return {};
  }
}

void Record::setString(unsigned index, std::string utf8) {
  RecordField& value = fields_.at(index);
  value = RecordField{};
  if (!utf8.empty()) {
    value.kind = RecordField::Kind::String;
    value.text = std::move(utf8);
  }
}

void Record::setInteger(unsigned index, int value) {
  RecordField& target = fields_.at(index);
  target = RecordField{};
  if (value != MSI_NULL_INTEGER) {
    target.kind = RecordField::Kind::Integer;
    target.integer = value;
  }
}

}  // namespace standin
