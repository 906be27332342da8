#include "TmuxSession.h"

#include <unistd.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace p42r::frontends::tui::testing {

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(50);

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string Run(const std::string& command) {
  std::string output;
  if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
    std::array<char, 4096> buffer{};
    std::size_t count;
    while ((count = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) output.append(buffer.data(), count);
    ::pclose(pipe);
  }
  return output;
}

}  // namespace

bool TmuxSession::Available() { return std::system("tmux -V >/dev/null 2>&1") == 0; }

TmuxSession::TmuxSession(const std::string& command, int columns, int rows) {
  static std::atomic<int> counter{0};
  socket_ = (std::filesystem::temp_directory_path() /
             ("p42r-tui-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++)))
                .string();
  tmux("-f /dev/null new-session -d -s test -x " + std::to_string(columns) + " -y " + std::to_string(rows) +
       " " + Quote("TERM=tmux-256color; export TERM; " + command) + " \\; set-option -t test status off");
}

TmuxSession::~TmuxSession() {
  tmux("kill-server");
  std::error_code ignored;
  std::filesystem::remove(socket_, ignored);
}

std::string TmuxSession::tmux(const std::string& arguments) const {
  return Run("tmux -S " + Quote(socket_) + " " + arguments + " 2>/dev/null");
}

void TmuxSession::sendKeys(const std::string& keys) { tmux("send-keys -t test " + keys); }

void TmuxSession::resize(int columns, int rows) {
  tmux("resize-window -t test -x " + std::to_string(columns) + " -y " + std::to_string(rows));
}

std::string TmuxSession::capture(bool colours) const {
  return tmux(std::string("capture-pane -p ") + (colours ? "-e " : "") + "-t test");
}

bool TmuxSession::waitFor(std::initializer_list<std::string> texts, std::chrono::milliseconds deadline) const {
  const auto until = std::chrono::steady_clock::now() + deadline;
  for (;;) {
    const std::string screen = capture();
    bool all = true;
    for (const auto& text : texts) all = all && screen.find(text) != std::string::npos;
    if (all) return true;
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(kPollInterval);
  }
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path);
  std::stringstream content;
  content << file.rdbuf();
  return content.str();
}

bool WaitForFile(const std::string& path, const std::string& text, std::chrono::milliseconds deadline) {
  const auto until = std::chrono::steady_clock::now() + deadline;
  for (;;) {
    if (ReadFile(path).find(text) != std::string::npos) return true;
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(kPollInterval);
  }
}

}  // namespace p42r::frontends::tui::testing
