// p42r-card: a simulated P42R card on a pty, registered in an emulated
// handheld's registry, answering AT commands by a scenario.
#include "card/BuiltinScenarios.h"
#include "card/CardError.h"
#include "card/SimulatedCard.h"
#include "card/TrafficTrace.h"
#include "card/tool/ProgramOptions.h"
#include "p42r/Version.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <chrono>
#include <iostream>
#include <memory>

using namespace p42r::card;

namespace {

constexpr int kExitCannotPlugIn = 1;
constexpr int kExitBadInput = 2;

void report(const std::string& message) {
  const std::string line = "p42r-card: " + message + "\n";
  std::fputs(line.c_str(), stderr);
}

void listScenarios() {
  for (const BuiltinScenario& scenario : builtinScenarios()) {
    std::printf("%-28s %s\n", std::string(scenario.name).c_str(), std::string(scenario.description).c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  ProgramOptions options;
  Scenario scenario;
  try {
    options = parseProgramOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (options.help) {
      std::fputs(programUsage().c_str(), stdout);
      return 0;
    }
    if (options.version) {
      std::puts("p42r-card " P42R_VERSION);
      return 0;
    }
    if (options.listScenarios) {
      listScenarios();
      return 0;
    }
    scenario = buildScenario(options);
  } catch (const CardError& error) {
    report(error.what());
    report("try 'p42r-card --help'");
    return kExitBadInput;
  }

  // SIGINT and SIGTERM are taken through a signalfd, so they are blocked in
  // every thread, the card's service thread included.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGHUP);
  if (pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr) != 0) {
    report("cannot block the stop signals");
    return kExitCannotPlugIn;
  }
  std::signal(SIGPIPE, SIG_IGN);
  const int signals = signalfd(-1, &stopSignals, SFD_CLOEXEC);
  const int unplugged = eventfd(0, EFD_CLOEXEC);
  if (signals < 0 || unplugged < 0) {
    report(std::string("cannot create the stop descriptors: ") + std::strerror(errno));
    return kExitCannotPlugIn;
  }

  const auto started = std::chrono::steady_clock::now();
  SimulatedCardOptions cardOptions;
  cardOptions.deviceRoot = options.deviceRoot;
  cardOptions.scenario = scenario;
  cardOptions.comNumber = options.comNumber;
  cardOptions.otherPort = options.otherPort;
  if (options.trace) {
    cardOptions.trace = [started](TrafficDirection direction, std::string_view bytes) {
      const auto since = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
      const std::string line = traceLine(direction, bytes, since) + "\n";
      std::fputs(line.c_str(), stderr);
    };
  }
  cardOptions.onUnplugged = [unplugged] {
    const std::uint64_t one = 1;
    while (write(unplugged, &one, sizeof one) < 0 && errno == EINTR) {
    }
  };

  std::unique_ptr<SimulatedCard> card;
  try {
    card = std::make_unique<SimulatedCard>(std::move(cardOptions));
  } catch (const CardError& error) {
    report(error.what());
    return kExitCannotPlugIn;
  }
  std::cout << card->slavePath() << " " << card->comName() << std::endl;
  if (options.trace) {
    report("scenario " + scenario.name + ": " + card->registryKey() + " " + card->comName() + " -> " +
           card->slavePath());
  }

  pollfd waits[2] = {{signals, POLLIN, 0}, {unplugged, POLLIN, 0}};
  while (poll(waits, 2, -1) < 0 && errno == EINTR) {
  }
  if (waits[1].revents & POLLIN) {
    report("the card was unplugged");
  }
  card->unplug();
  const std::string problem = card->unplugError();
  card.reset();
  close(signals);
  close(unplugged);
  if (!problem.empty()) {
    report("cannot remove the registry entry: " + problem);
    return kExitCannotPlugIn;
  }
  return 0;
}
