// Reading and writing the emulated handheld's registry file on disk. Writes
// are atomic (a temporary file in the same directory, then rename), so the
// handheld never reads half a file; a lock on the directory serialises the
// read-change-write of several cards sharing one device root.
#pragma once

#include "card/RegistryDocument.h"

#include <chrono>
#include <filesystem>

namespace p42r::card {

// A missing file reads as an empty registry. Throws CardError: system
// failure when the file cannot be read, invalid input for a file that is not
// a REGEDIT4 registry.
RegistryDocument readRegistryFile(const std::filesystem::path& path);

// Throws CardError (system failure) naming the call and the file.
void writeRegistryFile(const std::filesystem::path& path, const RegistryDocument& document);

// Holds an exclusive lock on the registry's directory for its lifetime.
// Anyone who may read the directory may lock it too, so the wait for it is
// bounded: after `patience` the lock throws CardError (system failure,
// EWOULDBLOCK) saying another program holds it.
class RegistryLock {
public:
  static constexpr std::chrono::milliseconds kPatience{5000};
  explicit RegistryLock(const std::filesystem::path& registryPath, std::chrono::milliseconds patience = kPatience);
  ~RegistryLock();
  RegistryLock(const RegistryLock&) = delete;
  RegistryLock& operator=(const RegistryLock&) = delete;

private:
  int fd_ = -1;
};

}  // namespace p42r::card
