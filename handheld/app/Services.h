// What every screen reaches outside itself: the platform stand-in, the
// process-wide values of the application and the way to switch screens.
#pragma once

#include <string>

#include "platform/Clock.h"
#include "platform/DeviceRoot.h"
#include "platform/DiagnosticLog.h"
#include "platform/Display.h"
#include "platform/EventLoop.h"
#include "platform/Files.h"
#include "platform/TextConversion.h"
#include "platform/Timers.h"
#include "platform/Window.h"

namespace p42r::link {
class SerialChannel;
}

namespace p42r::platform {
class Registry;
}

namespace p42r::platform {
class Form;
}

namespace p42r::app {

// Values kept beside the application object for the whole run.
struct AppState {
  // The identified port's name without the colon ("COM4").
  std::u16string portName;
  // Where the start-up sequence leads once the card is identified: the
  // consumer menu, unless the program was started with another way in.
  int screenAfterStart = 15;
  // The start-up sequence found no card on any port and closed the application.
  bool noCardFound = false;
};

// SwitchScreen and the close request, offered by the application object.
class Navigator {
 public:
  // Makes screen `number` the visible one; returns the previously active view.
  virtual platform::Form* SwitchScreen(int number) = 0;
  // Posts the close request to the main frame.
  virtual void PostClose() = 0;

 protected:
  ~Navigator() = default;
};

struct Services {
  platform::Clock& clock;
  platform::EventLoop& loop;
  platform::WindowSystem& windows;
  platform::Display& display;
  platform::DeviceRoot& deviceRoot;
  platform::CodePage& codePage;
  platform::DiagnosticLog& log;
  AppState& state;
  platform::Registry& registry;
  link::SerialChannel& channel;
  platform::FileSystem& files;
  // A screen's timers: the loop's own, unless a test puts a failing one first.
  platform::Timers& timers = loop;
};

}  // namespace p42r::app
