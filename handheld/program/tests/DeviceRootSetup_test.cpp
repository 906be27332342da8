// A device root across starts of p42r: private from its first use, the
// password in the plain layout across restarts, a deleted management file
// refused rather than made new, and the deliberate reset.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "access/tests/DataFileTesting.h"
#include "testing/ScriptSession.h"
#include "testing/TempDirectory.h"

namespace p42r::program {
namespace {

namespace fs = std::filesystem;

struct DeviceRootAcrossStarts : ::testing::Test {
  testing::TempDirectory root;
  fs::path managementFile = access::test::ManagementFile(root.path());
  std::unique_ptr<testing::ScriptSession> session;
  mode_t umaskBefore = ::umask(022);
  ~DeviceRootAcrossStarts() override { ::umask(umaskBefore); }

  // Starts at the password screen, types `password` and waits for what comes.
  bool Authenticate(const std::string& password, const std::string& awaited) {
    session = std::make_unique<testing::ScriptSession>(P42R_PROGRAM, root.path().string(), "normal",
                                                       std::vector<std::string>{"--entry=admin-connection"});
    for (const std::string& line : {std::string("wait screen 2"), "type 1000 " + password, std::string("click 1001"),
                                    awaited}) {
      if (session->Command(line)["reply"] != "ok") return false;
    }
    return true;
  }
  static mode_t Mode(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
  }
};

TEST_F(DeviceRootAcrossStarts, APrivatePlainPasswordHoldsUntilItsFileIsDeletedAndOnlyAResetRenewsIt) {
  ASSERT_TRUE(Authenticate("j72n", "wait screen 4"));
  for (const char* line : {"type 1011 0abc", "type 1012 0abc", "click 1014", "wait msgbox", "answer ok", "close"}) {
    session->Command(line);
  }
  EXPECT_EQ(session->AwaitExit(), 0);
  for (const fs::path& made : {root.path() / "Program Files", managementFile.parent_path(), root.path() / ".locks"}) {
    EXPECT_EQ(Mode(made), 0700u) << made;
  }
  EXPECT_EQ(Mode(managementFile), 0600u) << "after a password change too";
  EXPECT_EQ(Mode(managementFile.parent_path() / "p42r_softup.log"), 0600u);
  EXPECT_EQ(access::test::Content(managementFile), access::test::Layout("\b5)4QPVHJ6", "OK", "0"));
  EXPECT_TRUE(Authenticate("0abc", "wait screen 6")) << "a restart takes the password";
  session->Command("close");
  EXPECT_EQ(session->AwaitExit(), 0);

  // Deleted from a root others may now read: told once, refused, nothing written.
  fs::remove(managementFile);
  ::chmod(root.path().c_str(), 0755);
  ASSERT_TRUE(Authenticate("0abc", "wait msgbox"));
  EXPECT_EQ(session->Command("dump")["msgbox"]["text"], "システムファイルを読み込むことができません。処理を中断します。");
  session->Command("answer ok");
  EXPECT_EQ(session->AwaitExit(), 0);
  session->process().standardError();
  const std::string told = session->process().errorsSeen();
  EXPECT_FALSE(fs::exists(managementFile));
  EXPECT_EQ(Mode(root.path()), 0755u) << "a folder the user gave is not changed";
  EXPECT_NE(told.find("--reset-management-file"), std::string::npos) << told;
  const std::string tighten = "chmod -R go-rwx '" + root.path().string() + "'";
  EXPECT_EQ(told.find(tighten, told.find(tighten) + 1), std::string::npos) << told;
  ASSERT_NE(told.find(tighten), std::string::npos) << told;

  testing::ProgramProcess reset(P42R_PROGRAM, {"--device-root", root.path().string(), "--reset-management-file"});
  EXPECT_EQ(reset.wait(), 0);
  EXPECT_EQ(access::test::Content(managementFile), access::test::Layout("", "OK", "1"));
}

}  // namespace
}  // namespace p42r::program
