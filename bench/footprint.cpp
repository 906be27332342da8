// p42r-footprint: what one p42r costs at start, read from outside as a
// user's shell would see it: the time from the start of `p42r --ui=script
// --sim` to its consumer menu, its resident memory there, and the peak
// resident memory of a whole `p42r signal --sim`. Run with --help.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "reliability/ResidentMemory.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kUsage = R"(Usage: p42r-footprint [--program PATH] [--runs N]

Starts PATH --ui=script --sim (default: the p42r of this tool's build) N
times (default 10), each time asks it to wait for the consumer menu
(screen 15), and reads the time from the fork to that reply and the
resident memory (VmRSS) there; then runs PATH signal --sim N times and
takes each run's peak resident memory from the kernel's account of the
ended child (ru_maxrss). Prints the median, the least and the most of each.

Exit status: 0 when every run reached its end, 1 otherwise, 2 for a wrong
command line.
)";

struct Child {
  pid_t pid = -1;
  int input = -1;
  int output = -1;
};

Child Start(const std::vector<std::string>& words) {
  int in[2], out[2];
  if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) return {};
  Child child;
  child.pid = ::fork();
  if (child.pid == 0) {
    ::dup2(in[0], STDIN_FILENO);
    ::dup2(out[1], STDOUT_FILENO);
    std::vector<char*> argv;
    for (const auto& word : words) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(in[0]);
  ::close(out[1]);
  child.input = in[1];
  child.output = out[0];
  return child;
}

// Reads the child's output until a line holds `wanted`; false at its end.
bool ReadUntil(int fd, std::string_view wanted) {
  std::string seen;
  char chunk[4096];
  while (seen.find(wanted) == std::string::npos) {
    const ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got <= 0) return false;
    seen.append(chunk, static_cast<std::size_t>(got));
  }
  return true;
}

// Waits for the child; its exit code (128 + signal), and its peak resident KiB.
int Reap(pid_t pid, long& peakKb) {
  int status = 0;
  rusage usage{};
  if (::wait4(pid, &status, 0, &usage) != pid) return -1;
  peakKb = usage.ru_maxrss;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void Print(const char* what, std::vector<double> values, const char* unit) {
  if (values.empty()) return;
  std::sort(values.begin(), values.end());
  std::printf("%-40s median %8.1f  least %8.1f  most %8.1f %s\n", what, values[values.size() / 2], values.front(),
              values.back(), unit);
}

}  // namespace

int main(int argc, char** argv) {
  std::string program;
  long runs = 10;
  for (int i = 1; i < argc; ++i) {
    const std::string_view word = argv[i];
    if (word == "-h" || word == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (i + 1 < argc && word == "--program") {
      program = argv[++i];
    } else if (i + 1 < argc && word == "--runs") {
      const std::string_view text = argv[++i];
      if (std::from_chars(text.data(), text.data() + text.size(), runs).ptr != text.data() + text.size() || runs < 1) {
        std::fprintf(stderr, "p42r-footprint: --runs takes a positive number\n");
        return 2;
      }
    } else {
      std::fprintf(stderr, "p42r-footprint: unknown option %s; see --help\n", argv[i]);
      return 2;
    }
  }
  if (program.empty()) {
    char self[4096];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return 1;
    program = std::string(self, static_cast<std::size_t>(length));
    // This build's p42r: the tool is in <build>/bench.
    program = program.substr(0, program.rfind('/')) + "/../handheld/p42r";
  }
  ::signal(SIGPIPE, SIG_IGN);

  std::vector<double> startMs, menuKb, scriptPeakKb, signalPeakKb;
  bool failed = false;
  for (long run = 0; run < runs; ++run) {
    const auto began = Clock::now();
    Child script = Start({program, "--ui=script", "--sim"});
    const std::string ask = "wait screen 15 60000\n";
    const bool reached = script.pid > 0 && ::write(script.input, ask.data(), ask.size()) > 0 &&
                         ReadUntil(script.output, "\"screen\":15}");
    const auto menu = Clock::now();
    const auto memory = p42r::reliability::ReadResidentMemory(script.pid);
    ::close(script.input);  // the end of input is the close request
    long peak = 0;
    const int scriptExit = Reap(script.pid, peak);
    ::close(script.output);
    if (!reached || !memory || scriptExit != 0) {
      std::fprintf(stderr, "p42r-footprint: run %ld: script mode %s, exit %d\n", run,
                   reached ? "reached the menu" : "did not reach the menu", scriptExit);
      failed = true;
      continue;
    }
    startMs.push_back(std::chrono::duration<double, std::milli>(menu - began).count());
    menuKb.push_back(static_cast<double>(memory->residentKb));
    scriptPeakKb.push_back(static_cast<double>(peak));

    Child signal = Start({program, "signal", "--sim"});
    ::close(signal.input);
    ReadUntil(signal.output, "\n\n");  // drains it to its end
    const int signalExit = Reap(signal.pid, peak);
    ::close(signal.output);
    if (signalExit != 0) {
      std::fprintf(stderr, "p42r-footprint: run %ld: signal --sim ended with %d\n", run, signalExit);
      failed = true;
      continue;
    }
    signalPeakKb.push_back(static_cast<double>(peak));
  }
  std::printf("%s, %ld runs\n", program.c_str(), runs);
  Print("start to the consumer menu (script)", startMs, "ms");
  Print("resident on the consumer menu (script)", menuKb, "KiB");
  Print("peak resident, script run to its end", scriptPeakKb, "KiB");
  Print("peak resident, signal --sim", signalPeakKb, "KiB");
  return failed ? 1 : 0;
}
