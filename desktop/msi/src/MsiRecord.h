// An installer record: fields 0..n that are null, integers, strings (kept
// as UTF-8) or streams (read sequentially from the package).
#pragma once

#include "GObjectRef.h"
#include "MsiHandles.h"

#include <gio/gio.h>
#include <libmsi.h>
#include <memory>
#include <string>
#include <vector>

namespace standin {

// A stream column of a fetched row, read sequentially. Reads from the
// package go through a read-ahead buffer, so that a caller's small reads do
// not each reach the package file.
class StreamField {
public:
  explicit StreamField(GObjectRef<LibmsiRecord> source, unsigned field) : source_(std::move(source)), field_(field) {}
  // Reads up to capacity bytes from the current position; false on a read error.
  bool read(char* buffer, std::size_t capacity, std::size_t& bytesRead);
  // Bytes left from the current position.
  std::size_t remaining();

private:
  bool open();
  bool refill();

  GObjectRef<LibmsiRecord> source_;
  unsigned field_;
  GObjectRef<GInputStream> stream_;
  // Left uninitialised: filling it first would cost as much as the copy.
  std::unique_ptr<char[]> readAheadBlock_;
  std::size_t readAheadSize_ = 0;
  std::size_t readAheadPosition_ = 0;
  bool failed_ = false;
};

struct RecordField {
  enum class Kind { Null, Integer, String, Stream };
  Kind kind = Kind::Null;
  int integer = 0;
  std::string text;
  std::shared_ptr<StreamField> stream;
};

class Record : public MsiObject {
public:
  explicit Record(unsigned fieldCount) : fields_(fieldCount + 1) {}

  unsigned fieldCount() const { return static_cast<unsigned>(fields_.size() - 1); }
  bool has(unsigned field) const { return field < fields_.size(); }
  // Fields past the end read as null.
  const RecordField& field(unsigned index) const;
  RecordField& field(unsigned index) { return fields_.at(index); }
  bool isNull(unsigned index) const;
  // The field as text: strings as they are, integers in decimal, null empty.
  std::string text(unsigned index) const;

  void setString(unsigned index, std::string utf8);
  void setInteger(unsigned index, int value);

private:
  std::vector<RecordField> fields_;
};

}  // namespace standin
