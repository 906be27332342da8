// A package opened read-only through libmsi, and the views (queries) on it
// with libmsi's results turned into the installer's Win32 error codes.
#pragma once

#include "GObjectRef.h"
#include "MsiHandles.h"
#include "MsiRecord.h"

#include <filesystem>
#include <libmsi.h>
#include <optional>
#include <string>
#include <vector>

namespace standin {

// The Win32 error code for a libmsi failure (a GError of libmsi's result
// domain, anything else counts as a failed function).
UINT win32ErrorFromLibmsi(const GError* error);

class Database : public MsiObject {
public:
  // nullptr with a message when the package cannot be opened.
  static std::shared_ptr<Database> open(const std::filesystem::path& package, std::string& message);

  LibmsiDatabase* handle() const { return database_.get(); }

  // Every row of a table as texts, or nullopt when the table is missing.
  std::optional<std::vector<std::vector<std::string>>> rowsOf(const std::string& table) const;

private:
  GObjectRef<LibmsiDatabase> database_;
};

class View : public MsiObject {
public:
  // ERROR_SUCCESS and the view, or the error code (with message) of the query.
  static UINT open(std::shared_ptr<Database> database, const std::string& query, std::shared_ptr<View>& view,
                   std::string& message);

  UINT execute(const Record* parameters, std::string& message);
  // ERROR_NO_MORE_ITEMS after the last row; ERROR_FUNCTION_FAILED before execute.
  UINT fetch(std::shared_ptr<Record>& row);
  void close() { executed_ = false; }

private:
  std::shared_ptr<Database> database_;
  GObjectRef<LibmsiQuery> query_;
  std::vector<char> columnKinds_;  // 's' string, 'i' integer, 'v' stream, per column
  bool executed_ = false;
};

}  // namespace standin
