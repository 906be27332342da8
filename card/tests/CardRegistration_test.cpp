#include "card/tests/TemporaryDirectory.h"

#include "card/CardError.h"
#include "card/CardRegistration.h"
#include "card/RegistryFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace p42r::card {
namespace {

using ::testing::HasSubstr;
using testing::readFile;
using testing::TemporaryDirectory;
using testing::writeFile;

const std::string kActive = "HKEY_LOCAL_MACHINE\\Drivers\\Active";

const std::string kExisting =
    "REGEDIT4\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Drivers\\Active]\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Drivers\\Active\\01]\r\n"
    "\"Name\"=\"COM1:\"\r\n"
    "\"Key\"=\"Drivers\\\\BuiltIn\\\\Serial\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Vendor]\r\n"
    "\"Setting\"=dword:00000001\r\n\r\n";

CardErrorKind failureKind(const std::function<void()>& action) {
  try {
    action();
  } catch (const CardError& error) {
    return error.kind();
  }
  ADD_FAILURE() << "no failure";
  return CardErrorKind::Unsupported;
}

TEST(CardRegistration, FreshDeviceRootGetsTheParentKeyAndTheEntry) {
  TemporaryDirectory root;
  const PortEntry entry = registerPort(root.path(), CardPort::AtCommands, "/dev/pts/9", std::nullopt);
  EXPECT_EQ(entry.keyPath, kActive + "\\01");
  EXPECT_EQ(entry.comName, "COM1:");
  EXPECT_EQ(readFile(registryPath(root.path())),
            "REGEDIT4\n\n"
            "[HKEY_LOCAL_MACHINE\\Drivers\\Active]\n\n"
            "[HKEY_LOCAL_MACHINE\\Drivers\\Active\\01]\n"
            "\"PnpId\"=\"Halvorn-P42R-0001\"\n"
            "\"Key\"=\"Drivers\\\\PCMCIA\\\\Halvorn-P42R2\"\n"
            "\"Name\"=\"COM1:\"\n"
            "\"HostDevice\"=\"/dev/pts/9\"\n\n");
  // Written atomically: no temporary file is left beside it.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root.path()), {}), 1);
}

TEST(CardRegistration, ExistingRegistryKeepsEverythingAndGetsFreeNames) {
  TemporaryDirectory root;
  writeFile(registryPath(root.path()), kExisting);
  ::chmod(registryPath(root.path()).c_str(), 0600);
  const PortEntry at = registerPort(root.path(), CardPort::AtCommands, "/dev/pts/3", std::nullopt);
  const PortEntry other = registerPort(root.path(), CardPort::Other, "/dev/pts/4", std::nullopt);
  EXPECT_EQ(at.keyPath, kActive + "\\02");
  EXPECT_EQ(at.comName, "COM2:");
  EXPECT_EQ(other.keyPath, kActive + "\\03");
  EXPECT_EQ(other.comName, "COM3:");

  const RegistryDocument document = readRegistryFile(registryPath(root.path()));
  EXPECT_EQ(document.stringValue(at.keyPath, "Key"), "Drivers\\PCMCIA\\Halvorn-P42R2");
  EXPECT_EQ(document.stringValue(other.keyPath, "Key"), "Drivers\\PCMCIA\\Halvorn-P42R1");
  EXPECT_EQ(document.stringValue(other.keyPath, "HostDevice"), "/dev/pts/4");
  struct stat status {};
  ASSERT_EQ(::stat(registryPath(root.path()).c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);

  EXPECT_TRUE(unregisterPort(root.path(), other));
  EXPECT_TRUE(unregisterPort(root.path(), at));
  EXPECT_EQ(readFile(registryPath(root.path())), kExisting);
}

TEST(CardRegistration, RequestedComNameMustBeFree) {
  TemporaryDirectory root;
  writeFile(registryPath(root.path()), kExisting);
  EXPECT_EQ(registerPort(root.path(), CardPort::AtCommands, "/dev/pts/3", 4).comName, "COM4:");
  try {
    registerPort(root.path(), CardPort::AtCommands, "/dev/pts/5", 1);
    ADD_FAILURE() << "COM1: registered twice";
  } catch (const CardError& error) {
    EXPECT_THAT(error.what(), HasSubstr("COM1: is already registered by HKEY_LOCAL_MACHINE\\Drivers\\Active\\01"));
  }
}

TEST(CardRegistration, RemovesOnlyItsOwnEntry) {
  TemporaryDirectory root;
  const PortEntry entry = registerPort(root.path(), CardPort::AtCommands, "/dev/pts/3", std::nullopt);
  PortEntry stranger = entry;
  stranger.hostDevice = "/dev/pts/8";
  const std::string before = readFile(registryPath(root.path()));
  EXPECT_FALSE(unregisterPort(root.path(), stranger));
  EXPECT_EQ(readFile(registryPath(root.path())), before);
  EXPECT_TRUE(unregisterPort(root.path(), entry));
  EXPECT_FALSE(unregisterPort(root.path(), entry));
}

TEST(CardRegistration, RefusesMissingRootsAndForeignFiles) {
  TemporaryDirectory root;
  EXPECT_EQ(failureKind([&] { registerPort(root.path() / "missing", CardPort::AtCommands, "/dev/pts/1", {}); }),
            CardErrorKind::InvalidInput);
  writeFile(registryPath(root.path()), "Windows Registry Editor Version 5.00\r\n");
  EXPECT_EQ(failureKind([&] { registerPort(root.path(), CardPort::AtCommands, "/dev/pts/1", {}); }),
            CardErrorKind::InvalidInput);
  EXPECT_EQ(readFile(registryPath(root.path())), "Windows Registry Editor Version 5.00\r\n");
  EXPECT_EQ(failureKind([&] { registerPort(root.path(), CardPort::AtCommands, "/dev/pts/1", 12); }),
            CardErrorKind::InvalidInput);
  // A link where the registry belongs is not read through.
  std::filesystem::remove(registryPath(root.path()));
  std::filesystem::create_symlink("/etc/hostname", registryPath(root.path()));
  EXPECT_EQ(failureKind([&] { readRegistryFile(registryPath(root.path())); }), CardErrorKind::SystemFailure);
}

TEST(CardRegistration, UnwritableRootIsASystemFailure) {
  // /proc is a directory nobody can create files in, root included.
  try {
    registerPort("/proc", CardPort::AtCommands, "/dev/pts/1", {});
    ADD_FAILURE() << "registered in /proc";
  } catch (const CardError& error) {
    EXPECT_EQ(error.kind(), CardErrorKind::SystemFailure);
    EXPECT_NE(error.systemCode(), 0);
    EXPECT_THAT(error.what(), HasSubstr("/proc/registry.reg"));
  }
}

TEST(CardRegistration, AHeldRegistryLockEndsTheWaitWithAClearError) {
  TemporaryDirectory root;
  const int holder = ::open(root.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0) << "anyone who may read the root may take its lock";
  try {
    RegistryLock lock(registryPath(root.path()), std::chrono::milliseconds(0));
    ADD_FAILURE() << "locked beside the holder";
  } catch (const CardError& error) {
    EXPECT_EQ(error.systemCode(), EWOULDBLOCK);
    EXPECT_THAT(error.what(), HasSubstr("locked by another program"));
  }
  ::close(holder);
  RegistryLock free(registryPath(root.path()), std::chrono::milliseconds(0));
}

TEST(CardRegistration, OwnerRemovesItsEntriesWhenDestroyed) {
  TemporaryDirectory root;
  {
    CardRegistration registration(root.path());
    registration.add(CardPort::AtCommands, "/dev/pts/3", std::nullopt);
    registration.add(CardPort::Other, "/dev/pts/4", std::nullopt);
    EXPECT_EQ(readRegistryFile(registryPath(root.path())).subKeys(kActive).size(), 2u);
  }
  const RegistryDocument after = readRegistryFile(registryPath(root.path()));
  EXPECT_TRUE(after.hasKey(kActive));
  EXPECT_TRUE(after.subKeys(kActive).empty());
}

}  // namespace
}  // namespace p42r::card
