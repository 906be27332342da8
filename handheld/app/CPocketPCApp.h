// The application object: start (single instance, the "/LOG" option, the
// frame, the fifteen hidden screens, the log, the first screen), the screen
// table with SwitchScreen, and exit (the device released, the log closed).
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/AppMessages.h"
#include "app/CMainFrame.h"
#include "app/CPocketPCDoc.h"
#include "app/CPocketPCView.h"
#include "app/ScreenView.h"
#include "app/Services.h"
#include "platform/NamedMutex.h"

namespace p42r::app {

class CPocketPCApp final : public Navigator, public FrameOwner {
 public:
  enum class StartFailure { None, AlreadyRunning, ShellCommandFailed };
  // Builds screens 1 to 15 in table order; the program that puts the
  // screens together supplies it.
  using ScreenFactory = std::function<std::vector<std::unique_ptr<ScreenView>>(Services&, Navigator&)>;

  struct Options {
    // The handheld command line ("/LOG" and whatever else the user gave).
    std::u16string commandLine;
    // Fault injection: the frame's command bar cannot be created.
    bool commandBarFails = false;
    // The display is wider than it is high (the about box's layout).
    bool landscape = false;
    // The way in after start-up: the consumer menu (default), the general
    // menu, the password screen leading to an administrator menu, or the
    // application list that the general menu keeps hidden.
    enum class Entry { Consumer, General, AdminConnection, AdminId, Applications };
    Entry entry = Entry::Consumer;
    // Stops the serial reader and closes the port at exit.
    std::function<void()> releaseDevice;
    // The screen table's screens 1 to 15 (none without it).
    ScreenFactory createScreens;
  };

  CPocketPCApp(Services& services, Options options);
  ~CPocketPCApp();
  CPocketPCApp(const CPocketPCApp&) = delete;
  CPocketPCApp& operator=(const CPocketPCApp&) = delete;

  // Instance initialisation: true to run the message loop, false to end at once.
  bool InitInstance();
  // Instance exit: releases the port and the log; the exit code.
  int ExitInstance();

  platform::Form* SwitchScreen(int number) override;
  void PostClose() override;
  void OnFrameClose() override;
  void OnAppAbout() override;

  int currentScreen() const { return currentScreen_; }
  platform::Form* screen(int number) const;
  CMainFrame* frame() const { return frame_.get(); }
  bool logFlag() const { return logFlag_; }
  StartFailure startFailure() const { return startFailure_; }

  // True when the blank-separated command line holds "/LOG" exactly.
  static bool HasLogOption(std::u16string_view commandLine);

 private:
  bool ProcessShellCommand();
  void CreateScreens();
  void OpenLog();
  void RouteEntry();

  Services& services_;
  Options options_;
  std::unique_ptr<platform::NamedMutex> instanceMutex_;
  std::unique_ptr<CPocketPCDoc> document_;
  std::unique_ptr<CMainFrame> frame_;
  std::unique_ptr<CPocketPCView> initialView_;
  std::vector<std::unique_ptr<ScreenView>> screens_;
  std::array<platform::Form*, kScreenCount> ScreenTable{};
  int currentScreen_ = 0;
  bool logFlag_ = false;
  bool closing_ = false;
  StartFailure startFailure_ = StartFailure::None;
};

}  // namespace p42r::app
