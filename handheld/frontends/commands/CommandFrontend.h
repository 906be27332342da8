// The commands frontend: one job per run (`p42r info`, `p42r update`, ...)
// done by the program's own screens, which are never shown. A Command
// script watches what the screens show and taps their controls the way the
// script frontend's driver would; this class runs it, answers what the
// start-up shows, lets virtual time pass when asked, and prints the result
// as text or JSON with an exit code.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include <nlohmann/json.hpp>

#include "frontends/Frontend.h"
#include "frontends/commands/Command.h"
#include "frontends/commands/CommandRequest.h"
#include "frontends/tui/SignalRelay.h"
#include "platform/Display.h"
#include "platform/UserInput.h"
#include "platform/Window.h"

namespace p42r::frontends {

class CommandFrontend final : public Frontend, public platform::DisplayObserver, private CommandContext {
 public:
  struct Streams {
    std::FILE* output = stdout;    // the result (and --json's progress lines)
    std::FILE* progress = stderr;  // progress and failures as text
    int answerFd = -1;             // where a question is answered (a terminal), -1: none
  };

  // The program's exit code for an outcome (and the program's own code when it ended otherwise).
  using ExitCodes = std::function<int(OutcomeKind, int programExitCode)>;

  CommandFrontend(platform::Display& display, platform::WindowSystem& windows, CommandRequest request,
                  CardFacts facts, Streams streams, ExitCodes exitCodes);
  ~CommandFrontend();
  CommandFrontend(const CommandFrontend&) = delete;
  CommandFrontend& operator=(const CommandFrontend&) = delete;

  void start() override;
  // Any thread: the card's device went away.
  void cardRemoved();
  // The program ended with `exitCode`: prints the result; the run's exit code.
  int finish(int exitCode) override;

  // DisplayObserver
  void activeFormChanged(const platform::Form* form) override;
  void controlChanged(const platform::Form& form, const platform::Control& control,
                      platform::ControlProperty property) override;
  void messageBoxOpened(const platform::MessageBoxState& box) override;

 private:
  // CommandContext
  void click(std::uint16_t controlId) override;
  void type(std::uint16_t controlId, const std::string& text) override;
  void check(std::uint16_t controlId) override;
  void select(std::uint16_t controlId, int row) override;
  void answer(bool ok) override;
  void report(Outcome outcome) override;
  void progress(const nlohmann::ordered_json& notice, const std::string& text) override;
  void emitLine(const nlohmann::ordered_json& result, const std::string& text) override;
  void defer(std::function<void()> then) override { later(std::move(then)); }
  void after(std::chrono::seconds delay, std::function<void()> then) override;
  std::optional<bool> ask(const std::string& question) override;
  std::optional<std::string> secret(const std::string& prompt) override;
  const CardFacts& facts() const override { return facts_; }
  bool cardWasRemoved() const override { return removed_; }

  // A line from `fd` (its end or Ctrl+C: nothing).
  // The next line from `fd` without its end; one longer than `limit` comes
  // back cut to limit + 1 bytes.
  std::optional<std::string> readLine(int fd, std::size_t limit = SIZE_MAX);
  // Input runs from the loop, never from inside a screen's change.
  void later(std::function<void()> task);
  void input(const platform::InputError& error, const std::string& what);
  void startUpBox(const platform::MessageBoxState& box);
  void print(const nlohmann::ordered_json& result, const std::string& text, bool failure);
  nlohmann::ordered_json Result(const Outcome& outcome, int exitCode) const;
  // Virtual time: when nothing has happened for a while, the clock moves on.
  void scheduleTimeStep();
  void timeStep();
  void watchSignals();
  // Flushes the result stream; a failed write there is the close request.
  void flushOutput();
  // Ctrl+C and a closed output end the run alike.
  void closeRequested();

  platform::Display& display_;
  platform::WindowSystem& windows_;
  platform::EventLoop& loop_;
  platform::UserInput userInput_;
  CommandRequest request_;
  CardFacts facts_;
  Streams streams_;
  ExitCodes exitCodes_;
  std::unique_ptr<Command> command_;
  bool begun_ = false;
  std::optional<Outcome> outcome_;
  bool closeSent_ = false;
  std::atomic<bool> removed_ = false;
  std::atomic<bool> signalled_ = false;  // set by the signal watcher
  bool interrupted_ = false;
  bool outputFailed_ = false;
  bool progressOnLine_ = false;
  // Virtual time: activity seen since the last look, and the next step's size.
  std::uint64_t activity_ = 0;
  std::uint64_t activitySeen_ = 0;
  std::chrono::milliseconds timeStep_{1000};
  bool advancing_ = false;
  bool finished_ = false;
  std::unique_ptr<tui::SignalRelay> signals_;
  std::jthread signalWatcher_;
};

}  // namespace p42r::frontends
