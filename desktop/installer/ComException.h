// `com_exception`: a failed installer or system call, carried as an HRESULT
// together with the description that was published as the thread's COM
// error information (or the text of the system error).
#pragma once

#include "Win32Api.h"

#include <exception>
#include <string>

namespace desksetup {

class com_exception : public std::exception {
public:
  com_exception(HRESULT result, std::string description)
      : result_(result), description_(std::move(description)) {}

  HRESULT result() const noexcept { return result_; }
  const std::string& description() const noexcept { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

private:
  HRESULT result_;
  std::string description_;
};

}  // namespace desksetup
