#include "reliability/ResidentMemory.h"

#include <fstream>
#include <sstream>
#include <string>

namespace p42r::reliability {

std::optional<ResidentMemory> ReadResidentMemory(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  if (!status) return std::nullopt;
  ResidentMemory memory;
  bool sawResident = false;
  bool sawPeak = false;
  std::string line;
  while (std::getline(status, line)) {
    std::istringstream fields(line);
    std::string key;
    long value = 0;
    if (!(fields >> key >> value)) continue;
    if (key == "VmRSS:") {
      memory.residentKb = value;
      sawResident = true;
    } else if (key == "VmHWM:") {
      memory.peakKb = value;
      sawPeak = true;
    }
  }
  // A process that has ended (a zombie) has no memory lines any more.
  if (!sawResident || !sawPeak) return std::nullopt;
  return memory;
}

}  // namespace p42r::reliability
