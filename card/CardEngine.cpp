#include "card/CardEngine.h"

#include <cctype>

namespace p42r::card {

bool commandBeginsWith(std::string_view text, std::string_view prefix) {
  if (prefix.empty() || text.size() < prefix.size()) {
    return false;
  }
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(text[i])) != std::toupper(static_cast<unsigned char>(prefix[i]))) {
      return false;
    }
  }
  return true;
}

CardEngine::CardEngine(Scenario scenario, const CardClock& clock)
    : scenario_(std::move(scenario)),
      scheduler_(clock),
      writer_(scheduler_),
      control_(state_, writer_, scheduler_),
      update_(scenario_, state_, writer_, scheduler_, control_),
      handlers_(scenario_, state_, writer_, update_),
      hostility_(scenario_.hostile) {
  state_.echo = scenario_.echo;
  state_.ledOn = scenario_.ledOn;
  state_.domainSlots = scenario_.domains;
  for (const ApplicationEntry& entry : scenario_.applications) {
    state_.applications.push_back({entry.code, entry.name, entry.state});
  }
  state_.writing = scenario_.writing.atStart;
  if (scenario_.silent) {
    control_.hang();
  }
  if (scenario_.hostile.any()) {
    writer_.setFraming([this](std::string_view line) { return hostility_.frameLine(line); });
  }
}

void CardEngine::plugIn() {
  if (pluggedIn_) {
    return;
  }
  pluggedIn_ = true;
  if (scenario_.unplug.after) {
    scheduler_.after(*scenario_.unplug.after, TimerGroup::Unplug, [this] { control_.unplug(); });
  }
  scheduleNoise();
}

void CardEngine::scheduleNoise() {
  if (scenario_.hostile.noiseInterval.count() <= 0) {
    return;
  }
  scheduler_.after(scenario_.hostile.noiseInterval, TimerGroup::Noise, [this] {
    writer_.raw(hostility_.noise());
    scheduleNoise();
  });
}

void CardEngine::runDue() { scheduler_.runDue(); }

void CardEngine::receive(std::string_view bytes) {
  runDue();
  for (const char byte : bytes) {
    if (state_.silent || state_.unplugRequested) {
      return;
    }
    if (byte == '\0') {
      continue;  // swallowed: not part of a command, and not echoed
    }
    if (state_.echo) {
      writer_.echo(byte);
    }
    if (auto line = parser_.feed(byte)) {
      execute(*line);
    }
  }
}

void CardEngine::remember(const std::string& text) {
  state_.commands.push_back(text);
  if (state_.commands.size() > CardState::kCommandHistory) {
    state_.commands.pop_front();
  }
}

const ReplyOverride* CardEngine::findOverride(std::string_view text) const {
  const ReplyOverride* best = nullptr;
  for (const ReplyOverride& entry : scenario_.replies) {
    if (commandBeginsWith(text, entry.command) && (best == nullptr || entry.command.size() > best->command.size())) {
      best = &entry;
    }
  }
  return best;
}

void CardEngine::execute(const CommandLine& line) {
  if (line.kind == LineKind::Noise) {
    return;
  }
  if (line.kind == LineKind::TooLong) {
    writer_.lines({"ERROR"}, scenario_.replyDelay);
    return;
  }
  remember(line.text);
  hostility_.commandArrived(line.text);
  if (commandBeginsWith(line.text, scenario_.unplug.onCommand)) {
    control_.unplug();
    return;
  }
  if (commandBeginsWith(line.text, scenario_.silentFrom)) {
    control_.hang();
    return;
  }
  if (state_.writing) {
    update_.answerWhileWriting();
    return;
  }
  if (const auto other = hostility_.wrongCommand(line.text)) {
    handlers_.handle(Command::split(*other));
    return;
  }
  if (const ReplyOverride* entry = findOverride(line.text)) {
    writer_.lines(entry->lines, scenario_.replyDelay);
    return;
  }
  if (!handlers_.handle(Command::split(line.text))) {
    writer_.lines({"ERROR"}, scenario_.replyDelay);
  }
}

}  // namespace p42r::card
