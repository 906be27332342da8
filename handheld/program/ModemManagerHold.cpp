#include "program/ModemManagerHold.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "program/PortList.h"

namespace p42r::program {

namespace {

constexpr platform::Duration kPollPeriod{200};

HostPortVerdict Refusal(const std::string& hostDevice, const std::string& why) {
  return {HostPortProblem::Busy, "ModemManager manages " + hostDevice + " and " + why + "; " + ModemManagerAdvice()};
}

// Waits until `done` holds or `limit` passed; whether it held.
bool WaitFor(platform::Clock& clock, platform::Duration limit, const std::function<bool()>& done) {
  const platform::TimePoint deadline = clock.now() + limit;
  while (!done()) {
    if (clock.now() >= deadline) return false;
    clock.sleepFor(kPollPeriod);
  }
  return true;
}

}  // namespace

ModemManagerHold::ModemManagerHold(std::unique_ptr<platform::ModemManager> manager, std::string whyNot,
                                   std::function<bool()> holdsPort, std::function<void(const std::string&)> note)
    : manager_(std::move(manager)),
      whyNot_(std::move(whyNot)),
      holdsPort_(std::move(holdsPort)),
      note_(std::move(note)) {}

ModemManagerHold::~ModemManagerHold() { release(); }

void ModemManagerHold::release() {
  if (inhibited_.empty()) return;
  const std::string uid = std::exchange(inhibited_, std::string());
  // A release that fails is undone by ModemManager when the program leaves the bus.
  if (const std::string error = manager_->release(uid); !error.empty()) {
    note_("ModemManager did not take its device back at once (" + error + "); it will when p42r has ended");
  }
}

std::optional<HostPortVerdict> ModemManagerHold::inhibit(const std::string& hostDevice, const std::string& uid,
                                                         platform::Clock& clock) {
  if (const std::string error = manager_->inhibit(uid); !error.empty()) {
    return Refusal(hostDevice, "would not leave it alone for this run (" + error + ")");
  }
  inhibited_ = uid;
  // ModemManager closes the port once it has let go of the modem; the
  // holder check that follows refuses a port it still has open.
  WaitFor(clock, kModemManagerReleaseLimit, [this] { return !holdsPort_(); });
  return std::nullopt;
}

std::optional<HostPortVerdict> ModemManagerHold::keepOff(const std::string& hostDevice,
                                                          const std::string& kernelName, platform::Clock& clock) {
  if (!manager_) {
    // Without the module nothing can be asked; only a ModemManager seen on
    // the port is worth a word (the holder check then refuses the port).
    if (holdsPort_()) note_("cannot ask ModemManager to leave " + hostDevice + " alone: " + whyNot_);
    return std::nullopt;
  }
  const auto running = manager_->running();
  if (!running.value) {
    if (holdsPort_()) note_("cannot ask ModemManager to leave " + hostDevice + " alone: " + running.error);
    return std::nullopt;
  }
  if (!*running.value) return std::nullopt;

  std::string failure;
  std::string uid;
  const auto lookUp = [&] {
    const auto device = manager_->modemDevice(kernelName);
    if (!device.value) failure = device.error;
    uid = device.value.value_or(std::string());
    return !failure.empty() || !uid.empty();
  };
  if (lookUp() && failure.empty()) return inhibit(hostDevice, uid, clock);
  if (!failure.empty()) return Refusal(hostDevice, "cannot be asked about it (" + failure + ")");
  if (!holdsPort_()) return std::nullopt;

  // Open but no modem yet: ModemManager is still probing the port. The
  // probe ends with a modem (which is then inhibited) or with the port
  // closed (ModemManager wants nothing of it); a person would rather wait
  // a few seconds than be told to come back.
  note_("ModemManager is probing " + hostDevice + "; waiting for it to finish (at most " +
        std::to_string(kModemManagerProbeLimit.count() / 1000) + " s)");
  const bool settled = WaitFor(clock, kModemManagerProbeLimit, [&] { return lookUp() || !holdsPort_(); });
  // The modem may have been made just as the port was closed.
  if (settled && uid.empty() && failure.empty()) lookUp();
  if (!failure.empty()) return Refusal(hostDevice, "cannot be asked about it (" + failure + ")");
  if (!uid.empty()) return inhibit(hostDevice, uid, clock);
  if (!settled) {
    return Refusal(hostDevice, "was still probing it after " +
                                   std::to_string(kModemManagerProbeLimit.count() / 1000) + " s");
  }
  return std::nullopt;
}

bool ModemManagerHoldsPort(const std::string& hostDevice) {
  std::error_code error;
  const auto node = std::filesystem::canonical(hostDevice, error);
  if (error) return false;
  for (const PortHolder& holder : HoldersOf(node)) {
    if (holder.command == "ModemManager") return true;
  }
  return false;
}

}  // namespace p42r::program
