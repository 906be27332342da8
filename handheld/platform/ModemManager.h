// ModemManager, as the program asks it about a real port: whether it runs,
// which of its modems uses a port, and to leave a device alone for the run.
// The real one lives in a module of its own (p42r-modemmanager.so, over the
// system D-Bus) that is loaded only for a real port; tests give a fake.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace p42r::platform {

class ModemManager {
 public:
  // One answer from ModemManager: a value, or why there is none.
  template <typename T>
  struct Answer {
    std::optional<T> value;
    std::string error;  // set when ModemManager could not be asked
  };

  virtual ~ModemManager() = default;
  // Whether ModemManager runs (its bus name has an owner).
  virtual Answer<bool> running() = 0;
  // The device UID of the modem one of whose ports has the kernel name
  // `port` (ttyUSB0); an empty string when no modem has it.
  virtual Answer<std::string> modemDevice(const std::string& port) = 0;
  // Asks ModemManager to leave the device alone; an empty string when it
  // agreed, else why not. An inhibition lasts until released or until this
  // object goes: ModemManager ends it when the program leaves the bus.
  virtual std::string inhibit(const std::string& uid) = 0;
  // Gives the device back; an empty string, or why it could not be.
  virtual std::string release(const std::string& uid) = 0;
};

// The real ModemManager through its module, found beside the program (the
// build tree) or in the installed private library folder. Nothing, with
// `whyNot`, when the module cannot be loaded or the system bus reached.
std::unique_ptr<ModemManager> ConnectToModemManager(std::string& whyNot);

}  // namespace p42r::platform
