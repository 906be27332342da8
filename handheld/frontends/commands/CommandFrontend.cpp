#include "frontends/commands/CommandFrontend.h"

#include "frontends/commands/PasswordInput.h"
#include "platform/EventLoop.h"
#include "platform/TextConversion.h"
#include "resources/ScreenIds.h"
#include "resources/StringIds.h"

namespace p42r::frontends {

using json = nlohmann::ordered_json;

namespace {

std::string Describe(OutcomeKind kind) {
  switch (kind) {
    case OutcomeKind::Ok: return "done";
    case OutcomeKind::NoCard:
      return "no card found, or it did not identify itself (--sim runs against the simulated card, --port DEVICE "
             "names the card's serial device)";
    case OutcomeKind::Refused: return "the card refused the request or reported a failure";
    case OutcomeKind::Removed: return "the card was removed";
    case OutcomeKind::TimedOut: return "the card did not answer in time";
    case OutcomeKind::AccessDenied: return "the administrator password was refused";
    case OutcomeKind::Interrupted: return "interrupted";
    case OutcomeKind::Usage: return "cannot be done as asked";
    case OutcomeKind::Failed: return "the program ended before the command was done";
  }
  return "";
}

}  // namespace

const char* OutcomeName(OutcomeKind kind) {
  switch (kind) {
    case OutcomeKind::Ok: return "ok";
    case OutcomeKind::NoCard: return "no-card";
    case OutcomeKind::Refused: return "refused";
    case OutcomeKind::Removed: return "removed";
    case OutcomeKind::TimedOut: return "timed-out";
    case OutcomeKind::AccessDenied: return "access-denied";
    case OutcomeKind::Interrupted: return "interrupted";
    case OutcomeKind::Usage: return "usage";
    case OutcomeKind::Failed: return "failed";
  }
  return "";
}

CommandFrontend::CommandFrontend(platform::Display& display, platform::WindowSystem& windows, CommandRequest request,
                                 CardFacts facts, Streams streams, ExitCodes exitCodes)
    : display_(display),
      loop_(windows.loop()),
      userInput_(display, windows),
      request_(std::move(request)),
      facts_(std::move(facts)),
      exitCodes_(std::move(exitCodes)),
      // Whoever read the output has gone (or the disk is full): nothing more
      // can be told, so the run ends the way Ctrl+C ends it.
      output_(streams, request_.json, [this] { later([this] { closeRequested(); }); }),
      prompt_(streams.answerFd, request_.passwordFd, streams.progress, signalled_),
      pacer_(loop_),
      command_(MakeCommand(request_)) {
  display_.addObserver(*this);
}

CommandFrontend::~CommandFrontend() { display_.removeObserver(*this); }

void CommandFrontend::start() {
  if (loop_.clock().isManual()) pacer_.start();
}

bool CommandFrontend::signalled(int) {
  closeRequested();
  return true;
}

void CommandFrontend::cardRemoved() { removed_ = true; }

void CommandFrontend::activeFormChanged(const platform::Form* form) {
  if (form == nullptr || outcome_) return;
  if (!begun_) {
    if (form->number() != command_->firstScreen()) return;
    begun_ = true;
    command_->begin(*this, *form);
    return;
  }
  command_->screenShown(*this, *form);
}

void CommandFrontend::controlChanged(const platform::Form& form, const platform::Control& control,
                                     platform::ControlProperty property) {
  if (!begun_ && form.number() == resources::screens::kStart &&
      control.id() == resources::controls::start::kStatusText && property == platform::ControlProperty::Text) {
    if (control.textId() == resources::strings::updating::kInProgress) facts_.updateWasRunning = true;
    facts_.startStatus = platform::ToUtf8(control.text());
  }
  if (begun_ && !outcome_) command_->controlChanged(*this, form, control, property);
}

void CommandFrontend::messageBoxOpened(const platform::MessageBoxState& box) {
  if (outcome_) {
    // The command is over; whatever the closing program still says is answered.
    answer(box.buttons == platform::MessageBoxButtons::Ok);
    return;
  }
  if (!begun_) {
    startUpBox(box);
    return;
  }
  if (command_->messageBox(*this, box)) return;
  // A box the command does not expect comes from the fatal path: the program closes by itself.
  Outcome outcome;
  outcome.kind = removed_ ? OutcomeKind::Removed : OutcomeKind::Refused;
  outcome.message = platform::ToUtf8(box.text);
  outcome.close = false;
  report(std::move(outcome));
  answer(true);
}

void CommandFrontend::startUpBox(const platform::MessageBoxState& box) {
  // Every box of the start-up ends the program: the card was not found or not
  // identified, or the update it was still writing failed.
  Outcome outcome;
  outcome.kind = facts_.updateWasRunning ? OutcomeKind::Refused : OutcomeKind::NoCard;
  outcome.message = platform::ToUtf8(box.text);
  outcome.close = false;
  report(std::move(outcome));
  answer(true);
}

void CommandFrontend::later(std::function<void()> task) { loop_.postTask(std::move(task)); }

void CommandFrontend::input(const platform::InputError& error, const std::string& what) {
  if (!error || outcome_) return;
  // The screen did not take the tap it always takes: nothing sensible can follow.
  Outcome outcome;
  outcome.kind = OutcomeKind::Failed;
  outcome.message = what + ": " + *error;
  report(std::move(outcome));
}

void CommandFrontend::click(std::uint16_t controlId) {
  later([this, controlId] { input(userInput_.click(controlId), "click " + std::to_string(controlId)); });
}

void CommandFrontend::type(std::uint16_t controlId, const std::string& text) {
  // What is typed (a password too) is told to nobody but the field.
  later([this, controlId, text = platform::FromUtf8(text)]() mutable {
    input(userInput_.type(controlId, text), "type " + std::to_string(controlId));
    Wipe(text);
  });
}

void CommandFrontend::check(std::uint16_t controlId) {
  later([this, controlId] { input(userInput_.check(controlId), "check " + std::to_string(controlId)); });
}

void CommandFrontend::select(std::uint16_t controlId, int row) {
  later([this, controlId, row] { input(userInput_.select(controlId, row), "select " + std::to_string(controlId)); });
}

void CommandFrontend::answer(bool ok) {
  later([this, ok] { (void)userInput_.answer(ok ? platform::IDOK : platform::IDCANCEL); });
}

void CommandFrontend::report(Outcome outcome) {
  if (outcome_) return;
  const bool close = outcome.close;
  outcome_ = std::move(outcome);
  if (close) {
    later([this] {
      if (closeSent_) return;
      closeSent_ = true;
      userInput_.close();
    });
  }
}

void CommandFrontend::progress(const json& notice, const std::string& text) { output_.progress(notice, text); }

void CommandFrontend::emitLine(const json& result, const std::string& text) { output_.line(result, text); }

void CommandFrontend::closeRequested() {
  interrupted_ = true;
  if (closeSent_) return;
  closeSent_ = true;
  userInput_.close();
}

void CommandFrontend::after(std::chrono::seconds delay, std::function<void()> then) {
  loop_.addRealTimeAlarm(std::chrono::steady_clock::now() + delay, [this, then = std::move(then)] {
    if (!outcome_ && !closeSent_) then();
  });
}

json CommandFrontend::Result(const Outcome& outcome, int exitCode) const {
  json result = {{"command", CommandName(request_.kind)},
                 {"ok", outcome.kind == OutcomeKind::Ok},
                 {"result", OutcomeName(outcome.kind)},
                 {"exitCode", exitCode}};
  if (!outcome.message.empty()) result["message"] = outcome.message;
  for (const auto& [key, value] : outcome.fields.items()) result[key] = value;
  return result;
}

int CommandFrontend::finish(int programExitCode) {
  pacer_.stop();
  output_.close();
  if (!outcome_) {
    Outcome outcome;
    if (interrupted_) {
      // signal --watch runs until it is stopped; that is its normal end.
      outcome.kind = request_.watchSeconds ? OutcomeKind::Ok : OutcomeKind::Interrupted;
    } else if (programExitCode != 0) {
      outcome.kind = OutcomeKind::Failed;
    } else {
      outcome.kind = begun_ ? OutcomeKind::Failed : OutcomeKind::NoCard;
    }
    outcome_ = std::move(outcome);
  }
  const int exitCode = exitCodes_(outcome_->kind, programExitCode);
  // signal --watch has printed each result as it came.
  if (request_.watchSeconds && outcome_->kind == OutcomeKind::Ok) return exitCode;
  const bool failure = outcome_->kind != OutcomeKind::Ok;
  if (request_.json) {
    output_.line(Result(*outcome_, exitCode), {});
  } else if (!failure) {
    if (!outcome_->text.empty()) output_.line({}, outcome_->text);
  }
  if (failure && !request_.json && !output_.failed()) {
    std::string line = std::string("p42r ") + CommandName(request_.kind) + ": " + Describe(outcome_->kind);
    if (!outcome_->message.empty()) line += ": " + outcome_->message;
    output_.note(line);
  }
  return exitCode;
}

}  // namespace p42r::frontends
