// What the stand-in's COM keeps per thread, for tests and the host: how
// often the thread is initialised, and the description of the thread's
// current error information.
#pragma once

#include <optional>
#include <string>

namespace standin {

int comInitialisationDepth();
// The description of the thread's error information (UTF-8), if any; the
// information stays set.
std::optional<std::string> currentErrorDescription();
void clearErrorInfo();
// Error information objects alive in the process.
long liveErrorInfoObjects();

}  // namespace standin
