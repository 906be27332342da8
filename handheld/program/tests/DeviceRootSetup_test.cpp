// A device root across starts of p42r, as its user meets it: set up private
// on first use, the password kept in the plain layout across restarts, a
// deleted management file refused rather than silently made new, and the
// deliberate reset that brings a new handheld's file back.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "access/tests/DataFileTesting.h"
#include "testing/ScriptSession.h"
#include "testing/TempDirectory.h"

namespace p42r::program {
namespace {

namespace fs = std::filesystem;
using testing::ScriptSession;

struct DeviceRootAcrossStarts : ::testing::Test {
  testing::TempDirectory root;
  fs::path managementFile = access::test::ManagementFile(root.path());
  std::unique_ptr<ScriptSession> session;
  mode_t umaskBefore = ::umask(022);
  ~DeviceRootAcrossStarts() override { ::umask(umaskBefore); }

  // Starts at the password screen and types `password` into it.
  void Authenticate(const std::string& password) {
    session = std::make_unique<ScriptSession>(P42R_PROGRAM, root.path().string(), "normal",
                                              std::vector<std::string>{"--entry=admin-connection"});
    ASSERT_EQ(Command("wait screen 2")["reply"], "ok") << session->process().standardError();
    Command("type 1000 " + password);
    Command("click 1001");
  }
  ScriptSession::Json Command(const std::string& line) { return session->Command(line); }
  void CloseAtMenu() {
    ASSERT_EQ(Command("wait screen 6")["reply"], "ok") << session->process().standardError();
    Command("close");
    EXPECT_EQ(session->AwaitExit(), 0);
  }
  static mode_t Mode(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
  }
};

TEST_F(DeviceRootAcrossStarts, APrivatePlainPasswordHoldsUntilItsFileIsDeletedAndOnlyAResetRenewsIt) {
  Authenticate("j72n");
  ASSERT_EQ(Command("wait screen 4")["reply"], "ok");
  Command("type 1011 0abc");
  Command("type 1012 0abc");
  Command("click 1014");
  Command("wait msgbox");
  Command("answer ok");
  CloseAtMenu();
  for (const fs::path& folder : {root.path() / "Program Files", managementFile.parent_path(), root.path() / ".locks"}) {
    EXPECT_EQ(Mode(folder), 0700u) << folder;
  }
  EXPECT_EQ(Mode(managementFile), 0600u) << "after a password change too";
  EXPECT_EQ(Mode(managementFile.parent_path() / "p42r_softup.log"), 0600u);
  EXPECT_EQ(access::test::Content(managementFile), access::test::Layout("\b5)4QPVHJ6", "OK", "0"));

  Authenticate("0abc");
  CloseAtMenu();

  // Deleted from a root that others may now read: refused, told, nothing written.
  fs::remove(managementFile);
  ::chmod(root.path().c_str(), 0755);
  Authenticate("0abc");
  EXPECT_EQ(Command("wait msgbox")["msgbox"]["text"], "システムファイルを読み込むことができません。処理を中断します。");
  Command("answer ok");
  EXPECT_EQ(session->AwaitExit(), 0);
  EXPECT_FALSE(fs::exists(managementFile));
  EXPECT_EQ(Mode(root.path()), 0755u) << "a folder the user gave is not changed";
  session->process().standardError();
  const std::string told = session->process().errorsSeen();
  EXPECT_NE(told.find("--reset-management-file"), std::string::npos) << told;
  const std::string tighten = "chmod -R go-rwx '" + root.path().string() + "'";
  ASSERT_NE(told.find(tighten), std::string::npos) << told;
  EXPECT_EQ(told.find(tighten, told.find(tighten) + 1), std::string::npos) << "told once";

  testing::ProgramProcess reset(P42R_PROGRAM, {"--device-root", root.path().string(), "--reset-management-file"});
  EXPECT_EQ(reset.wait(), 0);
  EXPECT_EQ(access::test::Content(managementFile), access::test::Layout("", "OK", "1"));
}

}  // namespace
}  // namespace p42r::program
