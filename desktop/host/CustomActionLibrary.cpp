#include "CustomActionLibrary.h"

#include <dlfcn.h>

namespace desksetup::host {

std::unique_ptr<CustomActionLibrary> CustomActionLibrary::load(const std::filesystem::path& path,
                                                               std::string& message) {
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* error = ::dlerror();
    message = error != nullptr ? error : "cannot load " + path.string();
    return nullptr;
  }
  return std::unique_ptr<CustomActionLibrary>(new CustomActionLibrary(handle));
}

CustomActionLibrary::~CustomActionLibrary() { ::dlclose(handle_); }

CustomAction CustomActionLibrary::entryPoint(const std::string& name) const {
  return reinterpret_cast<CustomAction>(::dlsym(handle_, name.c_str()));
}

}  // namespace desksetup::host
