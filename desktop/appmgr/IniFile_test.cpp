// .ini files as the application manager stand-in reads them.
#include "IniFile.h"

#include <gtest/gtest.h>

namespace {

TEST(IniFile, ReadsSectionsAndKeysWithoutRegardToCase) {
  const auto ini = appmgr::IniFile::parse(
      "; written by the package\r\n[CEAppManager]\r\nVersion = 1.0\r\nComponent = P42R Update\r\n\r\n"
      "[P42R Update]\r\n  CabFiles=a.cab, b.cab  \r\nDescription = with = inside\n");
  EXPECT_TRUE(ini.hasSection("ceappmanager"));
  EXPECT_EQ(ini.value("CEAPPMANAGER", "component"), "P42R Update");
  EXPECT_EQ(ini.value("p42r update", "CabFiles"), "a.cab, b.cab");
  EXPECT_EQ(ini.value("P42R Update", "Description"), "with = inside");
  EXPECT_FALSE(ini.value("P42R Update", "Missing"));
  EXPECT_FALSE(ini.value("Missing", "Version"));
}

TEST(IniFile, IgnoresLinesOutsideSectionsAndWithoutEquals) {
  const auto ini = appmgr::IniFile::parse("orphan = 1\n[S]\njunk line\n[unclosed\nkey=v");
  EXPECT_FALSE(ini.value("", "orphan"));
  EXPECT_EQ(ini.value("S", "key"), "v");
  EXPECT_FALSE(ini.hasSection("unclosed"));
}

}  // namespace
