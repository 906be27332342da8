// The real program in a window with the simulated card: a whole phone update
// driven by input events, as a person at the window would do it.
#include <gtest/gtest.h>

#include <cstdlib>

#include <QApplication>

#include "UpdateDriver.h"
#include "program/Program.h"
#include "program/WindowPart.h"

namespace p42r::frontends::gui {
namespace {

TEST(WindowProgram, AWholeUpdateByClicksAndKeysEndsOnTheSuccessText) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // The driver's timers need the application first; the frontend takes this one.
  static int argc = 1;
  static char name[] = "gui_program_test";
  static char* argv[] = {name, nullptr};
  QApplication application(argc, argv);
  program::ProgramOptions options;
  options.ui = program::UiKind::Window;
  options.uiChosen = true;
  options.simulatedCard = "update-fast";
  UpdateDriver driver(std::chrono::seconds(90));
  const int exitCode = program::RunProgram(options, program::WindowPart());
  const auto& seen = driver.seen();
  EXPECT_EQ(seen.failure, "");
  EXPECT_TRUE(seen.startPage) << "the update button's click did not lead to the start page";
  EXPECT_TRUE(seen.closeAsked) << "closing mid-update did not ask";
  EXPECT_TRUE(seen.updatedAfterAsking);
  EXPECT_TRUE(seen.succeeded);
  ASSERT_FALSE(seen.boxes.empty());
  EXPECT_NE(seen.boxes.front().find("AC電源"), std::string::npos) << "the power warning came first";
  EXPECT_EQ(exitCode, 0);
}

}  // namespace
}  // namespace p42r::frontends::gui

namespace p42r::frontends::gui {
namespace {

// Qt would end the process when its platform cannot start: the program says
// why first and ends with "could not start", naming the way out.
TEST(WindowProgram, NoDisplayIsToldBeforeAnyWindowIsTried) {
  program::ProgramOptions options;
  options.ui = program::UiKind::Window;
  options.uiChosen = true;
  options.simulatedCard = "";
  unsetenv("QT_QPA_PLATFORM");
  unsetenv("WAYLAND_DISPLAY");
  for (const char* display : {static_cast<const char*>(nullptr), ":4242"}) {
    if (display != nullptr) {
      setenv("DISPLAY", display, 1);
    } else {
      unsetenv("DISPLAY");
    }
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(program::RunProgram(options, program::WindowPart()), program::kExitStartFailed);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find(display != nullptr ? "X display :4242 does not answer" : "there is no display"), std::string::npos)
        << said;
    EXPECT_NE(said.find("--ui=tui"), std::string::npos) << said;
  }
}

}  // namespace
}  // namespace p42r::frontends::gui
