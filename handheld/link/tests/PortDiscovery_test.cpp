#include "link/PortDiscovery.h"

#include <gtest/gtest.h>

#include <fstream>

#include "testing/FaultyFileSystem.h"
#include "testing/FaultyRegistry.h"
#include "testing/TempDirectory.h"

namespace p42r::link {
namespace {

struct Discovery : ::testing::Test {
  testing::TempDirectory directory;
  platform::ManualClock clock{platform::WallTime(std::chrono::seconds(1194853481))};
  platform::DiagnosticLog log{clock};
  platform::Registry registry{directory.path() / "registry.reg"};
  std::vector<std::u16string> ports;

  void SetUp() override { ASSERT_TRUE(log.open(directory.path() / "log.txt")); }

  void Write(const std::string& body) {
    std::ofstream(directory.path() / "registry.reg", std::ios::binary)
        << "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Drivers\\Active]\r\n\r\n" << body;
  }
  static std::string Driver(const std::string& number, const std::string& pnpId, const std::string& key,
                            const std::string& name) {
    return "[HKEY_LOCAL_MACHINE\\Drivers\\Active\\" + number + "]\r\n\"PnpId\"=\"" + pnpId + "\"\r\n\"Key\"=\"" +
           key + "\"\r\n\"Name\"=\"" + name + "\"\r\n\r\n";
  }
  std::string LogLines() {
    log.close();
    std::ifstream file(directory.path() / "log.txt", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    // Drop the timestamps for comparison.
    std::string lines;
    std::size_t start = 0;
    while (start < text.size()) {
      const std::size_t end = text.find("\r\n", start);
      std::string line = text.substr(start, end - start);
      if (!line.empty() && line[0] == '(') line = line.substr(line.find(')') + 1);
      lines += line + "|";
      start = end + 2;
    }
    return lines;
  }
};

TEST_F(Discovery, OnlyWindowsCeFourPasses) {
  platform::OsVersion version;
  EXPECT_TRUE(CheckOSVersion(version, log));
  version.minor = 0;
  EXPECT_TRUE(CheckOSVersion(version, log));
  version.major = 5;
  EXPECT_FALSE(CheckOSVersion(version, log));
  version = platform::OsVersion{2, 4, 20, 0};
  EXPECT_FALSE(CheckOSVersion(version, log));
  EXPECT_FALSE(CheckOSVersion(std::nullopt, log));
  EXPECT_EQ(LogLines(), "OSVersionGet|OSVersionGet|OSVersionGet|OSVersionFail|OSVersionGet|OSVersionFail|");
}

TEST_F(Discovery, TheDriverWhoseKeyEndsInTwoIsTheAtPortWhateverTheOrder) {
  Write(Driver("01", "Halvorn-P42R", "Drivers\\\\PCMCIA\\\\P42R2", "COM6:") +
        Driver("02", "Halvorn-P42R", "Drivers\\\\PCMCIA\\\\P42R1", "COM5:"));
  EXPECT_TRUE(FindModulePort(registry, log, ports));
  EXPECT_EQ(ports, (std::vector<std::u16string>{u"COM6"}));
}

TEST_F(Discovery, OfTwoMatchingDriversTheHigherSubKeyWins) {
  Write(Driver("01", "Halvorn-P42R", "K2", "COM3:") + Driver("07", "Halvorn-P42R-0001", "K2", "COM8:"));
  EXPECT_TRUE(FindModulePort(registry, log, ports));
  EXPECT_EQ(ports, (std::vector<std::u16string>{u"COM8"}));
}

TEST_F(Discovery, ALongerIdentifierMatchesAndANameWithoutColonIsUsedAsItIs) {
  Write(Driver("03", "Halvorn-P42R_Modem_v2", "X2", "COM7"));
  EXPECT_TRUE(FindModulePort(registry, log, ports));
  EXPECT_EQ(ports, (std::vector<std::u16string>{u"COM7"}));
}

TEST_F(Discovery, OtherDriversAndUnreadableValuesAreSkipped) {
  Write(Driver("01", "Halvorn-P4", "K2", "COM1:") + Driver("02", "Other-P42R", "K2", "COM2:") +
        "[HKEY_LOCAL_MACHINE\\Drivers\\Active\\03]\r\n\"PnpId\"=\"Halvorn-P42R\"\r\n\"Key\"=\"K2\"\r\n\"Name\"=\"" +
        std::string(70, 'N') + "\"\r\n");
  EXPECT_FALSE(FindModulePort(registry, log, ports));
  EXPECT_TRUE(ports.empty());
  EXPECT_EQ(LogLines(), "OpenRegistry|Fail to get Port->|");
}

TEST_F(Discovery, AnEmptyDriverListEndsWithAnEmptyDetail) {
  Write("");
  EXPECT_FALSE(FindModulePort(registry, log, ports));
  EXPECT_EQ(LogLines(), "OpenRegistry|Fail to get Port->|");
}

TEST_F(Discovery, AMissingDriverListEndsSilently) {
  std::ofstream(directory.path() / "registry.reg") << "REGEDIT4\r\n";
  EXPECT_FALSE(FindModulePort(registry, log, ports));
  EXPECT_EQ(LogLines(), "OpenRegistry|");
}

TEST_F(Discovery, EnumerationAndOpenFailuresAreLoggedWithTheirCodes) {
  Write(Driver("01", "Halvorn-P42R", "K2", "COM3:") + Driver("02", "Nothing", "K1", "COM4:"));
  testing::FaultyRegistry faulty{registry};
  faulty.failNextEnumAt(0, platform::ERROR_REG_NO_MORE_ITEMS);
  EXPECT_FALSE(FindModulePort(faulty, log, ports));
  faulty.failNextOpenOf(u"01", 5L);
  EXPECT_FALSE(FindModulePort(faulty, log, ports));
  faulty.failNextQueryInfo(6L);
  EXPECT_FALSE(FindModulePort(faulty, log, ports));
  EXPECT_EQ(LogLines(),
            "OpenRegistry|Fail to get Port->Fail to get COM port dwRes=0x103|"
            "OpenRegistry|Fail to get Port->RegOpenKeyEx fail: nSubKeyNum=0 dwRes=0x5|"
            "OpenRegistry|");
}

TEST_F(Discovery, TheHostDeviceBehindAPortNameComesFromItsDriverEntry) {
  Write("[HKEY_LOCAL_MACHINE\\Drivers\\Active\\04]\r\n\"Name\"=\"COM4:\"\r\n\"HostDevice\"=\"/dev/pts/7\"\r\n"
        "[HKEY_LOCAL_MACHINE\\Drivers\\Active\\06]\r\n\"Name\"=\"COM6\"\r\n\"HostDevice\"=\"/dev/pts/9\"\r\n");
  EXPECT_EQ(registry.hostDeviceFor(u"COM4:"), "/dev/pts/7");
  EXPECT_EQ(registry.hostDeviceFor(u"COM4"), "/dev/pts/7");
  // A Name without a colon is opened as discovery hands it on, with one added.
  EXPECT_EQ(registry.hostDeviceFor(u"COM6:"), "/dev/pts/9");
  EXPECT_EQ(registry.hostDeviceFor(u"COM5:"), std::nullopt);
}

// The registry reads its file through the file system it is given: a read
// that fails leaves it without keys, and the next open reads again.
TEST_F(Discovery, ARegistryFileThatCannotBeReadHoldsNoKeysUntilItCanBe) {
  Write("[HKEY_LOCAL_MACHINE\\Drivers\\Active\\04]\r\n\"Name\"=\"COM4:\"\r\n\"HostDevice\"=\"/dev/pts/7\"\r\n");
  testing::FaultyFileSystem files;
  platform::Registry failing{directory.path() / "registry.reg", files};
  files.faults().read = EIO;
  platform::RegKey key = 0;
  EXPECT_EQ(failing.RegOpenKeyEx(platform::HKEY_LOCAL_MACHINE, u"Drivers\\Active", key), platform::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(failing.hostDeviceFor(u"COM4:"), std::nullopt);
  files.heal();
  ASSERT_EQ(failing.RegOpenKeyEx(platform::HKEY_LOCAL_MACHINE, u"Drivers\\Active", key), 0);
  EXPECT_EQ(failing.RegCloseKey(key), 0);
  EXPECT_EQ(failing.hostDeviceFor(u"COM4:"), "/dev/pts/7");
}

TEST(RegistryText, HostileLinesAreSkippedAndEscapesRead) {
  const auto data = platform::ParseRegistryText(
      "\xEF\xBB\xBFREGEDIT4\n\"orphan\"=\"x\"\n[A\\B]\n\"q\"=\"a\\\"b\\\\c\"\n\"d\"=dword:0000000a\n"
      "\"bad\"=dword:zz\n\"open\"=\"unterminated\n@=\"default\"\n[\n[-A\\C]\n\"hex\"=hex:01,02\n");
  ASSERT_EQ(data.keys.size(), 1u);
  const auto& values = data.keys[0].values;
  ASSERT_EQ(values.size(), 4u);
  EXPECT_EQ(values[0].second.text, u"a\"b\\c");
  EXPECT_EQ(values[1].second.number, 10u);
  EXPECT_EQ(values[2].first, u"");
  EXPECT_EQ(values[3].second.type, platform::RegValueType::Other);
}

}  // namespace
}  // namespace p42r::link
