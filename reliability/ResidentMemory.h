// What /proc says about a process's memory: its resident set now (VmRSS)
// and the most it has held (VmHWM), in KiB. Nothing when the process has
// gone or the kernel does not say.
#pragma once

#include <sys/types.h>

#include <optional>

namespace p42r::reliability {

struct ResidentMemory {
  long residentKb = 0;  // VmRSS
  long peakKb = 0;      // VmHWM
};

std::optional<ResidentMemory> ReadResidentMemory(pid_t pid);

}  // namespace p42r::reliability
