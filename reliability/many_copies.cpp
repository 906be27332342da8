// p42r-copies: starts many copies of p42r on one fresh device root at the
// same instant, again and again, and checks that exactly one runs while every
// other ends silently with exit code 3. Run with --help for the options.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <stdexcept>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kUsage = R"(Usage: p42r-copies [OPTIONS]

Starts COPIES copies of p42r --ui=script --sim --device-root ROOT on one new
device root at the same instant (each copy waits on a shared pipe that is
closed once all are forked), REPETITIONS times. Each time, exactly one copy
must run (it shows its screens, then ends with 0 when its input is closed)
and every other copy must end with exit code 3 and write nothing at all, on
standard output or standard error. The device root's management file must
then be the one a new handheld gets.

Options:
  --copies N        copies started at once (default 20)
  --repetitions N   how many times (default 20)
  --program PATH    the p42r to start (default: the one of this tool's build)
  -h, --help        show this text

Exit status: 0 when every repetition had exactly one survivor and silent
others, 1 otherwise, 2 for a wrong command line.
)";

struct Copy {
  pid_t pid = -1;
  int input = -1;  // the copy's standard input; closing it ends the survivor
  fs::path output;
  fs::path errors;
  std::optional<int> exitCode;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}

bool ParseNumber(const char* text, long& value) {
  const std::string_view view(text);
  const auto [end, error] = std::from_chars(view.data(), view.data() + view.size(), value);
  return error == std::errc() && end == view.data() + view.size() && value > 0;
}

// Reaps the copies that have ended; how many are still running.
int Reap(std::vector<Copy>& copies) {
  int running = 0;
  for (Copy& copy : copies) {
    if (copy.exitCode) continue;
    int status = 0;
    if (::waitpid(copy.pid, &status, WNOHANG) == copy.pid) {
      copy.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    } else {
      ++running;
    }
  }
  return running;
}

struct Repetition {
  int survivors = 0;
  std::map<int, int> exitCodes;  // of the copies that ended at once
  int noisy = 0;                 // copies that ended and still wrote something
  bool survivorRan = false;      // it showed a screen
  std::optional<int> survivorExit;
  std::string managementFile;
  std::vector<std::string> problems;
};

Repetition RunOnce(const std::string& program, int count, const fs::path& work) {
  Repetition result;
  const fs::path root = work / "device";
  fs::create_directories(root);
  int barrier[2];
  if (::pipe2(barrier, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  std::vector<Copy> copies(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    Copy& copy = copies[static_cast<std::size_t>(i)];
    copy.output = work / ("out-" + std::to_string(i));
    copy.errors = work / ("err-" + std::to_string(i));
    int input[2];
    if (::pipe2(input, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    copy.pid = ::fork();
    if (copy.pid == 0) {
      const int out = ::open(copy.output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int err = ::open(copy.errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ::dup2(input[0], STDIN_FILENO);
      ::dup2(out, STDOUT_FILENO);
      ::dup2(err, STDERR_FILENO);
      ::close(barrier[1]);
      char byte = 0;
      while (::read(barrier[0], &byte, 1) < 0) {
      }  // returns 0 once the parent closes its end: everyone goes at once
      const std::string rootText = root.string();
      const char* argv[] = {program.c_str(), "--ui=script", "--sim", "--device-root", rootText.c_str(), nullptr};
      ::execv(program.c_str(), const_cast<char* const*>(argv));
      ::_exit(127);
    }
    ::close(input[0]);
    copy.input = input[1];
  }
  ::close(barrier[0]);
  ::close(barrier[1]);  // go

  // The others end at once; the survivor keeps running.
  const auto deadline = Clock::now() + 20s;
  while (Reap(copies) > 1 && Clock::now() < deadline) std::this_thread::sleep_for(5ms);
  // A little longer, so a second copy that wrongly runs is seen running.
  std::this_thread::sleep_for(500ms);
  result.survivors = Reap(copies);
  for (Copy& copy : copies) {
    if (!copy.exitCode) continue;
    ++result.exitCodes[*copy.exitCode];
    const std::string written = ReadFile(copy.output) + ReadFile(copy.errors);
    if (!written.empty()) {
      ++result.noisy;
      result.problems.push_back("a copy that ended with " + std::to_string(*copy.exitCode) + " wrote: " +
                                written.substr(0, 300));
    }
  }
  for (Copy& copy : copies) {
    if (copy.exitCode) {
      ::close(copy.input);
      continue;
    }
    // The survivor: it must have shown its start-up screen; the end of its
    // input then ends it normally.
    const auto shown = Clock::now() + 10s;
    while (ReadFile(copy.output).find("\"event\":\"screen\"") == std::string::npos && Clock::now() < shown) {
      std::this_thread::sleep_for(10ms);
    }
    result.survivorRan = ReadFile(copy.output).find("\"event\":\"screen\"") != std::string::npos;
    ::close(copy.input);
    const auto ended = Clock::now() + 15s;
    while (!copy.exitCode && Clock::now() < ended) {
      Reap(copies);
      std::this_thread::sleep_for(10ms);
    }
    if (!copy.exitCode) {
      ::kill(copy.pid, SIGKILL);
      ::waitpid(copy.pid, nullptr, 0);
      result.problems.push_back("a running copy did not end when its input closed");
    }
    if (result.survivors == 1) result.survivorExit = copy.exitCode;
    if (result.survivors != 1) ::kill(copy.pid, SIGKILL);
  }
  result.managementFile = ReadFile(root / "Program Files" / "P42R" / "mng2dat.ini");
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path here = fs::canonical("/proc/self/exe").parent_path();
  // This build's p42r: the tool is in <build>/reliability.
  std::string program = (here.parent_path() / "handheld" / "p42r").string();
  long count = 20;
  long repetitions = 20;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "-h" || option == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (option == "--copies" && i + 1 < argc && ParseNumber(argv[i + 1], count) && count >= 2) {
      ++i;
    } else if (option == "--repetitions" && i + 1 < argc && ParseNumber(argv[i + 1], repetitions)) {
      ++i;
    } else if (option == "--program" && i + 1 < argc) {
      program = argv[++i];
    } else {
      std::fprintf(stderr, "p42r-copies: unknown option or bad value: %s (see --help)\n", option.c_str());
      return 2;
    }
  }
  std::string pattern = (fs::temp_directory_path() / "p42r-copies-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    std::perror("p42r-copies: cannot make a work directory");
    return 1;
  }
  const fs::path work = pattern;
  std::printf("p42r-copies: %ld copies at once, %ld times, program %s\n\n", count, repetitions, program.c_str());
  std::printf("%10s %9s %-24s %13s %14s %s\n", "repetition", "survivors", "exit codes of the others",
              "silent others", "survivor ran", "management file");
  int good = 0;
  std::string reference;
  for (long r = 1; r <= repetitions; ++r) {
    const fs::path directory = work / std::to_string(r);
    Repetition result = RunOnce(program, static_cast<int>(count), directory);
    if (reference.empty()) reference = result.managementFile;
    const bool fileOk = !result.managementFile.empty() && result.managementFile == reference;
    std::string codes;
    for (const auto& [code, times] : result.exitCodes) {
      codes += (codes.empty() ? "" : " ") + std::to_string(code) + "x" + std::to_string(times);
    }
    const int others = static_cast<int>(count) - result.survivors;
    const bool ok = result.survivors == 1 && result.exitCodes.size() == 1 && result.exitCodes.count(3) == 1 &&
                    result.noisy == 0 && result.survivorRan && result.survivorExit == 0 && fileOk;
    good += ok ? 1 : 0;
    std::printf("%10ld %9d %-24s %6d of %-4d %14s %s\n", r, result.survivors, codes.c_str(), others - result.noisy,
                others, result.survivorRan ? (result.survivorExit == 0 ? "yes, ended 0" : "yes, bad end") : "no",
                fileOk ? "new handheld's" : (result.managementFile.empty() ? "missing or empty" : "different"));
    for (const std::string& problem : result.problems) std::printf("    %s\n", problem.c_str());
    std::fflush(stdout);
    fs::remove_all(directory);
  }
  fs::remove_all(work);
  std::printf("\n%d of %ld repetitions had exactly one survivor and %ld silent others ending with 3\n", good,
              repetitions, count - 1);
  return good == repetitions ? 0 : 1;
}
