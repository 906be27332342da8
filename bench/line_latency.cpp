// How long a line written at the card's end of a real pseudo-terminal takes
// until the screen that started the reader has handled it: the channel's
// reader on the host port, the posted message, the user-interface loop and
// the screen's first step with every line (taking it as wide text).
//
// Two cases, one after the other: an idle port, and a hostile card that
// sends FLOOD bytes without a line feed before every notice. A notice's time
// starts when its bytes are handed to the pty, after the flood before it,
// so what the reader still has to work off of the flood counts.
//
// Usage: line_latency [LINES] [FLOOD_BYTES]   (defaults 2000 and 1048576)
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/AtVocabulary.h"
#include "link/ChannelMessages.h"
#include "link/SerialChannel.h"
#include "platform/PosixSerialApi.h"

namespace {

using namespace p42r;
using Steady = std::chrono::steady_clock;

// The screen's side: takes each line as every screen does and notes when.
class ReceivingScreen final : public platform::Window {
 public:
  ReceivingScreen(platform::WindowSystem& windows, platform::CodePage& codePage)
      : Window(windows), codePage_(codePage) {}

  void handleMessage(platform::Message& message) override {
    if (message.id != link::WM_DEVICE_LINE) return;
    const auto line = link::at::TakeLine(message, codePage_);
    if (!line || line->size() < 4 || line->compare(0, 3, u"FDL") != 0) return;
    std::size_t number = 0;
    for (std::size_t i = 3; i < line->size(); ++i) number = number * 10 + static_cast<std::size_t>((*line)[i] - u'0');
    if (number < handledAt.size()) handledAt[number] = Steady::now();
    std::lock_guard lock(mutex);
    ++handled;
    handledChanged.notify_one();
  }

  // Written by the user-interface thread only while the card waits.
  std::vector<Steady::time_point> handledAt;
  std::mutex mutex;
  std::condition_variable handledChanged;
  std::size_t handled = 0;

 private:
  platform::CodePage& codePage_;
};

bool WriteAll(int fd, const char* bytes, std::size_t size) {
  while (size > 0) {
    const ssize_t sent = ::write(fd, bytes, size);
    if (sent < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes += sent;
    size -= static_cast<std::size_t>(sent);
  }
  return true;
}

struct Case {
  const char* name;
  std::size_t floodBytes;
  std::vector<double> microseconds;
};

// The card: per notice, the flood (if any), then the notice; waits until the
// screen has handled it and pauses a little, so that notices do not queue.
bool RunCard(int master, ReceivingScreen& screen, Case& run, std::size_t lines) {
  const std::string flood(run.floodBytes, 'x');
  std::vector<Steady::time_point> writtenAt(lines);
  screen.handledAt.assign(lines, {});
  screen.handled = 0;
  for (std::size_t number = 0; number < lines; ++number) {
    if (!flood.empty() && !WriteAll(master, flood.data(), flood.size())) return false;
    char notice[32];
    const int length = std::snprintf(notice, sizeof notice, "\r\nFDL%06zu\r\n", number);
    writtenAt[number] = Steady::now();
    if (!WriteAll(master, notice, static_cast<std::size_t>(length))) return false;
    // Blocking, not spinning: the card must not take the processor from the
    // threads it measures, nor from the kernel worker that moves pty data.
    std::unique_lock lock(screen.mutex);
    if (!screen.handledChanged.wait_for(lock, std::chrono::seconds(10), [&] { return screen.handled > number; })) {
      std::fprintf(stderr, "line_latency: notice %zu was never handled\n", number);
      return false;
    }
    lock.unlock();
    std::this_thread::sleep_for(std::chrono::microseconds(500 + (number * 7919) % 1000));
  }
  run.microseconds.clear();
  for (std::size_t number = 0; number < lines; ++number) {
    run.microseconds.push_back(std::chrono::duration<double, std::micro>(screen.handledAt[number] - writtenAt[number]).count());
  }
  return true;
}

double Percentile(std::vector<double> sorted, double fraction) {
  std::sort(sorted.begin(), sorted.end());
  const auto index = static_cast<std::size_t>(fraction * static_cast<double>(sorted.size() - 1) + 0.5);
  return sorted[std::min(index, sorted.size() - 1)];
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t lines = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 2000;
  const std::size_t floodBytes = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 1024 * 1024;
  if (lines == 0) {
    std::fprintf(stderr, "usage: line_latency [LINES] [FLOOD_BYTES]\n");
    return 2;
  }

  const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  char slave[256];
  if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0 || ::ptsname_r(master, slave, sizeof slave) != 0) {
    std::perror("line_latency: pseudo-terminal");
    return 1;
  }
  const std::string slavePath = slave;

  platform::SteadyClock clock;
  platform::EventLoop loop{clock};
  platform::WindowSystem windows{loop};
  platform::Display display{loop};
  platform::CodePage codePage;
  platform::DiagnosticLog log{clock};
  platform::PosixSerialApi serial([&](std::u16string_view) { return std::optional<std::string>(slavePath); });
  link::SerialChannel channel{serial, windows, display, codePage, log, clock};
  ReceivingScreen screen{windows, codePage};

  try {
    channel.Open(u"COM4:");
  } catch (const link::DeviceLinkError&) {
    std::fprintf(stderr, "line_latency: the port on %s does not open\n", slave);
    return 1;
  }
  channel.StartReader(link::ReaderParam{screen.handle(), channel.portHandle()});

  std::vector<Case> cases{{"idle", 0, {}}, {"flood", floodBytes, {}}};
  bool ok = true;
  std::thread card([&] {
    for (auto& run : cases) ok = ok && RunCard(master, screen, run, lines);
    loop.postTask([&] { loop.quit(0); });
  });
  loop.run();
  card.join();
  channel.StopReader(channel.portHandle());
  channel.Close();
  channel.JoinReaders();
  ::close(master);
  if (!ok) return 1;

  std::printf("| case | bytes without a line feed before each notice | notices | p50 ms | p99 ms | max ms |\n");
  std::printf("|---|---:|---:|---:|---:|---:|\n");
  for (const auto& run : cases) {
    std::printf("| %s | %zu | %zu | %.3f | %.3f | %.3f |\n", run.name, run.floodBytes, run.microseconds.size(),
                Percentile(run.microseconds, 0.50) / 1000, Percentile(run.microseconds, 0.99) / 1000,
                Percentile(run.microseconds, 1.0) / 1000);
  }
  return 0;
}
