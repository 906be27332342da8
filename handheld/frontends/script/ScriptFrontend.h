// The headless frontend: a line protocol on standard input and output for
// tests, automation and programs that drive the handheld program. One
// command per input line; one JSON object per output line (a reply to each
// command, and events as the program changes). The protocol is described in
// docs/script-protocol.md and kept stable.
//
// Commands run on the user-interface thread in the order they arrive, at
// whatever loop level is running, so a message box's modal loop keeps
// serving them. A command that waits (wait, advance) holds back the ones
// after it until it is answered.
#pragma once

#include <cstdio>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "frontends/Frontend.h"
#include "frontends/script/LineReader.h"
#include "platform/Display.h"
#include "platform/EventLoop.h"
#include "platform/UserInput.h"
#include "platform/Window.h"

namespace p42r::frontends {

class ScriptFrontend final : public Frontend, public platform::DisplayObserver {
 public:
  ScriptFrontend(platform::Display& display, platform::WindowSystem& windows, std::FILE* output, int inputFd);
  ~ScriptFrontend();
  ScriptFrontend(const ScriptFrontend&) = delete;
  ScriptFrontend& operator=(const ScriptFrontend&) = delete;

  // Starts reading commands.
  void start() override;
  // The program has ended with `exitCode`: answers what still waits, reports
  // the exit and stops reading.
  int finish(int exitCode) override;

  // DisplayObserver
  void titleChanged(const std::u16string& title) override;
  void activeFormChanged(const platform::Form* form) override;
  void controlChanged(const platform::Form& form, const platform::Control& control,
                      platform::ControlProperty property) override;
  void messageBoxOpened(const platform::MessageBoxState& box) override;
  void dialogOpened(const platform::Form& dialog) override;
  void dialogClosed(const platform::Form& dialog) override;

 private:
  enum class WaitKind { Screen, MessageBox, Exit, Advance };
  struct Pending {
    WaitKind kind;
    int screen = -1;
    std::optional<platform::AlarmId> alarm;
  };

  void receive(std::optional<std::string> line);
  void endOfInput();
  void pump();
  void scheduleResume();
  void execute(const std::string& line);
  void startWait(WaitKind kind, int screen, long milliseconds);
  void resolve(nlohmann::ordered_json reply);

  nlohmann::ordered_json dump() const;
  void reply(nlohmann::ordered_json fields = nlohmann::ordered_json::object());
  void replyError(const std::string& message);
  void replyInput(const platform::InputError& error);
  void emit(const nlohmann::ordered_json& value);

  platform::Display& display_;
  platform::WindowSystem& windows_;
  platform::EventLoop& loop_;
  platform::UserInput input_;
  std::FILE* output_;
  std::unique_ptr<LineReader> reader_;
  std::deque<std::optional<std::string>> queue_;  // nothing: a line too long to be a command
  std::optional<Pending> pending_;
  bool resumeScheduled_ = false;
  bool watching_ = false;
  bool finished_ = false;
  bool outputFailed_ = false;
  bool inputEnded_ = false;
  bool closeSent_ = false;
};

}  // namespace p42r::frontends
