// The commands frontend: one job per run (`p42r info`, `p42r update`, ...)
// done by the program's own screens, which are never shown. A Command
// script watches what the screens show and taps their controls the way the
// script frontend's driver would; this class runs it, answers what the
// start-up shows and turns the end into a result and an exit code. Its
// helpers do the rest: CommandOutput the printing, CommandPrompt the
// questions at the terminal, VirtualTimePacer the virtual time.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "frontends/Frontend.h"
#include "frontends/commands/Command.h"
#include "frontends/commands/CommandOutput.h"
#include "frontends/commands/CommandPrompt.h"
#include "frontends/commands/CommandRequest.h"
#include "frontends/commands/VirtualTimePacer.h"
#include "platform/Display.h"
#include "platform/UserInput.h"
#include "platform/Window.h"

namespace p42r::frontends {

class CommandFrontend final : public Frontend, public platform::DisplayObserver, private CommandContext {
 public:
  using Streams = CommandStreams;

  // The program's exit code for an outcome (and the program's own code when it ended otherwise).
  using ExitCodes = std::function<int(OutcomeKind, int programExitCode)>;

  CommandFrontend(platform::Display& display, platform::WindowSystem& windows, CommandRequest request,
                  CardFacts facts, Streams streams, ExitCodes exitCodes);
  ~CommandFrontend();
  CommandFrontend(const CommandFrontend&) = delete;
  CommandFrontend& operator=(const CommandFrontend&) = delete;

  // What virtual time waits for outside the program (the card in this process).
  void followOutside(platform::Settling* outside) { pacer_.follow(outside); }
  void start() override;
  // Any thread: the card's device went away.
  void cardRemoved();
  // The program ended with `exitCode`: prints the result; the run's exit code.
  int finish(int exitCode) override;

  // Ctrl+C, the terminal's close, a polite kill and Ctrl+\ (which must not
  // leave a password prompt without its echo) are the close request, so the
  // screens' own close handling runs and the run ends with its report.
  std::vector<int> handledSignals() const override { return {SIGINT, SIGTERM, SIGHUP, SIGQUIT}; }
  void signalArrived(int) override { signalled_ = true; }
  bool signalled(int) override;

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
  std::optional<bool> ask(const std::string& question) override { return prompt_.ask(question); }
  std::optional<std::string> secret(const std::string& prompt) override { return prompt_.secret(prompt); }
  const CardFacts& facts() const override { return facts_; }
  bool cardWasRemoved() const override { return removed_; }

  // Input runs from the loop, never from inside a screen's change.
  void later(std::function<void()> task);
  void input(const platform::InputError& error, const std::string& what);
  void startUpBox(const platform::MessageBoxState& box);
  nlohmann::ordered_json Result(const Outcome& outcome, int exitCode) const;
  // A signal and a closed output end the run alike.
  void closeRequested();

  platform::Display& display_;
  platform::EventLoop& loop_;
  platform::UserInput userInput_;
  CommandRequest request_;
  CardFacts facts_;
  ExitCodes exitCodes_;
  std::atomic<bool> signalled_ = false;  // set by the signal path's thread
  CommandOutput output_;
  CommandPrompt prompt_;
  VirtualTimePacer pacer_;
  std::unique_ptr<Command> command_;
  bool begun_ = false;
  std::optional<Outcome> outcome_;
  bool closeSent_ = false;
  std::atomic<bool> removed_ = false;
  bool interrupted_ = false;
};

}  // namespace p42r::frontends
