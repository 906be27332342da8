#include "standin/FaultInjection.h"

#include "LastErrorRecord.h"

#include <map>
#include <mutex>

namespace standin {

namespace {

struct PendingFault {
  unsigned callsToLetThrough;
  InjectedFault fault;
};

std::mutex faultLock;
std::map<std::string, PendingFault, std::less<>> pending;

}  // namespace

void failNextCall(std::string_view function, unsigned error, unsigned callsToLetThrough,
                  std::vector<std::string> errorRecordFields) {
  std::lock_guard guard(faultLock);
  pending[std::string(function)] = PendingFault{callsToLetThrough, InjectedFault{error, std::move(errorRecordFields)}};
}

void clearFaults() {
  std::lock_guard guard(faultLock);
  pending.clear();
}

void leaveErrorRecord(const std::vector<std::string>& fields) { setLastErrorRecord(fields); }

std::optional<InjectedFault> takeFault(std::string_view function) {
  std::lock_guard guard(faultLock);
  const auto found = pending.find(function);
  if (found == pending.end()) {
    return std::nullopt;
  }
  if (found->second.callsToLetThrough > 0) {
    --found->second.callsToLetThrough;
    return std::nullopt;
  }
  InjectedFault fault = std::move(found->second.fault);
  pending.erase(found);
  return fault;
}

}  // namespace standin
