// The way an executable that carries the window makes its frontend: only
// the window part (p42r-gui) has one, so that p42r itself links no toolkit.
#pragma once

#include <functional>
#include <memory>

#include "frontends/Frontend.h"
#include "platform/Display.h"
#include "platform/Window.h"

namespace p42r::program {

using WindowMaker =
    std::function<std::unique_ptr<frontends::Frontend>(platform::Display&, platform::WindowSystem&)>;

}  // namespace p42r::program
