// p42r-soak: drives the real program through its screens against hostile
// simulated cards for a given time and reports crashes, hangs, the peak
// resident memory and how the resident memory moved from minute to minute.
// Run with --help for the options.
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "reliability/ResidentMemory.h"
#include "reliability/SoakLane.h"

namespace {

namespace fs = std::filesystem;
using p42r::reliability::LaneSettings;
using p42r::reliability::SoakClock;
using p42r::reliability::SoakLane;
using p42r::reliability::SoakSettings;

constexpr const char* kUsage = R"(Usage: p42r-soak [OPTIONS]

Drives p42r --ui=script --virtual-clock through every screen against hostile
simulated cards (p42r-card) for a given time, in lanes that run side by side,
each with its own device root and card:

  resident          the consumer menu and the phone update, again and again, in
                    one copy that never presses an exit button, against a card
                    that streams every kind of hostile input from AT@KUPSTART on
                    (scenario hostile-during-update)
  consumer, general, admin-connection, admin-id, applications
                    the screens behind each way in (--entry), against a card
                    hostile from its first answer (scenario hostile); when the
                    program ends (it closes on what it cannot take), the next
                    copy starts

The walk is random but seeded: it presses buttons, types into fields, picks
list rows, answers message boxes and moves the program's clock (now and then
past every watchdog). Every command must be answered within the deadline, or
it is a hang and the copy is killed. A copy that dies of a signal or reports a
sanitizer error is a crash.

Options:
  --seconds N           how long to run (default 180)
  --minutes N           the same in minutes
  --program PATH        the p42r to drive (default: the one of this tool's build)
  --card PATH           the p42r-card to use (default: the one of this tool's build)
  --lanes A,B,...       only these lanes (default: all six)
  --seed N              the first lane's seed (default 1; lane i uses N + i)
  --reply-deadline-ms N how long a command may go unanswered (default 20000)
  --max-peak-kb N       also fail when a copy's peak resident memory passes N KiB
  --keep                keep the work directory (device roots, card scenarios)
  -h, --help            show this text

Exit status: 0 when there was no crash and no hang (and the peak stayed under
--max-peak-kb), 1 otherwise, 2 for a wrong command line.
)";

struct Sample {
  int second;
  int run;
  long residentKb;
};

struct LaneMemory {
  std::vector<Sample> samples;
  long peakKb = 0;
};

bool ParseNumber(const std::string& text, long& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && value >= 0;
}

std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    if (comma > start) parts.push_back(text.substr(start, comma - start));
    start = comma + 1;
  }
  return parts;
}

// The largest sample of each whole minute of the longest-lived copy.
std::vector<long> MinuteMaxima(const LaneMemory& memory, int& longestRun, int& firstSecond, int& lastSecond) {
  std::map<int, std::pair<int, int>> spans;  // run -> first, last second
  for (const Sample& sample : memory.samples) {
    auto [it, added] = spans.try_emplace(sample.run, sample.second, sample.second);
    if (!added) it->second.second = sample.second;
  }
  longestRun = 0;
  int longest = -1;
  for (const auto& [run, span] : spans) {
    if (span.second - span.first > longest) {
      longest = span.second - span.first;
      longestRun = run;
      firstSecond = span.first;
      lastSecond = span.second;
    }
  }
  std::vector<long> maxima;
  for (const Sample& sample : memory.samples) {
    if (sample.run != longestRun) continue;
    const auto minute = static_cast<std::size_t>((sample.second - firstSecond) / 60);
    if (maxima.size() <= minute) maxima.resize(minute + 1, 0);
    maxima[minute] = std::max(maxima[minute], sample.residentKb);
  }
  return maxima;
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path here = fs::canonical("/proc/self/exe").parent_path();
  SoakSettings soak;
  // This build's programs: the tool is in <build>/reliability.
  soak.program = (here.parent_path() / "handheld" / "p42r").string();
  soak.card = (here.parent_path() / "card" / "p42r-card").string();
  long seconds = 180;
  long seed = 1;
  long maxPeakKb = 0;
  bool keep = false;
  std::vector<std::string> chosen;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    const bool hasValue = i + 1 < argc;
    long number = 0;
    if (option == "-h" || option == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (option == "--keep") {
      keep = true;
    } else if (hasValue && (option == "--seconds" || option == "--minutes") && ParseNumber(argv[i + 1], number)) {
      seconds = option == "--minutes" ? number * 60 : number;
      ++i;
    } else if (hasValue && option == "--program") {
      soak.program = argv[++i];
    } else if (hasValue && option == "--card") {
      soak.card = argv[++i];
    } else if (hasValue && option == "--lanes") {
      chosen = Split(argv[++i]);
    } else if (hasValue && option == "--seed" && ParseNumber(argv[i + 1], seed)) {
      ++i;
    } else if (hasValue && option == "--reply-deadline-ms" && ParseNumber(argv[i + 1], number) && number > 0) {
      soak.replyDeadline = std::chrono::milliseconds(number);
      ++i;
    } else if (hasValue && option == "--max-peak-kb" && ParseNumber(argv[i + 1], maxPeakKb)) {
      ++i;
    } else {
      std::fprintf(stderr, "p42r-soak: unknown option or bad value: %s (see --help)\n", option.c_str());
      return 2;
    }
  }

  std::vector<LaneSettings> lanes = {
      {"resident", "consumer", "hostile-during-update", false, 0},
      {"consumer", "consumer", "hostile", true, 0},
      {"general", "general", "hostile", true, 0},
      {"admin-connection", "admin-connection", "hostile", true, 0},
      {"admin-id", "admin-id", "hostile", true, 0},
      {"applications", "applications", "hostile", true, 0},
  };
  if (!chosen.empty()) {
    std::vector<LaneSettings> kept;
    for (const std::string& name : chosen) {
      const auto found = std::find_if(lanes.begin(), lanes.end(), [&](const LaneSettings& l) { return l.name == name; });
      if (found == lanes.end()) {
        std::fprintf(stderr, "p42r-soak: no lane %s (see --help)\n", name.c_str());
        return 2;
      }
      kept.push_back(*found);
    }
    lanes = kept;
  }
  for (std::size_t i = 0; i < lanes.size(); ++i) lanes[i].seed = static_cast<std::uint64_t>(seed) + i;

  std::string pattern = (fs::temp_directory_path() / "p42r-soak-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    std::perror("p42r-soak: cannot make a work directory");
    return 1;
  }
  soak.workDirectory = pattern;
  const auto start = SoakClock::now();
  soak.end = start + std::chrono::seconds(seconds);
  std::printf("p42r-soak: %ld s, %zu lanes, seed %ld, program %s, work directory %s\n", seconds, lanes.size(), seed,
              soak.program.c_str(), soak.workDirectory.c_str());
  std::fflush(stdout);

  std::vector<std::unique_ptr<SoakLane>> running;
  for (const LaneSettings& lane : lanes) running.push_back(std::make_unique<SoakLane>(lane, soak));
  std::vector<LaneMemory> memory(running.size());
  std::atomic<bool> sampling{true};
  std::thread sampler([&] {
    auto next = start;
    while (sampling.load()) {
      const int second = static_cast<int>(std::chrono::duration_cast<std::chrono::seconds>(next - start).count());
      for (std::size_t i = 0; i < running.size(); ++i) {
        const pid_t pid = running[i]->CurrentPid();
        const int run = running[i]->CurrentRun();
        if (pid <= 0) continue;
        if (const auto now = p42r::reliability::ReadResidentMemory(pid)) {
          memory[i].samples.push_back({second, run, now->residentKb});
          memory[i].peakKb = std::max(memory[i].peakKb, now->peakKb);
        }
      }
      next += std::chrono::seconds(1);
      std::this_thread::sleep_until(next);
    }
  });
  std::vector<std::thread> threads;
  for (auto& lane : running) threads.emplace_back([&lane] { lane->Run(); });
  for (auto& thread : threads) thread.join();
  sampling = false;
  sampler.join();
  const double elapsed = std::chrono::duration<double>(SoakClock::now() - start).count();

  int crashes = 0;
  int hangs = 0;
  long peakKb = 0;
  std::set<int> screens;
  std::printf("\n%-17s %6s %7s %7s %5s %9s  %-20s %s\n", "lane", "copies", "steps", "crashes", "hangs", "peak KiB",
              "exit codes", "screens shown");
  for (std::size_t i = 0; i < running.size(); ++i) {
    const auto& result = running[i]->result();
    crashes += result.crashes;
    hangs += result.hangs;
    const long lanePeak = std::max(result.peakResidentKb, memory[i].peakKb);
    peakKb = std::max(peakKb, lanePeak);
    std::string codes;
    for (const auto& [code, count] : result.exitCodes) {
      codes += (codes.empty() ? "" : " ") + std::to_string(code) + "x" + std::to_string(count);
    }
    std::string shown;
    for (const int screen : result.screens) {
      shown += (shown.empty() ? "" : ",") + std::to_string(screen);
      screens.insert(screen);
    }
    std::printf("%-17s %6d %7ld %7d %5d %9ld  %-20s %s\n", running[i]->settings().name.c_str(), result.runs,
                result.steps, result.crashes, result.hangs, lanePeak, codes.c_str(), shown.c_str());
  }
  for (const auto& lane : running) {
    for (const std::string& problem : lane->result().problems) {
      std::printf("  %s: %s\n", lane->settings().name.c_str(), problem.c_str());
    }
  }

  std::printf("\nresident memory of each lane's longest-lived copy, largest VmRSS per minute (KiB):\n");
  for (std::size_t i = 0; i < running.size(); ++i) {
    int run = 0, first = 0, last = 0;
    const std::vector<long> maxima = MinuteMaxima(memory[i], run, first, last);
    if (maxima.empty()) continue;
    std::printf("  %-17s copy %d, %d s:", running[i]->settings().name.c_str(), run, last - first);
    for (const long value : maxima) std::printf(" %ld", value);
    const long growth = maxima.back() - maxima.front();
    std::printf("  | first to last minute %+ld", growth);
    if (maxima.size() >= 6) std::printf(", over the last five minutes %+ld", maxima.back() - maxima[maxima.size() - 6]);
    std::printf("\n");
  }

  std::string allScreens;
  for (const int screen : screens) allScreens += (allScreens.empty() ? "" : ",") + std::to_string(screen);
  std::printf("\ntotal: %.0f s, crashes %d, hangs %d, peak resident memory %ld KiB (%.1f MiB), screens shown %s\n",
              elapsed, crashes, hangs, peakKb, static_cast<double>(peakKb) / 1024.0, allScreens.c_str());
  for (auto& lane : running) lane.reset();
  if (!keep) fs::remove_all(soak.workDirectory);
  const bool peakOk = maxPeakKb == 0 || peakKb <= maxPeakKb;
  if (!peakOk) std::printf("the peak passed %ld KiB\n", maxPeakKb);
  return crashes == 0 && hangs == 0 && peakOk ? 0 : 1;
}
