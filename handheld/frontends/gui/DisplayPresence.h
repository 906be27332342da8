// Whether a desktop display is there to open a window on, told without any
// toolkit: the program without the window part decides by it too whether
// its default choice is the window.
#pragma once

#include <optional>
#include <string>

namespace p42r::frontends {

// Why no window can be opened here, if none can: no display to show it on.
std::optional<std::string> WhyNoWindowDisplay();

}  // namespace p42r::frontends
