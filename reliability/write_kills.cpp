// p42r-write-kills: runs the program's own file writes in a child process and
// kills it (SIGKILL) at random points of the write, many times, then reads
// the files back. The management file must always hold its old or its new
// content, never a torn or empty one; the diagnostic log must keep what was
// in it, with at most its last line cut short. Run with --help for the options.
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "access/ClsDataFile.h"
#include "platform/Clock.h"
#include "platform/DeviceRoot.h"
#include "platform/DiagnosticLog.h"
#include "platform/Files.h"
#include "platform/TextConversion.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kUsage = R"(Usage: p42r-write-kills [OPTIONS]

Kills a child process at random points while it writes, with the program's own
code, (1) the management file mng2dat.ini (ClsDataFile::WriteManagementFile:
the new content goes to a file beside it, is flushed to the disk and renamed
over the old one) and (2) the diagnostic log (DiagnosticLog: lines appended
and flushed one by one). After every kill the files are read back:

  management file   must be exactly the old or the new content (never torn,
                    empty or missing); the child writes the other of two
                    contents each time, so every kill is a change
  diagnostic log    must still begin with everything it held before; every
                    complete line the child added must be whole and in order;
                    only the last one may be cut short

The kill comes a random time after the child says it is about to write: up to
1.5 times as long as a whole write takes on this machine (measured first), so
the kills fall before, inside and after each step of the write.

Options:
  --kills N        kills for each of the two files (default 1000)
  --directory DIR  where the device root goes (default: a new directory in $TMPDIR or /tmp)
  --seed N         the seed of the kill times (default 1)
  -h, --help       show this text

Exit status: 0 when every file read back as it must, 1 otherwise, 2 for a
wrong command line.
)";

std::string ReadFile(const fs::path& path, bool& exists) {
  std::ifstream file(path, std::ios::binary);
  exists = static_cast<bool>(file);
  std::ostringstream content;
  if (exists) content << file.rdbuf();
  return content.str();
}

void SleepMicroseconds(long microseconds) {
  timespec wait{microseconds / 1000000, (microseconds % 1000000) * 1000};
  while (::nanosleep(&wait, &wait) != 0) {
  }
}

// A child that runs `work` once it has told the parent (through a pipe) that
// it is about to start. Returns its pid, with the parent past the signal.
template <typename Work>
pid_t StartChild(Work work) {
  int ready[2];
  if (::pipe(ready) != 0) return -1;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(ready[0]);
    const char byte = 1;
    if (::write(ready[1], &byte, 1) != 1) ::_exit(3);
    work();
    ::_exit(0);
  }
  ::close(ready[1]);
  char byte = 0;
  if (pid > 0 && ::read(ready[0], &byte, 1) != 1) byte = 0;
  ::close(ready[0]);
  return pid;
}

// Kills the child (if it has not ended) and reaps it; true when the kill
// came before it finished.
bool KillAndReap(pid_t pid) {
  ::kill(pid, SIGKILL);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFSIGNALED(status);
}

struct Counts {
  int kills = 0;
  int diedWriting = 0;   // the kill came before the child finished
  int old = 0;
  int fresh = 0;
  int wrong = 0;
  int cutLastLine = 0;   // log: the last line was cut short
  std::vector<std::string> problems;
};

class Bench {
 public:
  explicit Bench(fs::path root) : root_(std::move(root)), device_(root_), dataFile_(files_, device_, codePage_) {
    if (auto problem = device_.prepare(true)) throw std::runtime_error(*problem);
    managementFile_ = *device_.hostPath(dataFile_.ManagementFilePath());
    logFile_ = managementFile_.parent_path() / "p42r_softup.log";
  }

  // The two contents the management file changes between.
  bool WriteContent(int which) const {
    return which == 0 ? dataFile_.WriteManagementFile(u"", u"OK", u"1")
                      : dataFile_.WriteManagementFile(u"k1ll-test", u"LOCK", u"0");
  }

  Counts KillManagementWrites(int kills, std::mt19937_64& random) {
    std::string contents[2];
    for (int which = 0; which < 2; ++which) {
      WriteContent(which);
      bool exists = false;
      contents[which] = ReadFile(managementFile_, exists);
    }
    const long writeMicroseconds = MeasureWrite();
    std::printf("management file %s: %zu / %zu bytes, one write takes %ld us\n", managementFile_.c_str(),
                contents[0].size(), contents[1].size(), writeMicroseconds);
    Counts counts;
    int current = 1;  // what the file holds now
    for (int i = 0; i < kills; ++i) {
      const int next = 1 - current;
      const long delay = static_cast<long>(random() % static_cast<std::uint64_t>(writeMicroseconds * 3 / 2 + 1));
      const pid_t child = StartChild([&] { WriteContent(next); });
      SleepMicroseconds(delay);
      ++counts.kills;
      if (KillAndReap(child)) ++counts.diedWriting;
      bool exists = false;
      const std::string now = ReadFile(managementFile_, exists);
      if (exists && now == contents[current]) {
        ++counts.old;
      } else if (exists && now == contents[next]) {
        ++counts.fresh;
        current = next;
      } else {
        ++counts.wrong;
        counts.problems.push_back("kill " + std::to_string(i) + " after " + std::to_string(delay) + " us: " +
                                  (exists ? std::to_string(now.size()) + " bytes that are neither" : "no file"));
        // Start the next round from a known content.
        WriteContent(current);
      }
    }
    return counts;
  }

  Counts KillLogWrites(int kills, std::mt19937_64& random) {
    Counts counts;
    for (int i = 0; i < kills; ++i) {
      bool exists = false;
      if (fs::exists(logFile_) && fs::file_size(logFile_) > 256 * 1024) fs::remove(logFile_);
      const std::string before = ReadFile(logFile_, exists);
      const long delay = static_cast<long>(random() % 3000);
      const std::string tag = "kill-test " + std::to_string(i) + " line ";
      const pid_t child = StartChild([&] {
        p42r::platform::SteadyClock clock;
        p42r::platform::DiagnosticLog log(clock);
        if (!log.open(logFile_)) ::_exit(4);
        for (long n = 0;; ++n) log.line(p42r::platform::FromUtf8(tag + std::to_string(n) + " " + std::string(40, '=')));
      });
      SleepMicroseconds(delay);
      ++counts.kills;
      if (KillAndReap(child)) ++counts.diedWriting;
      const std::string after = ReadFile(logFile_, exists);
      if (after.compare(0, before.size(), before) != 0 || after.size() < before.size()) {
        ++counts.wrong;
        counts.problems.push_back("kill " + std::to_string(i) + ": what the log held before changed");
        continue;
      }
      CheckAddedLines(after.substr(before.size()), tag, i, counts);
    }
    return counts;
  }

 private:
  // How long a whole write takes here, from the child's start signal to its end.
  long MeasureWrite() {
    long total = 0;
    constexpr int kRounds = 20;
    for (int i = 0; i < kRounds; ++i) {
      const auto start = Clock::now();
      const pid_t child = StartChild([&] { WriteContent(i % 2); });
      int status = 0;
      ::waitpid(child, &status, 0);
      total += std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
    }
    return std::max(1L, total / kRounds);
  }

  // The lines a child added: each complete one whole and numbered in order;
  // the last may be cut short, but only as a beginning of the next line.
  static void CheckAddedLines(const std::string& added, const std::string& tag, int kill, Counts& counts) {
    long expected = 0;
    std::size_t at = 0;
    while (at < added.size()) {
      const std::size_t end = added.find("\r\n", at);
      const std::string line = added.substr(at, end == std::string::npos ? std::string::npos : end - at);
      const std::string want = tag + std::to_string(expected) + " " + std::string(40, '=');
      // "(YYYY/MM/DD HH:MM:SS)" and then the text.
      const bool stampOk = line.size() >= 21 && line[0] == '(' && line[20] == ')';
      if (end == std::string::npos) {
        const std::string text = line.size() > 21 ? line.substr(21) : "";
        if (line.size() > 21 && want.compare(0, text.size(), text) != 0) {
          ++counts.wrong;
          counts.problems.push_back("kill " + std::to_string(kill) + ": a cut line that is no line's beginning");
        } else {
          ++counts.cutLastLine;
        }
        return;
      }
      if (!stampOk || line.substr(21) != want) {
        ++counts.wrong;
        counts.problems.push_back("kill " + std::to_string(kill) + ": line " + std::to_string(expected) +
                                  " is not whole: " + line);
        return;
      }
      ++expected;
      at = end + 2;
    }
  }

  fs::path root_;
  p42r::platform::HostFileSystem files_;
  p42r::platform::DeviceRoot device_;
  p42r::platform::CodePage codePage_;
  p42r::access::ClsDataFile dataFile_;
  fs::path managementFile_;
  fs::path logFile_;

 public:
  std::size_t Leftovers() const {
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(managementFile_.parent_path())) {
      const std::string name = entry.path().filename().string();
      if (name != managementFile_.filename().string() && name != logFile_.filename().string()) ++count;
    }
    return count;
  }
};

bool ParseNumber(const char* text, long& value) {
  const std::string_view view(text);
  const auto [end, error] = std::from_chars(view.data(), view.data() + view.size(), value);
  return error == std::errc() && end == view.data() + view.size() && value >= 0;
}

void Report(const char* what, const Counts& counts) {
  std::printf("%-16s %6d %13d %5d %5d %10d %7d\n", what, counts.kills, counts.diedWriting, counts.old, counts.fresh,
              counts.cutLastLine, counts.wrong);
  for (std::size_t i = 0; i < counts.problems.size() && i < 20; ++i) std::printf("  %s\n", counts.problems[i].c_str());
}

}  // namespace

int main(int argc, char** argv) {
  long kills = 1000;
  long seed = 1;
  fs::path directory;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "-h" || option == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (option == "--kills" && i + 1 < argc && ParseNumber(argv[i + 1], kills) && kills > 0) {
      ++i;
    } else if (option == "--seed" && i + 1 < argc && ParseNumber(argv[i + 1], seed)) {
      ++i;
    } else if (option == "--directory" && i + 1 < argc) {
      directory = argv[++i];
    } else {
      std::fprintf(stderr, "p42r-write-kills: unknown option or bad value: %s (see --help)\n", option.c_str());
      return 2;
    }
  }
  const bool ownDirectory = directory.empty();
  if (ownDirectory) {
    std::string pattern = (fs::temp_directory_path() / "p42r-write-kills-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
      std::perror("p42r-write-kills: cannot make a directory");
      return 1;
    }
    directory = pattern;
  }
  std::mt19937_64 random(static_cast<std::uint64_t>(seed));
  int wrong = 0;
  try {
    Bench bench(directory / "device");
    const Counts management = bench.KillManagementWrites(static_cast<int>(kills), random);
    const Counts log = bench.KillLogWrites(static_cast<int>(kills), random);
    std::printf("\n%-16s %6s %13s %5s %5s %10s %7s\n", "file", "kills", "died writing", "old", "new", "cut line",
                "wrong");
    Report("management file", management);
    Report("diagnostic log", log);
    std::printf("pending copies left beside them by killed writes (never read; the file itself is whole): %zu\n",
                bench.Leftovers());
    wrong = management.wrong + log.wrong;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "p42r-write-kills: %s\n", error.what());
    wrong = 1;
  }
  if (ownDirectory) fs::remove_all(directory);
  std::printf("%s\n", wrong == 0 ? "every file read back as it must" : "SOME FILES WERE WRONG");
  return wrong == 0 ? 0 : 1;
}
