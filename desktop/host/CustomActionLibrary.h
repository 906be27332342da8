// A custom-action library loaded the way the installer loads one: opened
// with all its symbols bound, its exports looked up by name.
#pragma once

#include "Win32Msi.h"

#include <filesystem>
#include <memory>
#include <string>

namespace desksetup::host {

using CustomAction = UINT (*)(MSIHANDLE);

class CustomActionLibrary {
public:
  // nullptr with the loader's message when the library cannot be loaded.
  static std::unique_ptr<CustomActionLibrary> load(const std::filesystem::path& path, std::string& message);
  ~CustomActionLibrary();
  CustomActionLibrary(const CustomActionLibrary&) = delete;
  CustomActionLibrary& operator=(const CustomActionLibrary&) = delete;

  // nullptr when the library has no such export.
  CustomAction entryPoint(const std::string& name) const;

private:
  explicit CustomActionLibrary(void* handle) : handle_(handle) {}
  void* handle_;
};

}  // namespace desksetup::host
