#include "MsiDatabase.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace standin {

namespace {

struct ErrorOwner {
  GError* error = nullptr;
  ~ErrorOwner() {
    if (error != nullptr) {
      g_error_free(error);
    }
  }
  std::string message() const { return error != nullptr && error->message != nullptr ? error->message : ""; }
};

// libmsi tells nothing when it cannot open a file: say whether the file is
// missing or unreadable, or there but no installer package.
std::string whyNotAPackage(const std::filesystem::path& package) {
  std::error_code error;
  const auto status = std::filesystem::status(package, error);
  if (error) {
    return error.message();
  }
  if (std::filesystem::is_directory(status)) {
    return "it is a directory";
  }
  if (::access(package.c_str(), R_OK) != 0) {
    return std::strerror(errno);
  }
  return "not an installer package (no compound file with installer tables)";
}

GObjectRef<LibmsiRecord> toLibmsiRecord(const Record& record) {
  auto converted = GObjectRef<LibmsiRecord>::adopt(libmsi_record_new(record.fieldCount()));
  for (unsigned index = 1; index <= record.fieldCount(); ++index) {
    const RecordField& field = record.field(index);
    if (field.kind == RecordField::Kind::Integer) {
      libmsi_record_set_int(converted.get(), index, field.integer);
    } else if (field.kind == RecordField::Kind::String) {
      libmsi_record_set_string(converted.get(), index, field.text.c_str());
    }
  }
  return converted;
}

}  // namespace

UINT win32ErrorFromLibmsi(const GError* error) {
  if (error == nullptr || error->domain != LIBMSI_RESULT_ERROR) {
    return ERROR_FUNCTION_FAILED;
  }
  switch (static_cast<LibmsiResultError>(error->code)) {
    case LIBMSI_RESULT_SUCCESS:
      return ERROR_SUCCESS;
    case LIBMSI_RESULT_ACCESS_DENIED:
      return ERROR_ACCESS_DENIED;
    case LIBMSI_RESULT_INVALID_HANDLE:
      return ERROR_INVALID_HANDLE;
    case LIBMSI_RESULT_NOT_ENOUGH_MEMORY:
      return ERROR_NOT_ENOUGH_MEMORY;
    case LIBMSI_RESULT_INVALID_DATA:
      return ERROR_INVALID_DATA;
    case LIBMSI_RESULT_OUTOFMEMORY:
      return ERROR_OUTOFMEMORY;
    case LIBMSI_RESULT_INVALID_PARAMETER:
      return ERROR_INVALID_PARAMETER;
    case LIBMSI_RESULT_OPEN_FAILED:
      return ERROR_OPEN_FAILED;
    case LIBMSI_RESULT_CALL_NOT_IMPLEMENTED:
      return ERROR_CALL_NOT_IMPLEMENTED;
    case LIBMSI_RESULT_MORE_DATA:
      return ERROR_MORE_DATA;
    case LIBMSI_RESULT_NOT_FOUND:
      return ERROR_NOT_FOUND;
    case LIBMSI_RESULT_CONTINUE:
      return ERROR_CONTINUE;
    case LIBMSI_RESULT_UNKNOWN_PROPERTY:
      return ERROR_UNKNOWN_PROPERTY;
    case LIBMSI_RESULT_BAD_QUERY_SYNTAX:
      return ERROR_BAD_QUERY_SYNTAX;
    case LIBMSI_RESULT_INVALID_FIELD:
      return ERROR_INVALID_FIELD;
    case LIBMSI_RESULT_FUNCTION_FAILED:
      return ERROR_FUNCTION_FAILED;
    case LIBMSI_RESULT_INVALID_TABLE:
      return ERROR_INVALID_TABLE;
    case LIBMSI_RESULT_DATATYPE_MISMATCH:
      return ERROR_DATATYPE_MISMATCH;
    case LIBMSI_RESULT_INVALID_DATATYPE:
      return ERROR_INVALID_DATATYPE;
  }
  return ERROR_FUNCTION_FAILED;
}

std::shared_ptr<Database> Database::open(const std::filesystem::path& package, std::string& message) {
  ErrorOwner failure;
  LibmsiDatabase* opened = libmsi_database_new(package.c_str(), LIBMSI_DB_FLAGS_READONLY, nullptr, &failure.error);
  if (opened == nullptr) {
    message = failure.message().empty() ? whyNotAPackage(package) : failure.message();
    return nullptr;
  }
  auto database = std::make_shared<Database>();
  database->database_ = GObjectRef<LibmsiDatabase>::adopt(opened);
  return database;
}

std::optional<std::vector<std::vector<std::string>>> Database::rowsOf(const std::string& table) const {
  ErrorOwner failure;
  auto query = GObjectRef<LibmsiQuery>::adopt(
      libmsi_query_new(database_.get(), ("SELECT * FROM `" + table + "`").c_str(), &failure.error));
  if (!query || !libmsi_query_execute(query.get(), nullptr, &failure.error)) {
    return std::nullopt;
  }
  std::vector<std::vector<std::string>> rows;
  for (;;) {
    auto row = GObjectRef<LibmsiRecord>::adopt(libmsi_query_fetch(query.get(), &failure.error));
    if (!row) {
      break;
    }
    std::vector<std::string> texts;
    const guint count = libmsi_record_get_field_count(row.get());
    for (guint field = 1; field <= count; ++field) {
      if (libmsi_record_is_null(row.get(), field)) {
        texts.emplace_back();
        continue;
      }
      gchar* text = libmsi_record_get_string(row.get(), field);
      texts.emplace_back(text != nullptr ? text : "");
      g_free(text);
    }
    rows.push_back(std::move(texts));
  }
  return rows;
}

UINT View::open(std::shared_ptr<Database> database, const std::string& query, std::shared_ptr<View>& view,
                std::string& message) {
  ErrorOwner failure;
  LibmsiQuery* opened = libmsi_query_new(database->handle(), query.c_str(), &failure.error);
  if (opened == nullptr) {
    message = failure.message();
    return failure.error != nullptr ? win32ErrorFromLibmsi(failure.error) : ERROR_BAD_QUERY_SYNTAX;
  }
  view = std::make_shared<View>();
  view->database_ = std::move(database);
  view->query_ = GObjectRef<LibmsiQuery>::adopt(opened);
  return ERROR_SUCCESS;
}

UINT View::execute(const Record* parameters, std::string& message) {
  ErrorOwner failure;
  GObjectRef<LibmsiRecord> converted;
  if (parameters != nullptr) {
    converted = toLibmsiRecord(*parameters);
  }
  if (!libmsi_query_execute(query_.get(), converted.get(), &failure.error)) {
    message = failure.message();
    return win32ErrorFromLibmsi(failure.error);
  }
  if (columnKinds_.empty()) {
    auto types = GObjectRef<LibmsiRecord>::adopt(
        libmsi_query_get_column_info(query_.get(), LIBMSI_COL_INFO_TYPES, nullptr));
    const guint count = types ? libmsi_record_get_field_count(types.get()) : 0;
    for (guint column = 1; column <= count; ++column) {
      gchar* type = libmsi_record_get_string(types.get(), column);
      const char kind = type != nullptr && type[0] != '\0' ? static_cast<char>(std::tolower(type[0])) : 's';
      columnKinds_.push_back(kind == 'l' ? 's' : kind);
      g_free(type);
    }
  }
  executed_ = true;
  return ERROR_SUCCESS;
}

UINT View::fetch(std::shared_ptr<Record>& row) {
  if (!executed_) {
    return ERROR_FUNCTION_FAILED;
  }
  ErrorOwner failure;
  auto fetched = GObjectRef<LibmsiRecord>::adopt(libmsi_query_fetch(query_.get(), &failure.error));
  if (!fetched) {
    return failure.error != nullptr ? win32ErrorFromLibmsi(failure.error) : ERROR_NO_MORE_ITEMS;
  }
  const guint count = libmsi_record_get_field_count(fetched.get());
  row = std::make_shared<Record>(count);
  for (guint index = 1; index <= count; ++index) {
    const char kind = index <= columnKinds_.size() ? columnKinds_[index - 1] : 's';
    RecordField& field = row->field(index);
    if (kind == 'v') {
      field.kind = RecordField::Kind::Stream;
      field.stream = std::make_shared<StreamField>(fetched, index);
    } else if (libmsi_record_is_null(fetched.get(), index)) {
      field.kind = RecordField::Kind::Null;
    } else if (kind == 'i') {
      field.kind = RecordField::Kind::Integer;
      field.integer = libmsi_record_get_int(fetched.get(), index);
    } else {
      gchar* text = libmsi_record_get_string(fetched.get(), index);
      field.kind = RecordField::Kind::String;
      field.text = text != nullptr ? text : "";
      g_free(text);
    }
  }
  return ERROR_SUCCESS;
}

}  // namespace standin
