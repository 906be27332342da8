// One handler per command of the card's vocabulary, and per request kind of
// "AT&OP=". Each handler reads or changes the card state and answers through
// the reply writer; none of them knows about bytes, echo or ports.
#pragma once

#include "card/CardState.h"
#include "card/ReplyWriter.h"
#include "card/Scenario.h"
#include "card/UpdateRun.h"

#include <string>
#include <string_view>
#include <vector>

namespace p42r::card {

// A command line split for dispatch: "AT@ALDW=1,example.jp" has the name
// "AT@ALDW=" and the parameters "1,example.jp". Names are upper case; the
// parameters keep their letters as sent.
struct Command {
  std::string text;
  std::string name;
  std::string parameters;

  static Command split(std::string_view text);
};

class CommandHandlers {
public:
  CommandHandlers(const Scenario& scenario, CardState& state, ReplyWriter& writer, UpdateRun& update)
      : scenario_(scenario), state_(state), writer_(writer), update_(update) {}

  // Answers `command`; false when the card has no such command.
  bool handle(const Command& command);

private:
  using Handler = void (CommandHandlers::*)(const Command&);
  struct Entry {
    std::string_view name;
    Handler handler;
  };
  static const std::vector<Entry>& table();

  void attention(const Command& command);
  void echoOff(const Command& command);
  void echoOn(const Command& command);
  void manufacturer(const Command& command);
  void model(const Command& command);
  void identification(const Command& command);
  void updateStart(const Command& command);
  void updateEnd(const Command& command);
  void receptionState(const Command& command);
  void ledSet(const Command& command);
  void domainRead(const Command& command);
  void domainWrite(const Command& command);
  void domainDelete(const Command& command);
  void connectionResult(const Command& command);
  void memoryWrite(const Command& command);
  void applicationOperation(const Command& command);

  // The request kinds of "AT&OP=".
  void applicationList();
  void applicationName(ApplicationState& application);
  void applicationStart(ApplicationState& application);
  void applicationStop(ApplicationState& application);

  ApplicationState* findApplication(std::string_view code);
  const ApplicationEntry* findApplicationEntry(std::string_view code) const;
  void applyEffect(ApplicationState& application, const ApplicationEffect& effect);

  void reply(std::vector<std::string> lines);
  void replyWithData(const std::vector<std::string>& data);
  void refuse();

  const Scenario& scenario_;
  CardState& state_;
  ReplyWriter& writer_;
  UpdateRun& update_;
};

}  // namespace p42r::card
