#include "platform/LastError.h"

namespace p42r::platform {

namespace {
thread_local std::uint32_t lastError = ERROR_SUCCESS;
}

std::uint32_t GetLastError() { return lastError; }
void SetLastError(std::uint32_t error) { lastError = error; }

}  // namespace p42r::platform
