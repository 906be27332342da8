#include "frontends/commands/CommandFrontend.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>

#include "frontends/commands/PasswordInput.h"
#include "frontends/commands/TerminalSafe.h"
#include "platform/EventLoop.h"
#include "platform/TextConversion.h"
#include "resources/ScreenIds.h"
#include "resources/StringIds.h"

namespace p42r::frontends {

using json = nlohmann::ordered_json;

namespace {

// Virtual time moves once the program has been quiet this long in real time:
// long enough for the card's answer to cross its pseudo-terminal.
constexpr std::chrono::milliseconds kQuietPeriod{100};
constexpr std::chrono::milliseconds kLongestStep{600000};

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
      windows_(windows),
      loop_(windows.loop()),
      userInput_(display, windows),
      request_(std::move(request)),
      facts_(std::move(facts)),
      streams_(streams),
      exitCodes_(std::move(exitCodes)),
      command_(MakeCommand(request_)) {
  display_.addObserver(*this);
}

CommandFrontend::~CommandFrontend() { display_.removeObserver(*this); }

void CommandFrontend::start() {
  watchSignals();
  if (loop_.clock().isManual()) scheduleTimeStep();
}

void CommandFrontend::cardRemoved() { removed_ = true; }

void CommandFrontend::activeFormChanged(const platform::Form* form) {
  ++activity_;
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
  // The update's animation draws on and on; only what a screen decides counts as activity.
  if (property != platform::ControlProperty::Picture) ++activity_;
  if (!begun_ && form.number() == resources::screens::kStart &&
      control.id() == resources::controls::start::kStatusText && property == platform::ControlProperty::Text) {
    if (control.textId() == resources::strings::updating::kInProgress) facts_.updateWasRunning = true;
    facts_.startStatus = platform::ToUtf8(control.text());
  }
  if (begun_ && !outcome_) command_->controlChanged(*this, form, control, property);
}

void CommandFrontend::messageBoxOpened(const platform::MessageBoxState& box) {
  ++activity_;
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

void CommandFrontend::progress(const json& notice, const std::string& text) {
  if (request_.json) {
    const std::string line = notice.dump() + "\n";
    std::fputs(line.c_str(), streams_.output);
    flushOutput();
    return;
  }
  if (::isatty(::fileno(streams_.progress)) == 0) {
    std::fprintf(streams_.progress, "%s\n", TerminalSafe(text).c_str());
  } else {
    // One line that redraws itself, cleared to its end.
    std::fprintf(streams_.progress, "\r\033[K%s", TerminalSafe(text).c_str());
    progressOnLine_ = true;
  }
  std::fflush(streams_.progress);
}

void CommandFrontend::emitLine(const json& result, const std::string& text) {
  // JSON escapes what it carries; text goes to a terminal as it is.
  const std::string line = request_.json ? json(result).dump() : TerminalSafe(text);
  std::fprintf(streams_.output, "%s\n", line.c_str());
  flushOutput();
}

void CommandFrontend::flushOutput() {
  if (std::fflush(streams_.output) == 0 && std::ferror(streams_.output) == 0) return;
  // Whoever read the output has gone (or the disk is full): nothing more can
  // be told, so the run ends the way Ctrl+C ends it.
  if (outputFailed_) return;
  outputFailed_ = true;
  later([this] { closeRequested(); });
}

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

std::optional<std::string> CommandFrontend::readLine(int fd, std::size_t limit) {
  // Read here, on the user-interface thread, which waits for it as a
  // person's program would; Ctrl+C meanwhile ends the wait. One byte at a
  // time, so nothing after the line is taken from the descriptor. The
  // buffer never grows past limit + 1 (a password is never copied by a
  // reallocation), and what it held is wiped when nothing is returned.
  std::string line;
  if (limit < 4096) line.reserve(limit + 1);
  for (char c = 0; c != '\n';) {
    pollfd wanted{fd, POLLIN, 0};
    if (signalled_) {
      Wipe(line);
      return std::nullopt;
    }
    if (::poll(&wanted, 1, 100) <= 0) continue;
    if (::read(fd, &c, 1) != 1) {
      if (!line.empty()) break;
      return std::nullopt;
    }
    if (c != '\n' && line.size() <= limit) line += c;
  }
  if (!line.empty() && line.back() == '\r' && line.size() <= limit) line.pop_back();
  return line;
}

std::optional<bool> CommandFrontend::ask(const std::string& question) {
  if (streams_.answerFd < 0) return std::nullopt;
  std::fprintf(streams_.progress, "%s [y/N] ", question.c_str());
  std::fflush(streams_.progress);
  const auto reply = readLine(streams_.answerFd);
  return reply == "y" || reply == "Y" || reply == "yes";
}

std::optional<std::string> CommandFrontend::secret(const std::string& prompt) {
  KeepOutOfCoreDumps();
  const int fd = request_.passwordFd ? *request_.passwordFd : streams_.answerFd;
  if (fd < 0) return std::nullopt;
  termios saved{};
  bool quiet = false;
  if (!request_.passwordFd) {
    std::fprintf(streams_.progress, "%s", prompt.c_str());
    std::fflush(streams_.progress);
    quiet = ::tcgetattr(fd, &saved) == 0;
    if (quiet) {
      termios noEcho = saved;
      noEcho.c_lflag &= ~static_cast<tcflag_t>(ECHO);
      ::tcsetattr(fd, TCSAFLUSH, &noEcho);
    }
  }
  // A signal that ends the wait (Ctrl+C, Ctrl+\, hang-up, kill) ends
  // readLine too, so the echo always comes back.
  auto line = readLine(fd, kLongestPasswordLine);
  if (quiet) ::tcsetattr(fd, TCSAFLUSH, &saved);
  if (!request_.passwordFd) std::fputc('\n', streams_.progress);
  if (line && line->size() > kLongestPasswordLine) {
    Wipe(*line);
    std::fprintf(streams_.progress, "p42r: a password line is longer than %zu bytes; it was not used\n",
                 kLongestPasswordLine);
    return std::nullopt;
  }
  return line;
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
  finished_ = true;
  signalWatcher_ = {};
  signals_.reset();
  if (progressOnLine_) std::fputc('\n', streams_.progress);
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
    emitLine(Result(*outcome_, exitCode), {});
  } else if (!failure) {
    if (!outcome_->text.empty()) emitLine({}, outcome_->text);
  }
  if (failure && !request_.json && !outputFailed_) {
    std::string line = std::string("p42r ") + CommandName(request_.kind) + ": " + Describe(outcome_->kind);
    if (!outcome_->message.empty()) line += ": " + outcome_->message;
    std::fprintf(streams_.progress, "%s\n", TerminalSafe(line).c_str());
  }
  std::fflush(streams_.output);
  return exitCode;
}

void CommandFrontend::scheduleTimeStep() {
  loop_.addRealTimeAlarm(std::chrono::steady_clock::now() + kQuietPeriod, [this] { timeStep(); });
}

void CommandFrontend::timeStep() {
  if (finished_ || advancing_) return;
  if (activity_ != activitySeen_ || loop_.hasPosted()) {
    // Something happened: look again once it has settled, from a small step.
    activitySeen_ = activity_;
    timeStep_ = std::chrono::milliseconds(1000);
    scheduleTimeStep();
    return;
  }
  // The step never jumps onto the program's next timer in one go: the card's
  // own delays that fall before it get their quiet period to be heard first.
  std::chrono::milliseconds step = timeStep_;
  if (const auto due = loop_.nextTimerDue()) {
    const auto gap = std::chrono::duration_cast<std::chrono::milliseconds>(*due - loop_.clock().now());
    const auto one = std::chrono::milliseconds(1);
    step = gap > one ? std::min(step, gap - one) : std::max(gap, one);
  }
  timeStep_ = std::min(timeStep_ * 2, kLongestStep);
  advancing_ = true;
  loop_.advance(step, [this] {
    advancing_ = false;
    scheduleTimeStep();
  });
}

void CommandFrontend::watchSignals() {
  // Ctrl+C, the terminal's close or a polite kill is the close request, so
  // the screens' own close handling runs and the run ends with its report.
  signals_ = std::make_unique<tui::SignalRelay>(std::initializer_list<int>{SIGINT, SIGTERM, SIGHUP, SIGQUIT});
  signalWatcher_ = std::jthread([this](std::stop_token stop) {
    while (!stop.stop_requested()) {
      pollfd wanted{signals_->fd(), POLLIN, 0};
      if (::poll(&wanted, 1, 100) <= 0) continue;
      if (signals_->read().empty()) continue;
      signalled_ = true;
      loop_.postTask([this] { closeRequested(); });
    }
  });
}

}  // namespace p42r::frontends
