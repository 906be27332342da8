// Keeps ModemManager off the card's real port for one run. ModemManager
// probes serial ports and, once it has made a modem of the card, polls it
// (AT+CSQ and more) while an update is under way; as root it opens a port
// that p42r made exclusive. So when it manages the device behind the port,
// p42r asks it to leave that device alone (an inhibition) before touching
// the card, and gives the device back when the run ends. ModemManager ends
// the inhibition itself when p42r leaves the bus, so a crash leaves nothing
// behind. Where ModemManager does not run, nothing is asked and nothing
// waits.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/Clock.h"
#include "platform/ModemManager.h"
#include "program/HostPortCheck.h"

namespace p42r::program {

// How long ModemManager may go on probing a port with no modem made of it
// yet before the run gives up on it, and how long it has to let go of a
// port after agreeing to leave its device alone.
inline constexpr platform::Duration kModemManagerProbeLimit{30000};
inline constexpr platform::Duration kModemManagerReleaseLimit{10000};

class ModemManagerHold {
 public:
  // `manager` is nothing when ModemManager's module could not be loaded or
  // the system bus reached (`whyNot`); `holdsPort` tells whether ModemManager
  // has the port open now; notes for the user go to `note`.
  ModemManagerHold(std::unique_ptr<platform::ModemManager> manager, std::string whyNot,
                   std::function<bool()> holdsPort, std::function<void(const std::string&)> note);
  // Gives the device back.
  ~ModemManagerHold();
  ModemManagerHold(const ModemManagerHold&) = delete;
  ModemManagerHold& operator=(const ModemManagerHold&) = delete;

  // Asks ModemManager to leave the device behind `hostDevice` (whose kernel
  // name is `kernelName`, ttyUSB0) alone; waits on `clock`, within the
  // limits above, for a probe to end and for ModemManager to let go of the
  // port. A Busy verdict naming ModemManager when it cannot be kept off.
  std::optional<HostPortVerdict> keepOff(const std::string& hostDevice, const std::string& kernelName,
                                         platform::Clock& clock);

  // Gives the device back now (the run's normal end); the destructor does
  // the same when it was not done.
  void release();

  // The device UID that is inhibited now, or empty.
  const std::string& inhibited() const { return inhibited_; }

 private:
  std::optional<HostPortVerdict> inhibit(const std::string& hostDevice, const std::string& uid, platform::Clock& clock);

  std::unique_ptr<platform::ModemManager> manager_;
  std::string whyNot_;
  std::function<bool()> holdsPort_;
  std::function<void(const std::string&)> note_;
  std::string inhibited_;
};

// Whether ModemManager has `hostDevice` open, as /proc shows it.
bool ModemManagerHoldsPort(const std::string& hostDevice);

}  // namespace p42r::program
