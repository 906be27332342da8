// A hostile card: input nobody meant to send, mixed into what the card says.
// Before a reply line it may put random bytes, a long run of bytes without a
// line feed, a burst of NULs and CRs or an unsolicited notice; it may replace
// the line's text with bytes that are no valid CP932 text, or answer a
// command as if another one had come. Every choice comes from the scenario's
// seed, so the same commands bring the same bytes again.
#pragma once

#include "card/Scenario.h"

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>

namespace p42r::card {

class Hostility {
public:
  explicit Hostility(HostileBehaviour behaviour);

  // Whether it has started (it starts at once unless `from` names a command).
  bool active() const { return active_; }
  // A command arrived; it starts the hostility when it begins with `from`.
  void commandArrived(std::string_view text);

  // The bytes that carry one reply line: the line framed, with whatever the
  // dice add before it or put in its place.
  std::string frameLine(std::string_view line);
  // One burst of unsolicited noise.
  std::string noise();
  // The command to answer instead of `text`, when the dice say so.
  std::optional<std::string> wrongCommand(std::string_view text);

  // Bytes that form no CP932 text (lead bytes without their trail byte,
  // bytes no character starts with), with some ASCII among them.
  std::string invalidText();

private:
  bool roll(int percent);
  std::size_t below(std::size_t bound);
  std::string randomBytes();
  std::string longLine();
  std::string nulCrBurst();
  std::string notice();

  HostileBehaviour behaviour_;
  std::mt19937_64 random_;
  bool active_;
};

}  // namespace p42r::card
