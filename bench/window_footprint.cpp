// Measures the window frontend as a person uses it: the real program with the
// simulated card (update-fast), its idle processor time over 5 s on the
// consumer menu, then a whole update driven by clicks and keys, and the
// resident memory's peak (VmHWM) over all of it.
//
//   window_footprint            on the display in DISPLAY (or QT_QPA_PLATFORM)
//   xvfb-run -a window_footprint
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include <QApplication>
#include <QTimer>

#include "frontends/gui/tests/UpdateDriver.h"
#include "program/Program.h"
#include "program/WindowPart.h"

namespace {

double ProcessorSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

std::string StatusLine(const std::string& key) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(key, 0) == 0) return line;
  }
  return key + " unknown";
}

}  // namespace

int main() {
  static int argc = 1;
  static char name[] = "window_footprint";
  static char* argv[] = {name, nullptr};
  QApplication application(argc, argv);
  std::printf("platform: %s\n", QGuiApplication::platformName().toStdString().c_str());

  double idleCpu = -1;
  std::string rssOnMenu;
  p42r::frontends::gui::UpdateDriver driver(std::chrono::seconds(120), [&](std::function<void()> resume) {
    const double before = ProcessorSeconds();
    QTimer::singleShot(5000, [&idleCpu, before, resume, &rssOnMenu] {
      idleCpu = ProcessorSeconds() - before;
      rssOnMenu = StatusLine("VmRSS");
      resume();
    });
  });
  p42r::program::ProgramOptions options;
  options.ui = p42r::program::UiKind::Window;
  options.uiChosen = true;
  options.simulatedCard = "update-fast";
  const int exitCode = p42r::program::RunProgram(options, p42r::program::WindowPart());
  const auto& seen = driver.seen();
  std::printf("idle processor time on the consumer menu over 5 s: %.3f s\n", idleCpu);
  std::printf("resident on the consumer menu: %s\n", rssOnMenu.c_str());
  std::printf("update %s; exit code %d\n", seen.succeeded ? "succeeded" : "did NOT succeed", exitCode);
  std::printf("peak resident through the update: %s\n", StatusLine("VmHWM").c_str());
  return seen.succeeded && exitCode == 0 ? 0 : 1;
}
