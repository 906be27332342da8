// A pseudo-terminal that stands in for the card's serial port. The card keeps
// the master, and also holds the slave open (set raw, 115200 baud) so the
// line does not hang up before the handheld opens the slave by its path.
// Closing it is pulling the card out: the handheld's reads then fail.
#pragma once

#include <string>

namespace p42r::card {

class PseudoTerminal {
public:
  // Throws CardError (system failure) naming the call that failed.
  static PseudoTerminal open();

  PseudoTerminal() = default;
  ~PseudoTerminal();
  PseudoTerminal(PseudoTerminal&& other) noexcept;
  PseudoTerminal& operator=(PseudoTerminal&& other) noexcept;
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  bool isOpen() const { return master_ >= 0; }
  int master() const { return master_; }  // non-blocking
  const std::string& slavePath() const { return slavePath_; }

  void close();

private:
  int master_ = -1;
  int slave_ = -1;
  std::string slavePath_;
};

}  // namespace p42r::card
