// .ini files as the application manager stand-in reads them.
#include "IniFile.h"

#include <gtest/gtest.h>

namespace {

TEST(IniFile, ReadsSectionsAndKeysWithoutRegardToCase) {
  const auto ini = appmgr::IniFile::parse(
      "; written by the package\r\n[DeviceInstall]\r\nName = P42R Update\r\n\r\n"
      "  Cabs=a.cab, b.cab  \r\nDescription = with = inside\n[Other]\nName = Second\n");
  EXPECT_TRUE(ini.hasSection("deviceinstall"));
  EXPECT_EQ(ini.value("DEVICEINSTALL", "name"), "P42R Update");
  EXPECT_EQ(ini.value("DeviceInstall", "CABS"), "a.cab, b.cab");
  EXPECT_EQ(ini.value("DeviceInstall", "Description"), "with = inside");
  EXPECT_EQ(ini.value("Other", "Name"), "Second");
  EXPECT_FALSE(ini.value("DeviceInstall", "Missing"));
  EXPECT_FALSE(ini.value("Missing", "Name"));
}

TEST(IniFile, IgnoresLinesOutsideSectionsAndWithoutEquals) {
  const auto ini = appmgr::IniFile::parse("orphan = 1\n[S]\njunk line\n[unclosed\nkey=v");
  EXPECT_FALSE(ini.value("", "orphan"));
  EXPECT_EQ(ini.value("S", "key"), "v");
  EXPECT_FALSE(ini.hasSection("unclosed"));
}

}  // namespace
