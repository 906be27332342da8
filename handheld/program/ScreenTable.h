// The screen table as the program puts it together: which screen class sits
// at which number, and where the password screens lead for the chosen way
// in. The application object only holds the table; the screens build on it.
#pragma once

#include "app/CPocketPCApp.h"

namespace p42r::program {

// Builds the screens in table order (their numbers are in resources/ScreenIds.h), set up for `entry`.
app::CPocketPCApp::ScreenFactory ScreenTableFor(app::CPocketPCApp::Options::Entry entry);

}  // namespace p42r::program
