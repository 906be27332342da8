// What the serial calls tell about the ports they open and close, so that
// whoever watches the host devices behind them knows which ones matter.
#pragma once

#include <string>
#include <string_view>

namespace p42r::platform {

class PortWatch {
 public:
  // Port `portName` ("COM4:") was opened on `hostDevice` as `descriptor`.
  // The descriptor stays the opener's; a watcher keeps its own duplicate.
  virtual void portOpened(std::u16string_view portName, const std::string& hostDevice, int descriptor) = 0;
  // The port was closed: by the time this returns, the watcher holds nothing
  // that keeps the device open, so the next open finds it free.
  virtual void portClosed(std::u16string_view portName) = 0;

 protected:
  ~PortWatch() = default;
};

}  // namespace p42r::platform
