#include "card/CommandHandlers.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace p42r::card {

namespace {

std::string upper(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return result;
}

// "1" to "3", exactly; nothing else names a slot.
std::optional<std::size_t> slotIndex(std::string_view text) {
  if (text.size() != 1 || text[0] < '1' || text[0] > '0' + static_cast<int>(CardState::kDomainSlots)) {
    return std::nullopt;
  }
  return static_cast<std::size_t>(text[0] - '1');
}

bool isHexText(std::string_view text) {
  return !text.empty() && text.size() % 2 == 0 &&
         std::all_of(text.begin(), text.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

}  // namespace

Command Command::split(std::string_view text) {
  Command command;
  command.text = std::string(text);
  const std::size_t equals = text.find('=');
  if (equals == std::string_view::npos) {
    command.name = upper(text);
  } else {
    command.name = upper(text.substr(0, equals + 1));
    command.parameters = std::string(text.substr(equals + 1));
  }
  return command;
}

const std::vector<CommandHandlers::Entry>& CommandHandlers::table() {
  static const std::vector<Entry> entries = {
      {"AT", &CommandHandlers::attention},
      {"ATE", &CommandHandlers::echoOff},
      {"ATE0", &CommandHandlers::echoOff},
      {"ATE1", &CommandHandlers::echoOn},
      {"AT+GMI", &CommandHandlers::manufacturer},
      {"AT+GMM", &CommandHandlers::model},
      {"ATI1", &CommandHandlers::identification},
      {"AT@KUPSTART", &CommandHandlers::updateStart},
      {"AT@KUPEND", &CommandHandlers::updateEnd},
      {"AT@HYBRRSSI?", &CommandHandlers::receptionState},
      {"AT@LEDSET=", &CommandHandlers::ledSet},
      {"AT@ALDR=", &CommandHandlers::domainRead},
      {"AT@ALDW=", &CommandHandlers::domainWrite},
      {"AT@ALDD=", &CommandHandlers::domainDelete},
      {"AT@CNLTRT", &CommandHandlers::connectionResult},
      {"AT@DMRW=", &CommandHandlers::memoryWrite},
      {"AT&OP=", &CommandHandlers::applicationOperation},
  };
  return entries;
}

bool CommandHandlers::handle(const Command& command) {
  for (const Entry& entry : table()) {
    if (entry.name == command.name) {
      (this->*entry.handler)(command);
      return true;
    }
  }
  return false;
}

void CommandHandlers::reply(std::vector<std::string> lines) { writer_.lines(std::move(lines), scenario_.replyDelay); }

void CommandHandlers::replyWithData(const std::vector<std::string>& data) {
  std::vector<std::string> lines = data;
  lines.emplace_back("OK");
  reply(std::move(lines));
}

void CommandHandlers::refuse() { reply({"ERROR"}); }

void CommandHandlers::attention(const Command&) { reply({"OK"}); }

void CommandHandlers::echoOff(const Command&) {
  if (scenario_.echoOffWorks) {
    state_.echo = false;
  }
  reply({"OK"});
}

void CommandHandlers::echoOn(const Command&) {
  state_.echo = true;
  reply({"OK"});
}

void CommandHandlers::manufacturer(const Command&) { replyWithData(scenario_.maker); }

void CommandHandlers::model(const Command&) { replyWithData({scenario_.model}); }

void CommandHandlers::identification(const Command&) { replyWithData(scenario_.identification); }

void CommandHandlers::updateStart(const Command&) {
  const bool applicationRunning = std::any_of(state_.applications.begin(), state_.applications.end(),
                                              [](const ApplicationState& application) { return application.state == 1; });
  if (scenario_.update.refuseWhenApplicationRunning && applicationRunning) {
    reply({"ERROR", "KUPRUNNING"});
    return;
  }
  // No immediate "OK": for this command "OK" is the final result.
  update_.start();
}

void CommandHandlers::updateEnd(const Command&) {
  if (!scenario_.update.acceptEnd) {
    refuse();
    return;
  }
  update_.stop();
  reply({"OK"});
}

void CommandHandlers::receptionState(const Command&) { replyWithData(scenario_.reception); }

void CommandHandlers::ledSet(const Command& command) {
  if (command.parameters == "1") {
    state_.ledOn = true;
  } else if (command.parameters == "0") {
    state_.ledOn = false;
  } else {
    refuse();
    return;
  }
  reply({"OK"});
}

void CommandHandlers::domainRead(const Command& command) {
  const auto slot = slotIndex(command.parameters);
  if (!slot) {
    refuse();
    return;
  }
  const std::string& domain = state_.domainSlots[*slot];
  replyWithData(domain.empty() ? std::vector<std::string>{} : std::vector<std::string>{domain});
}

void CommandHandlers::domainWrite(const Command& command) {
  const std::size_t comma = command.parameters.find(',');
  if (comma == std::string::npos) {
    refuse();
    return;
  }
  const auto slot = slotIndex(std::string_view(command.parameters).substr(0, comma));
  const std::string domain = command.parameters.substr(comma + 1);
  if (!slot || domain.empty()) {
    refuse();
    return;
  }
  state_.domainSlots[*slot] = domain;
  reply({"OK"});
}

void CommandHandlers::domainDelete(const Command& command) {
  const auto slot = slotIndex(command.parameters);
  if (!slot) {
    refuse();
    return;
  }
  state_.domainSlots[*slot].clear();
  reply({"OK"});
}

void CommandHandlers::connectionResult(const Command&) { replyWithData(scenario_.connectionResult); }

void CommandHandlers::memoryWrite(const Command& command) {
  const std::size_t comma = command.parameters.find(',');
  if (comma == std::string::npos || !isHexText(std::string_view(command.parameters).substr(0, comma))) {
    refuse();
    return;
  }
  state_.memoryWrites.push_back({command.parameters.substr(0, comma), command.parameters.substr(comma + 1)});
  reply({"OK"});
}

void CommandHandlers::applicationOperation(const Command& command) {
  if (upper(command.parameters) == "APP?") {
    applicationList();
    return;
  }
  const std::size_t comma = command.parameters.rfind(',');
  if (comma == std::string::npos) {
    refuse();
    return;
  }
  ApplicationState* application = findApplication(std::string_view(command.parameters).substr(0, comma));
  const std::string kind = command.parameters.substr(comma + 1);
  if (application == nullptr) {
    refuse();
  } else if (kind == "6") {
    applicationName(*application);
  } else if (kind == "1") {
    applicationStart(*application);
  } else if (kind == "2") {
    applicationStop(*application);
  } else {
    refuse();
  }
}

void CommandHandlers::applicationList() {
  std::string line = "APP=";
  for (const ApplicationState& application : state_.applications) {
    line += application.code + "+" + std::to_string(application.state) + "/";
  }
  replyWithData({line});
}

void CommandHandlers::applicationName(ApplicationState& application) { replyWithData({"APP=" + application.name}); }

void CommandHandlers::applicationStart(ApplicationState& application) {
  const ApplicationEntry* entry = findApplicationEntry(application.code);
  applyEffect(application, entry != nullptr ? entry->start : ApplicationEffect{"OK", 1});
}

void CommandHandlers::applicationStop(ApplicationState& application) {
  const ApplicationEntry* entry = findApplicationEntry(application.code);
  applyEffect(application, entry != nullptr ? entry->stop : ApplicationEffect{"OK", 0});
}

void CommandHandlers::applyEffect(ApplicationState& application, const ApplicationEffect& effect) {
  if (effect.state) {
    application.state = *effect.state;
  }
  if (!effect.reply.empty()) {
    reply({effect.reply});
  }
}

ApplicationState* CommandHandlers::findApplication(std::string_view code) {
  for (ApplicationState& application : state_.applications) {
    if (application.code == code) {
      return &application;
    }
  }
  return nullptr;
}

const ApplicationEntry* CommandHandlers::findApplicationEntry(std::string_view code) const {
  for (const ApplicationEntry& entry : scenario_.applications) {
    if (entry.code == code) {
      return &entry;
    }
  }
  return nullptr;
}

}  // namespace p42r::card
