// One run of the stand-in: the record it keeps and where it goes.
#include "ManagerRun.h"

#include <gmock/gmock.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <unistd.h>

using testing::ElementsAre;

namespace {

appmgr::FileReader filesOf(std::map<std::string, std::string> files) {
  return [files = std::move(files)](const std::string& path) -> std::optional<std::string> {
    const auto found = files.find(path);
    return found == files.end() ? std::nullopt : std::optional<std::string>(found->second);
  };
}

TEST(ManagerRun, RecordsTheCommandLineThenEachIniInTheOrderGiven) {
  const auto read = filesOf({{"C:\\b.ini", "[DeviceInstall]\nName = B\nCabs = b.cab\n"},
                             {"C:\\b.cab", "MSCF"},
                             {"C:\\a.ini", "[DeviceInstall]\nName = A\nCabs = a.cab\n"},
                             {"C:\\a.cab", "MSCF!"}});
  const auto run = appmgr::runManager("\"C:\\m.exe\" \"C:\\b.ini\" \"C:\\a.ini\"", {"C:\\b.ini", "C:\\a.ini"}, read);
  EXPECT_TRUE(run.everythingInstallable);
  EXPECT_THAT(run.record, ElementsAre("command line: \"C:\\m.exe\" \"C:\\b.ini\" \"C:\\a.ini\"",
                                      "C:\\b.ini: install \"B\" from b.cab (4 bytes)",
                                      "C:\\a.ini: install \"A\" from a.cab (5 bytes)"));
  EXPECT_EQ(appmgr::exitStatusOf(run, true), 0);
}

TEST(ManagerRun, OneRefusedIniFailsTheRunAndNoIniIsSaidSo) {
  const auto refused = appmgr::runManager("m.exe x.ini", {"x.ini"}, filesOf({}));
  EXPECT_FALSE(refused.everythingInstallable);
  EXPECT_EQ(appmgr::exitStatusOf(refused, true), 1);
  const auto empty = appmgr::runManager("\"m.exe\" ", {}, filesOf({}));
  EXPECT_THAT(empty.record, ElementsAre("command line: \"m.exe\" ", "no applications to install"));
  EXPECT_EQ(appmgr::exitStatusOf(empty, true), 0);
  EXPECT_EQ(appmgr::exitStatusOf(empty, false), 2);
}

TEST(ManagerRun, TheRecordIsPrintedAndAppendedToTheRecordFile) {
  std::string pattern = (std::filesystem::temp_directory_path() / "appmgr-record-XXXXXX").string();
  const int descriptor = ::mkstemp(pattern.data());
  ASSERT_GE(descriptor, 0);
  ::close(descriptor);
  std::ofstream(pattern) << "earlier run\n";

  std::ostringstream out;
  EXPECT_TRUE(appmgr::publishRecord({"command line: m.exe", "no applications to install"}, out, pattern));
  EXPECT_EQ(out.str(), "appmgr: command line: m.exe\nappmgr: no applications to install\n");
  std::ifstream in(pattern);
  std::stringstream contents;
  contents << in.rdbuf();
  EXPECT_EQ(contents.str(), "earlier run\ncommand line: m.exe\nno applications to install\n");
  std::filesystem::remove(pattern);

  EXPECT_FALSE(appmgr::publishRecord({"x"}, out, (std::filesystem::path(pattern) / "no-such-dir" / "r").string()));
}

}  // namespace
