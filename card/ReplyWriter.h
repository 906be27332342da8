// Everything the card sends goes through here, framed as a modem in verbose
// mode frames it: each line as CR LF, the line, CR LF; echoed command bytes
// go out unframed, exactly as they came. Lines may be sent now or after a
// delay on the card's clock. Once muted (a hung or unplugged card) nothing
// more goes out, whatever was scheduled.
#pragma once

#include "card/Scheduler.h"

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace p42r::card {

class ReplyWriter {
public:
  explicit ReplyWriter(Scheduler& scheduler) : scheduler_(scheduler) {}

  static std::string frame(std::string_view line);

  void echo(char byte);
  void line(std::string_view text);
  // Bytes that go out as they are (unsolicited noise).
  void raw(std::string_view bytes);
  // How each line is framed from now on (a hostile card adds to it); empty: frame().
  void setFraming(std::function<std::string(std::string_view)> framing) { framing_ = std::move(framing); }
  // The lines now when `delay` is zero, otherwise together after `delay`.
  void lines(std::vector<std::string> texts, std::chrono::milliseconds delay);

  void mute() { muted_ = true; }
  bool muted() const { return muted_; }

  // The bytes produced since the last call.
  std::string take();

private:
  Scheduler& scheduler_;
  std::string output_;
  std::function<std::string(std::string_view)> framing_;
  bool muted_ = false;
};

}  // namespace p42r::card
