#include "program/WindowPart.h"

#include "frontends/gui/WindowFrontend.h"

namespace p42r::program {

WindowMaker WindowPart() {
  return [](platform::Display& display, platform::WindowSystem& windows) -> std::unique_ptr<frontends::Frontend> {
    return std::make_unique<frontends::WindowFrontend>(display, windows);
  };
}

}  // namespace p42r::program
