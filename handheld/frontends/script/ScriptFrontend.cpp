#include "frontends/script/ScriptFrontend.h"

#include <charconv>
#include <map>
#include <sstream>
#include <vector>

#include "frontends/script/ScriptJson.h"
#include "platform/Form.h"
#include "platform/TextConversion.h"
#include "resources/ScreenIds.h"

namespace p42r::frontends {

using json = nlohmann::ordered_json;

namespace {

constexpr long kDefaultWaitMs = 10000;

// What each command takes: the reply to a known command whose arguments are wrong.
const std::map<std::string, std::string, std::less<>> kUsage = {
    {"dump", "dump takes nothing"},
    {"click", "click takes a control id"},
    {"type", "type takes a control id and a text"},
    {"check", "check takes a control id"},
    {"select", "select takes a control id and a row"},
    {"key", "key takes a control id and up, down, return or a virtual-key number"},
    {"focus", "focus takes a control id"},
    {"answer", "answer takes ok or cancel"},
    {"command", "command takes a command id"},
    {"wait", "wait takes screen N, msgbox or exit, and a time in milliseconds"},
    {"advance", "advance takes a number of milliseconds"},
    {"watch", "watch takes on or off"},
    {"close", "close takes nothing"},
};

const std::string& Usage(std::string_view command) { return kUsage.find(command)->second; }

std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  std::istringstream stream(line);
  for (std::string word; stream >> word;) words.push_back(word);
  return words;
}

template <typename Number>
std::optional<Number> ParseNumber(const std::string& text) {
  Number value{};
  const auto* end = text.data() + text.size();
  const auto [next, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || next != end) return std::nullopt;
  return value;
}

std::optional<std::uint16_t> ParseControlId(const std::string& text) { return ParseNumber<std::uint16_t>(text); }

// The text after the command and its first `skip` words, one blank each.
std::string RestAfter(const std::string& line, std::size_t skip) {
  std::size_t position = 0;
  for (std::size_t i = 0; i <= skip; ++i) {
    position = line.find(' ', position);
    if (position == std::string::npos) return {};
    ++position;
  }
  return line.substr(position);
}

}  // namespace

ScriptFrontend::ScriptFrontend(platform::Display& display, platform::WindowSystem& windows, std::FILE* output,
                               int inputFd)
    : display_(display), windows_(windows), loop_(windows.loop()), input_(display, windows), output_(output) {
  display_.addObserver(*this);
  reader_ = std::make_unique<LineReader>(
      inputFd,
      [this](std::optional<std::string> line) {
        loop_.postTask([this, line = std::move(line)]() mutable { receive(std::move(line)); });
      },
      [this] { loop_.postTask([this] { endOfInput(); }); });
}

ScriptFrontend::~ScriptFrontend() {
  reader_->stop();
  display_.removeObserver(*this);
}

void ScriptFrontend::start() { reader_->start(); }

int ScriptFrontend::finish(int exitCode) {
  if (finished_) return exitCode;
  finished_ = true;
  reader_->stop();
  if (pending_) {
    if (pending_->alarm) loop_.cancelRealTimeAlarm(*pending_->alarm);
    const bool waitedForExit = pending_->kind == WaitKind::Exit;
    pending_.reset();
    if (waitedForExit) {
      reply();
    } else {
      replyError("the program ended");
    }
  }
  emit({{"event", "exit"}, {"code", exitCode}});
  return exitCode;
}

void ScriptFrontend::receive(std::optional<std::string> line) {
  if (finished_) return;
  queue_.push_back(std::move(line));
  pump();
}

void ScriptFrontend::endOfInput() {
  // The end of the input is the close request, once the commands before it are done.
  if (finished_) return;
  inputEnded_ = true;
  pump();
}

void ScriptFrontend::pump() {
  while (!pending_ && !queue_.empty() && !finished_) {
    const std::optional<std::string> line = std::move(queue_.front());
    queue_.pop_front();
    if (line) {
      execute(*line);
    } else {
      replyError("line longer than " + std::to_string(LineReader::kLongestLine) + " bytes: not read as a command");
    }
  }
  if (inputEnded_ && !pending_ && queue_.empty() && !finished_ && !closeSent_) {
    closeSent_ = true;
    input_.close();
  }
}

void ScriptFrontend::scheduleResume() {
  // Go on with the next commands from the loop, not from inside whatever
  // screen code just resolved the wait.
  if (resumeScheduled_) return;
  resumeScheduled_ = true;
  loop_.postTask([this] {
    resumeScheduled_ = false;
    pump();
  });
}

void ScriptFrontend::execute(const std::string& line) {
  const auto words = Words(line);
  if (words.empty()) {
    replyError("empty command");
    return;
  }
  const std::string& command = words[0];
  const auto argument = [&](std::size_t i) -> std::string { return i < words.size() ? words[i] : std::string(); };

  if (command == "dump" && words.size() == 1) {
    reply(dump());
  } else if (command == "click" && words.size() == 2) {
    const auto id = ParseControlId(argument(1));
    if (!id) return replyError(Usage("click"));
    replyInput(input_.click(*id));
  } else if (command == "type" && words.size() >= 2) {
    const auto id = ParseControlId(argument(1));
    if (!id) return replyError(Usage("type"));
    replyInput(input_.type(*id, platform::FromUtf8(RestAfter(line, 1))));
  } else if (command == "check" && words.size() == 2) {
    const auto id = ParseControlId(argument(1));
    if (!id) return replyError(Usage("check"));
    replyInput(input_.check(*id));
  } else if (command == "select" && words.size() == 3) {
    const auto id = ParseControlId(argument(1));
    const auto row = ParseNumber<int>(argument(2));
    if (!id || !row) return replyError(Usage("select"));
    replyInput(input_.select(*id, *row));
  } else if (command == "key" && words.size() == 3) {
    const auto id = ParseControlId(argument(1));
    std::optional<std::uint32_t> key;
    if (argument(2) == "up") key = platform::VK_UP;
    else if (argument(2) == "down") key = platform::VK_DOWN;
    else if (argument(2) == "return") key = platform::VK_RETURN;
    else key = ParseNumber<std::uint32_t>(argument(2));
    if (!id || !key) return replyError(Usage("key"));
    replyInput(input_.key(*id, *key));
  } else if (command == "focus" && words.size() == 2) {
    const auto id = ParseControlId(argument(1));
    if (!id) return replyError(Usage("focus"));
    replyInput(input_.focus(*id));
  } else if (command == "answer" && words.size() == 2 && (argument(1) == "ok" || argument(1) == "cancel")) {
    const int result = argument(1) == "ok" ? platform::IDOK : platform::IDCANCEL;
    if (display_.openMessageBoxes().empty() && !display_.openDialogs().empty()) {
      display_.endDialog(*display_.openDialogs().back(), result);
      reply();
    } else {
      replyInput(input_.answer(result));
    }
  } else if (command == "command" && words.size() == 2) {
    const auto id = ParseControlId(argument(1));
    if (!id) return replyError(Usage("command"));
    replyInput(input_.frameCommand(*id));
  } else if (command == "wait" && words.size() >= 2) {
    const std::string what = argument(1);
    const std::size_t msIndex = what == "screen" ? 3 : 2;
    if ((what != "screen" && what != "msgbox" && what != "exit") || words.size() > msIndex + 1 ||
        (what == "screen" && words.size() < 3)) {
      return replyError(Usage("wait"));
    }
    int screen = -1;
    if (what == "screen") {
      // A screen that does not exist would only be waited for until the time runs out.
      const auto number = ParseNumber<int>(argument(2));
      if (!number || *number < 0 || *number > resources::screens::kLast) {
        return replyError("wait screen takes a screen number from 0 to " + std::to_string(resources::screens::kLast));
      }
      screen = *number;
    }
    long ms = kDefaultWaitMs;
    if (words.size() > msIndex) {
      const auto parsed = ParseNumber<long>(argument(msIndex));
      if (!parsed || *parsed < 0) return replyError("the wait's time is a number of milliseconds");
      ms = *parsed;
    }
    const WaitKind kind = what == "screen" ? WaitKind::Screen : what == "msgbox" ? WaitKind::MessageBox : WaitKind::Exit;
    startWait(kind, screen, ms);
  } else if (command == "advance" && words.size() == 2) {
    const auto ms = ParseNumber<long>(argument(1));
    if (!ms || *ms < 0) return replyError(Usage("advance"));
    if (!loop_.clock().isManual()) return replyError("advance needs the virtual clock (--virtual-clock)");
    pending_ = Pending{WaitKind::Advance, -1, std::nullopt};
    loop_.advance(platform::Duration(*ms), [this] { resolve(json::object()); });
  } else if (command == "watch" && words.size() == 2 && (argument(1) == "on" || argument(1) == "off")) {
    watching_ = argument(1) == "on";
    reply();
  } else if (command == "close" && words.size() == 1) {
    reply();
    input_.close();
  } else if (kUsage.contains(command)) {
    replyError(Usage(command));
  } else {
    replyError("unknown command: " + line);
  }
}

void ScriptFrontend::startWait(WaitKind kind, int screen, long milliseconds) {
  const platform::Form* active = display_.activeForm();
  if (kind == WaitKind::Screen && active != nullptr && active->number() == screen) {
    reply({{"screen", screen}});
    return;
  }
  if (kind == WaitKind::MessageBox && !display_.openMessageBoxes().empty()) {
    reply({{"msgbox", MessageBoxJson(*display_.openMessageBoxes().back())}});
    return;
  }
  pending_ = Pending{kind, screen, std::nullopt};
  pending_->alarm = loop_.addRealTimeAlarm(
      std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds), [this] {
        if (!pending_) return;
        pending_->alarm.reset();
        pending_.reset();
        replyError("timed out");
        scheduleResume();
      });
}

void ScriptFrontend::resolve(json fields) {
  if (!pending_) return;
  if (pending_->alarm) loop_.cancelRealTimeAlarm(*pending_->alarm);
  pending_.reset();
  reply(std::move(fields));
  scheduleResume();
}

json ScriptFrontend::dump() const {
  json result = json::object();
  const platform::Form* active = display_.activeForm();
  result["screen"] = active ? active->number() : -1;
  result["class"] = active ? active->className() : std::string();
  result["title"] = platform::ToUtf8(display_.title());
  result["cursor"] = display_.waitCursor() ? "wait" : "arrow";
  result["msgbox"] = display_.openMessageBoxes().empty() ? json(nullptr)
                                                         : MessageBoxJson(*display_.openMessageBoxes().back());
  const platform::Form* shown = active;
  if (!display_.openDialogs().empty()) {
    shown = display_.openDialogs().back();
    result["dialog"] = {{"template", shown->templateId()}, {"class", shown->className()}};
  } else {
    result["dialog"] = nullptr;
  }
  json controls = json::array();
  if (shown != nullptr) {
    for (const auto& control : shown->controls()) controls.push_back(ControlJson(*shown, *control));
  }
  result["controls"] = std::move(controls);
  return result;
}

void ScriptFrontend::titleChanged(const std::u16string& title) {
  emit({{"event", "title"}, {"text", platform::ToUtf8(title)}});
}

void ScriptFrontend::activeFormChanged(const platform::Form* form) {
  if (form == nullptr) return;
  emit({{"event", "screen"}, {"screen", form->number()}, {"class", form->className()}});
  if (pending_ && pending_->kind == WaitKind::Screen && pending_->screen == form->number()) {
    resolve({{"screen", form->number()}});
  }
}

void ScriptFrontend::controlChanged(const platform::Form& form, const platform::Control& control,
                                    platform::ControlProperty property) {
  if (!watching_) return;
  emit({{"event", "control"},
        {"screen", form.number()},
        {"id", control.id()},
        {"property", platform::ControlPropertyName(property)},
        {"value", PropertyValue(control, property)}});
}

void ScriptFrontend::messageBoxOpened(const platform::MessageBoxState& box) {
  json event = MessageBoxJson(box);
  event["event"] = "msgbox";
  emit(event);
  if (pending_ && pending_->kind == WaitKind::MessageBox) resolve({{"msgbox", MessageBoxJson(box)}});
}

void ScriptFrontend::dialogOpened(const platform::Form& dialog) {
  emit({{"event", "dialog"}, {"template", dialog.templateId()}, {"class", dialog.className()}});
}

void ScriptFrontend::dialogClosed(const platform::Form& dialog) {
  emit({{"event", "dialog-closed"}, {"template", dialog.templateId()}});
}

void ScriptFrontend::reply(json fields) {
  json value = {{"reply", "ok"}};
  for (auto& [key, item] : fields.items()) value[key] = item;
  emit(value);
}

void ScriptFrontend::replyError(const std::string& message) { emit({{"reply", "error"}, {"message", message}}); }

void ScriptFrontend::replyInput(const platform::InputError& error) {
  if (error) {
    replyError(*error);
  } else {
    reply();
  }
}

void ScriptFrontend::emit(const json& value) {
  const std::string line = Serialise(value) + "\n";
  std::fwrite(line.data(), 1, line.size(), output_);
  if (std::fflush(output_) == 0 && std::ferror(output_) == 0) return;
  // The driver stopped reading (or the disk is full): it can hear nothing
  // more, so the run ends as when its input ends.
  if (outputFailed_) return;
  outputFailed_ = true;
  loop_.postTask([this] {
    if (finished_ || closeSent_) return;
    closeSent_ = true;
    input_.close();
  });
}

}  // namespace p42r::frontends
