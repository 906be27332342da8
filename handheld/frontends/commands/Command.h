// One command as a script over the program's screens: it is told what the
// screens show (a screen became visible, a control changed, a message box
// opened) and answers with the taps a person would make, until it reports
// its outcome. Commands only read what a screen shows; they hold no card
// dialogue of their own.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "frontends/commands/CommandRequest.h"
#include "platform/Control.h"
#include "platform/Display.h"
#include "platform/Form.h"

namespace p42r::frontends {

// How a command ended, as a script sees it; the program turns it into its exit code.
enum class OutcomeKind { Ok, NoCard, Refused, Removed, TimedOut, AccessDenied, Interrupted, Usage, Failed };

// The stable name in the JSON result ("ok", "no-card", ...).
const char* OutcomeName(OutcomeKind kind);

struct Outcome {
  OutcomeKind kind = OutcomeKind::Ok;
  std::string message;                                        // the screen's own text, if it showed one
  nlohmann::ordered_json fields = nlohmann::ordered_json::object();  // the command's result
  std::string text;                                           // the result for a person
  bool close = true;                                          // the program is closed after it
};

// What the program knows about the identified card beyond what screens show.
struct CardFacts {
  std::function<std::string()> portName;    // "COM4", once identified
  std::function<std::string()> hostDevice;  // the host device behind it
  // What the start-up screen showed: the card was still writing an update, and how that ended.
  bool updateWasRunning = false;
  std::string startStatus;
};

class CommandContext {
 public:
  virtual void click(std::uint16_t controlId) = 0;
  virtual void type(std::uint16_t controlId, const std::string& text) = 0;
  virtual void check(std::uint16_t controlId) = 0;
  virtual void select(std::uint16_t controlId, int row) = 0;
  virtual void answer(bool ok) = 0;
  // The command's end: printed, then the program is closed.
  virtual void report(Outcome outcome) = 0;
  // A step of a long job: a JSON line with --json, else text on standard error.
  virtual void progress(const nlohmann::ordered_json& notice, const std::string& text) = 0;
  // One result of a repeating command (signal --watch), printed at once.
  virtual void emitLine(const nlohmann::ordered_json& result, const std::string& text) = 0;
  // Runs `then` once the screen has finished what it is doing now.
  virtual void defer(std::function<void()> then) = 0;
  // Runs `then` after `delay` of real time.
  virtual void after(std::chrono::seconds delay, std::function<void()> then) = 0;
  // Asks a yes/no question on the terminal; nothing when there is none to ask on.
  virtual std::optional<bool> ask(const std::string& question) = 0;
  // The next password: a line from --password-fd, or asked on the terminal
  // without echo; nothing when there is none. It goes only into the field.
  virtual std::optional<std::string> secret(const std::string& prompt) = 0;
  virtual const CardFacts& facts() const = 0;
  virtual bool cardWasRemoved() const = 0;

 protected:
  ~CommandContext() = default;
};

class Command {
 public:
  virtual ~Command() = default;
  // The start-up has led to the command's first screen.
  virtual void begin(CommandContext& context, const platform::Form& screen) = 0;
  virtual void screenShown(CommandContext& /*context*/, const platform::Form& /*screen*/) {}
  virtual void controlChanged(CommandContext& /*context*/, const platform::Form& /*screen*/,
                              const platform::Control& /*control*/, platform::ControlProperty /*property*/) {}
  // A message box opened while the command runs. False: not one the command
  // expects, so it is taken for the fatal path that ends the program.
  virtual bool messageBox(CommandContext& /*context*/, const platform::MessageBoxState& /*box*/) { return false; }
  // The screen number the start-up leads to for this command.
  virtual int firstScreen() const = 0;
};

std::unique_ptr<Command> MakeCommand(const CommandRequest& request);

}  // namespace p42r::frontends
