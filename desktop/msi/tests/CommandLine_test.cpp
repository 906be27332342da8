// Windows command lines as CreateProcess and the C runtime read them.
#include "standin/CommandLine.h"

#include <gmock/gmock.h>

using standin::programOfCommandLine;
using standin::splitCommandLine;
using testing::ElementsAre;

namespace {

TEST(CommandLine, TheProgramIsTheQuotedOrFirstToken) {
  EXPECT_EQ(programOfCommandLine("\"C:\\Program Files\\App Manager\\ceappmgr.exe\" \"a.ini\""),
            "C:\\Program Files\\App Manager\\ceappmgr.exe");
  EXPECT_EQ(programOfCommandLine("C:\\tools\\run.exe a b"), "C:\\tools\\run.exe");
  EXPECT_EQ(programOfCommandLine("\"C:\\unclosed quote"), "C:\\unclosed quote");
}

TEST(CommandLine, TheManagersCommandLineSplitsIntoItsQuotedPaths) {
  EXPECT_THAT(splitCommandLine("\"C:\\A B\\ceappmgr.exe\" \"C:\\X Y\\c.ini\" \"C:\\X Y\\b.ini\""),
              ElementsAre("C:\\A B\\ceappmgr.exe", "C:\\X Y\\c.ini", "C:\\X Y\\b.ini"));
  EXPECT_THAT(splitCommandLine("\"C:\\A B\\ceappmgr.exe\" "), ElementsAre("C:\\A B\\ceappmgr.exe"));
}

TEST(CommandLine, BackslashesEscapeOnlyBeforeAQuote) {
  EXPECT_THAT(splitCommandLine("p a\\\\b \"c\\\\\" \"d\\\"e\" f\\\\\\\"g"),
              ElementsAre("p", "a\\\\b", "c\\", "d\"e", "f\\\"g"));
  EXPECT_THAT(splitCommandLine("p \"a \"\"quoted\"\" word\" x\"y z\"w"),
              ElementsAre("p", "a \"quoted\" word", "xy zw"));
  EXPECT_THAT(splitCommandLine("p \t  \"\"  last"), ElementsAre("p", "", "last"));
}

}  // namespace
