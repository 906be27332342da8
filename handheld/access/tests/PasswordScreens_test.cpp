#include "access/PasswordScreens.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "access/ManagementFileProvisioning.h"
#include "access/tests/DataFileTesting.h"
#include "access/tests/ScreenStage.h"
#include "resources/StringTable.h"

namespace p42r::access {
namespace {

using platform::MessageBoxIcon;
using test::Layout;
using test::Scrambled;
using Box = ScreenStage::Box;

Box Plain(std::uint32_t id) { return Box{resources::LoadString(id), MessageBoxIcon::None}; }
Box Information(std::uint32_t id) { return Box{resources::LoadString(id), MessageBoxIcon::Information}; }
Box Exclamation(std::uint32_t id) { return Box{resources::LoadString(id), MessageBoxIcon::Exclamation}; }

std::vector<Box> Repeated(const Box& box, std::size_t count) { return std::vector<Box>(count, box); }

struct PasswordScreens : ::testing::Test, testing::HandheldHarness {
  ScreenStage stage{*this};
  std::filesystem::path managementFile = test::ManagementFile(directory.path());

  void Store(const std::string& password, const std::string& status, const std::string& firstBoot) {
    test::Put(managementFile, Layout(Scrambled(password), status, firstBoot));
  }
  std::string Stored() const { return test::Content(managementFile); }

  // Shows a screen as the application would and forgets what that recorded.
  void Show(int screen) {
    stage.SwitchScreen(screen);
    RunUntilIdle();
    stage.switches.clear();
    stage.boxes.clear();
  }
  void Type(std::uint16_t id, const std::u16string& text) {
    const auto refused = input.type(id, text);
    ASSERT_FALSE(refused.has_value()) << *refused;
    RunUntilIdle();
  }
  void Click(std::uint16_t id) {
    const auto refused = input.click(id);
    ASSERT_FALSE(refused.has_value()) << *refused;
    RunUntilIdle();
  }
  void Authenticate(const std::u16string& password) {
    Type(1000, password);
    Click(1001);
  }
  void Release(const std::u16string& code) {
    Type(1005, code);
    Click(1006);
  }
  void Change(const std::u16string& password, const std::u16string& confirmation) {
    Type(1011, password);
    Type(1012, confirmation);
    Click(1014);
  }
  const std::u16string& Text(const platform::Form& screen, std::uint16_t id) const {
    return screen.control(id)->text();
  }
};

TEST_F(PasswordScreens, TheTenthFailureLocksEvenWithASuccessInBetween) {
  Store("secret1", "OK", "0");
  const std::string unlocked = Stored();
  Show(2);
  for (int i = 0; i < 9; ++i) {
    Authenticate(u"wrong");
    EXPECT_EQ(Text(stage.check, 1000), u"") << "each failure empties the field";
    EXPECT_EQ(stage.check.focus(), 1000);
  }
  EXPECT_EQ(stage.boxes, Repeated(Plain(30100), 9));
  EXPECT_EQ(Stored(), unlocked);

  Authenticate(u"secret1");
  EXPECT_EQ(stage.boxes.size(), 9u) << "a correct password shows nothing";
  EXPECT_TRUE(stage.switches.empty()) << "with first-boot 0 and no destination the screen stays";
  EXPECT_EQ(Text(stage.check, 1000), u"secret1") << "a success keeps the field";
  EXPECT_EQ(stage.check.failureCount(), 9) << "a success does not reset the counter";

  Authenticate(u"Secret1");
  std::vector<Box> expected = Repeated(Plain(30100), 10);
  expected.push_back(Information(30101));
  EXPECT_EQ(stage.boxes, expected);
  EXPECT_EQ(Stored(), Layout(Scrambled("secret1"), "LOCK", "0")) << "the stored password stays while locked";
  EXPECT_EQ(stage.switches, std::vector<int>{3});
  EXPECT_EQ(stage.check.failureCount(), 0);
  EXPECT_EQ(display.activeForm(), &stage.unlock);
  EXPECT_EQ(stage.unlock.focus(), 1005);
}

TEST_F(PasswordScreens, TheUnlockCodeReleasesToTheCommonPasswordKeepingTheFirstBootFlag) {
  Store("secret1", "LOCK", "1");
  const std::string locked = Stored();
  Show(3);
  for (int i = 0; i < 15; ++i) Release(u"1993r58kxM");
  EXPECT_EQ(stage.boxes, Repeated(Plain(30102), 15)) << "no counter, no limit";
  EXPECT_EQ(Text(stage.unlock, 1005), u"");
  EXPECT_EQ(stage.unlock.focus(), 1005);
  EXPECT_EQ(Stored(), locked);
  EXPECT_TRUE(stage.switches.empty());

  stage.boxes.clear();
  Release(u"1993r58kxm");
  EXPECT_EQ(stage.boxes, std::vector<Box>{Information(30150)});
  EXPECT_EQ(Stored(), Layout("", "OK", "1"));
  EXPECT_EQ(stage.switches, std::vector<int>{2});
  EXPECT_EQ(Text(stage.unlock, 1005), u"");

  Authenticate(u"secret1");
  EXPECT_EQ(stage.boxes.back(), Plain(30100)) << "the old password no longer applies";
  Authenticate(u"j72n");
  EXPECT_EQ(stage.switches, (std::vector<int>{2, 4})) << "first boot: on to the password change";
}

TEST_F(PasswordScreens, ARecordedLockHoldsAcrossRunsAndComparesNothing) {
  Store("secret1", "LOCK", "0");
  Show(2);
  EXPECT_EQ(display.activeForm(), &stage.unlock) << "a lock from an earlier run leads straight to the release";

  // Locked by another run while this one shows the password screen.
  Store("secret1", "OK", "0");
  Show(2);
  ASSERT_EQ(display.activeForm(), &stage.check);
  Store("secret1", "LOCK", "0");
  Authenticate(u"secret1");
  EXPECT_TRUE(stage.boxes.empty()) << "not even the right password is compared";
  EXPECT_EQ(stage.switches, std::vector<int>{3});
  EXPECT_EQ(Text(stage.check, 1000), u"");
}

TEST_F(PasswordScreens, TheFirstBootFlagIsCarriedThroughLockAndReleaseAsOneOrZero) {
  for (const std::string& flag : {std::string("1"), std::string("0"), std::string("yes"), std::string("")}) {
    SCOPED_TRACE(flag);
    const std::string expected = flag == "1" ? "1" : "0";
    Store("secret1", "OK", flag);
    Show(2);
    for (int i = 0; i < ClsCheckPswd::kLockThreshold; ++i) Authenticate(u"x");
    EXPECT_EQ(Stored(), Layout(Scrambled("secret1"), "LOCK", expected));
    Release(u"1993r58kxm");
    EXPECT_EQ(Stored(), Layout("", "OK", expected));
  }
}

TEST_F(PasswordScreens, WithNoStoredPasswordOnlyTheCommonOneAuthenticates) {
  Store("", "OK", "0");
  stage.check.SetScreenAfterAuthentication(6);
  Show(2);
  for (const std::u16string& attempt : {std::u16string(u""), std::u16string(u"J72N"), std::u16string(u"j72n "),
                                        std::u16string(u"j72")}) {
    Authenticate(attempt);
  }
  EXPECT_EQ(stage.boxes, Repeated(Plain(30100), 4));
  EXPECT_TRUE(stage.switches.empty());
  Authenticate(u"j72n");
  EXPECT_EQ(stage.switches, std::vector<int>{6}) << "the destination the lead's entry chose";
  EXPECT_EQ(stage.boxes.size(), 4u);
}

TEST_F(PasswordScreens, ACorrectPasswordOnFirstBootLeadsToTheChangeAndIsNotLeftBehind) {
  Store("secret1", "OK", "1");
  stage.check.SetScreenAfterAuthentication(6);
  Show(2);
  Authenticate(u"secret1");
  EXPECT_EQ(stage.switches, std::vector<int>{4}) << "the change comes before any destination";
  EXPECT_EQ(display.activeForm(), &stage.change);
  EXPECT_EQ(stage.change.focus(), 1011);
  EXPECT_TRUE(stage.boxes.empty());

  stage.SwitchScreen(2);
  RunUntilIdle();
  EXPECT_EQ(Text(stage.check, 1000), u"") << "a new visit starts with an empty field";
  EXPECT_EQ(stage.check.focus(), 1000);
}

TEST_F(PasswordScreens, AnUnreadableSystemFileEndsTheApplicationFromEveryScreen) {
  struct Case {
    const char* name;
    std::function<void()> breakIt;
  };
  const std::vector<Case> cases = {
      {"no file", [&] { std::filesystem::remove(managementFile); }},
      {"no first-boot flag", [&] { test::Put(managementFile, "[DATA3]\r\nTAG =\r\n[LOCK_STATUS]\r\nSTATUS =OK\r\n"); }},
      {"no password entry", [&] { test::Put(managementFile, "[LOCK_STATUS]\r\nSTATUS =OK\r\n[BOOT]\r\nFIRST_BOOT =1\r\n"); }},
      {"a read that fails", [&] { files.faults().read = EIO; }},
  };
  struct Action {
    int screen;
    std::function<void()> act;
  };
  const std::vector<Action> actions = {
      {2, [&] { Authenticate(u"wrong"); }},
      {3, [&] { Release(u"1993r58kxm"); }},
      {4, [&] { Click(1015); }},
  };
  for (const Case& c : cases) {
    for (const Action& action : actions) {
      SCOPED_TRACE(std::string(c.name) + " on screen " + std::to_string(action.screen));
      Store("secret1", "LOCK", "1");
      c.breakIt();
      const std::string before = std::filesystem::exists(managementFile) ? Stored() : "";
      Show(action.screen);
      stage.closeRequests = 0;
      action.act();
      files.heal();
      EXPECT_EQ(stage.boxes, std::vector<Box>{Plain(30003)});
      EXPECT_EQ(stage.closeRequests, 1);
      EXPECT_TRUE(stage.switches.empty());
      EXPECT_EQ(std::filesystem::exists(managementFile) ? Stored() : "", before) << "nothing is written";
    }
  }
  EXPECT_EQ(stage.check.failureCount(), 0) << "an unread file counts no failure";
}

TEST_F(PasswordScreens, ALockThatCannotBeWrittenStillLeadsToTheUnlockScreen) {
  Store("secret1", "OK", "0");
  const std::string unlocked = Stored();
  Show(2);
  for (int i = 0; i < 9; ++i) Authenticate(u"wrong");
  files.faults().create = EACCES;
  Authenticate(u"wrong");
  files.heal();
  EXPECT_EQ(stage.boxes.back(), Information(30101)) << "the failure itself is not reported";
  EXPECT_EQ(stage.boxes.size(), 11u);
  EXPECT_EQ(Stored(), unlocked);
  EXPECT_EQ(stage.check.failureCount(), 0);
  EXPECT_EQ(stage.switches, std::vector<int>{3});
}

TEST_F(PasswordScreens, AReleaseThatCannotBeWrittenKeepsTheLockAndTheUserMayRetry) {
  Store("secret1", "LOCK", "0");
  const std::string locked = Stored();
  Show(3);
  files.faults().diskSpace = 20;  // the disk fills in the second line
  Release(u"1993r58kxm");
  files.heal();
  EXPECT_EQ(stage.boxes, std::vector<Box>{Exclamation(30108)});
  EXPECT_EQ(Stored(), locked);
  EXPECT_TRUE(stage.switches.empty());
  EXPECT_EQ(Text(stage.unlock, 1005), u"");

  Release(u"1993r58kxm");
  EXPECT_EQ(stage.boxes.back(), Information(30150));
  EXPECT_EQ(Stored(), Layout("", "OK", "0"));
  EXPECT_EQ(stage.switches, std::vector<int>{2});
}

TEST_F(PasswordScreens, EveryBrokenPasswordRuleHasItsMessageAndWritesNothing) {
  Store("old1", "LOCK", "1");
  const std::string before = Stored();
  Show(4);
  struct Case {
    std::u16string password;
    std::u16string confirmation;
    std::uint32_t message;
  };
  const std::vector<Case> cases = {
      {u"ab", u"ac", 30103},       {u"ab", u"AB", 30103},   {u"abcdef", u"abcde", 30103},
      {u"a", u"a", 30105},         {u"", u"", 30105},       {u" ", u" ", 30105},  // short before characters
      {u"a b", u"a b", 30104},     {u"abあ", u"abあ", 30104}, {u"ab\tc", u"ab\tc", 30104},
      {u"a b", u"ab", 30103},  // different before anything else
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(platform::ToUtf8(c.password) + " / " + platform::ToUtf8(c.confirmation));
    stage.boxes.clear();
    Change(c.password, c.confirmation);
    EXPECT_EQ(stage.boxes, std::vector<Box>{Plain(c.message)});
    EXPECT_EQ(Text(stage.change, 1011), u"");
    EXPECT_EQ(Text(stage.change, 1012), u"");
    EXPECT_EQ(stage.change.focus(), 1011);
    EXPECT_EQ(Stored(), before);
  }
  EXPECT_TRUE(stage.switches.empty());
}

TEST_F(PasswordScreens, AnAcceptedPasswordIsStoredAndClearsLockAndFirstBoot) {
  Store("old1", "LOCK", "1");
  Show(4);
  Change(u"!~", u"!~");
  EXPECT_EQ(stage.boxes, std::vector<Box>{Information(30151)});
  EXPECT_EQ(Stored(), Layout(Scrambled("!~"), "OK", "0"));
  EXPECT_EQ(Text(stage.change, 1011), u"!~") << "the fields keep their text";
  EXPECT_EQ(Text(stage.change, 1012), u"!~");
  EXPECT_TRUE(stage.switches.empty()) << "without a destination the screen stays";

  // Eleven characters cannot be typed: the fields hold ten.
  stage.boxes.clear();
  Change(u"8bcdefghijk", u"8bcdefghijk");
  EXPECT_EQ(Text(stage.change, 1011), u"8bcdefghij");
  EXPECT_EQ(stage.boxes, std::vector<Box>{Information(30151)});
  ClsDataFile dataFile(files, deviceRoot, codePage);
  std::u16string password;
  ASSERT_TRUE(dataFile.ReadEntry(SectionKind::Data3, EntryKey::Tag, password));
  EXPECT_EQ(password, u"8bcdefghij") << "a scrambled zero survives";
}

TEST_F(PasswordScreens, AChangeThatCannotBeWrittenIsReportedAndChangesNothing) {
  Store("old1", "LOCK", "1");
  const std::string before = Stored();
  stage.change.SetScreenAfterChange(6);
  Show(4);
  files.faults().diskSpace = 12;
  Change(u"newpass", u"newpass");
  files.heal();
  EXPECT_EQ(stage.boxes, std::vector<Box>{Plain(30107)});
  EXPECT_EQ(Stored(), before);
  EXPECT_EQ(Text(stage.change, 1011), u"newpass");
  EXPECT_TRUE(stage.switches.empty()) << "the user stays to try again";

  Click(1014);
  EXPECT_EQ(stage.boxes.back(), Information(30151));
  EXPECT_EQ(Stored(), Layout(Scrambled("newpass"), "OK", "0"));
  EXPECT_EQ(stage.switches, std::vector<int>{6});
}

TEST_F(PasswordScreens, CancelKeepsThePasswordButClearsLockAndFirstBoot) {
  Store("old1", "LOCK", "1");
  Show(4);
  Type(1011, u"typed");
  Click(1015);
  EXPECT_EQ(stage.boxes, std::vector<Box>{Information(30152)});
  EXPECT_EQ(Stored(), Layout(Scrambled("old1"), "OK", "0"));
  EXPECT_TRUE(stage.switches.empty());

  // A cancel whose write fails says nothing more; with a destination it leaves.
  Store("old1", "LOCK", "1");
  const std::string before = Stored();
  stage.change.SetScreenAfterChange(7);
  stage.boxes.clear();
  files.faults().create = ENOSPC;
  Click(1015);
  files.heal();
  EXPECT_EQ(stage.boxes, std::vector<Box>{Information(30152)});
  EXPECT_EQ(Stored(), before);
  EXPECT_EQ(stage.switches, std::vector<int>{7});
}

TEST_F(PasswordScreens, FieldsTakeCharactersDirectlyAndTheExitButtonsClose) {
  EXPECT_TRUE(stage.check.control(1000)->inputMethodDetached());
  EXPECT_TRUE(stage.unlock.control(1005)->inputMethodDetached());
  EXPECT_TRUE(stage.change.control(1011)->inputMethodDetached());
  EXPECT_TRUE(stage.change.control(1012)->inputMethodDetached());
  Show(2);
  Click(1002);
  EXPECT_EQ(stage.closeRequests, 1);
  Show(3);
  Click(1007);
  EXPECT_EQ(stage.closeRequests, 2);
  EXPECT_TRUE(stage.boxes.empty());

  // A new visit to the change screen starts empty.
  Show(4);
  Type(1011, u"abc");
  Type(1012, u"abd");
  Show(2);
  Show(4);
  EXPECT_EQ(Text(stage.change, 1011), u"");
  EXPECT_EQ(Text(stage.change, 1012), u"");
  EXPECT_EQ(stage.change.focus(), 1011);
}

TEST_F(PasswordScreens, AFreshDeviceLeadsFromTheCommonPasswordToAnIndividualOne) {
  ASSERT_EQ(SetUpManagementFile(files, deviceRoot, codePage), std::nullopt);
  stage.check.SetScreenAfterAuthentication(6);
  stage.change.SetScreenAfterChange(6);
  Show(2);
  Authenticate(u"letmein");
  Authenticate(u"j72n");
  EXPECT_EQ(stage.switches, std::vector<int>{4});
  Change(u"Adm1n#", u"Adm1n#");
  EXPECT_EQ(stage.boxes, (std::vector<Box>{Plain(30100), Information(30151)}));
  EXPECT_EQ(stage.switches, (std::vector<int>{4, 6}));
  EXPECT_EQ(Stored(), Layout(Scrambled("Adm1n#"), "OK", "0"));

  // The next visit takes the new password and goes straight on.
  Show(2);
  Authenticate(u"j72n");
  Authenticate(u"Adm1n#");
  EXPECT_EQ(stage.boxes, std::vector<Box>{Plain(30100)});
  EXPECT_EQ(stage.switches, std::vector<int>{6});
}

}  // namespace
}  // namespace p42r::access
