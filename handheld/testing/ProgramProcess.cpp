#include "testing/ProgramProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <vector>

namespace p42r::testing {

namespace {

void Pipe(int fds[2]) {
  if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
}

int RemainingMs(std::chrono::steady_clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

}  // namespace

ProgramProcess::ProgramProcess(const std::string& program, const std::vector<std::string>& arguments) {
  int in[2], out[2], err[2];
  Pipe(in);
  Pipe(out);
  Pipe(err);
  // Everything the child needs is built before the fork: in a process with
  // other threads, the child may only make async-signal-safe calls, and an
  // allocation could wait forever on a lock another thread held at the fork.
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 2);
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    ::dup2(in[0], STDIN_FILENO);
    ::dup2(out[1], STDOUT_FILENO);
    ::dup2(err[1], STDERR_FILENO);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(in[0]);
  ::close(out[1]);
  ::close(err[1]);
  input_ = in[1];
  output_ = out[0];
  error_ = err[0];
  ::signal(SIGPIPE, SIG_IGN);
}

ProgramProcess::~ProgramProcess() {
  if (input_ >= 0) ::close(input_);
  if (!exitCode_ && pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  if (output_ >= 0) ::close(output_);
  if (error_ >= 0) ::close(error_);
}

void ProgramProcess::send(const std::string& line) {
  const std::string data = line + "\n";
  std::size_t written = 0;
  while (written < data.size()) {
    const ssize_t count = ::write(input_, data.data() + written, data.size() - written);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return;  // the child has gone; reads will tell
    written += static_cast<std::size_t>(count);
  }
}

void ProgramProcess::closeInput() {
  if (input_ >= 0) ::close(input_);
  input_ = -1;
}

std::optional<std::string> ProgramProcess::readLine(std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    if (const auto newline = buffer_.find('\n'); newline != std::string::npos) {
      std::string line = buffer_.substr(0, newline);
      buffer_.erase(0, newline + 1);
      lines_.push_back(line);
      return line;
    }
    pollfd fd{output_, POLLIN, 0};
    const int ready = ::poll(&fd, 1, RemainingMs(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return std::nullopt;
    char chunk[4096];
    const ssize_t count = ::read(output_, chunk, sizeof chunk);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return std::nullopt;
    buffer_.append(chunk, static_cast<std::size_t>(count));
  }
}

std::optional<ProgramProcess::Json> ProgramProcess::next(std::chrono::milliseconds deadline) {
  const auto line = readLine(std::chrono::steady_clock::now() + deadline);
  if (!line) return std::nullopt;
  return Json::parse(*line, nullptr, /*allow_exceptions=*/false);
}

std::optional<ProgramProcess::Json> ProgramProcess::nextMatching(const std::function<bool(const Json&)>& match,
                                                                 std::chrono::milliseconds deadline) {
  const auto until = std::chrono::steady_clock::now() + deadline;
  for (;;) {
    const auto line = readLine(until);
    if (!line) return std::nullopt;
    Json value = Json::parse(*line, nullptr, false);
    if (match(value)) return value;
    skipped_.push_back(std::move(value));
  }
}

std::optional<ProgramProcess::Json> ProgramProcess::command(const std::string& line,
                                                            std::chrono::milliseconds deadline) {
  send(line);
  return nextMatching([](const Json& value) { return value.contains("reply"); }, deadline);
}

std::optional<ProgramProcess::Json> ProgramProcess::nextEvent(const std::string& event,
                                                              std::chrono::milliseconds deadline) {
  return nextMatching([&](const Json& value) { return value.value("event", "") == event; }, deadline);
}

std::optional<int> ProgramProcess::wait(std::chrono::milliseconds deadline) {
  if (exitCode_) return exitCode_;
  const auto until = std::chrono::steady_clock::now() + deadline;
  for (;;) {
    int status = 0;
    rusage usage{};
    const pid_t done = ::wait4(pid_, &status, WNOHANG, &usage);
    if (done == pid_) {
      exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      peakResidentKb_ = usage.ru_maxrss;
      return exitCode_;
    }
    if (std::chrono::steady_clock::now() >= until) return std::nullopt;
    // Block on the output instead of spinning: it closes when the child ends.
    char chunk[4096];
    pollfd fd{output_, POLLIN, 0};
    if (::poll(&fd, 1, std::min(RemainingMs(until), 50)) > 0) {
      const ssize_t count = ::read(output_, chunk, sizeof chunk);
      if (count > 0) buffer_.append(chunk, static_cast<std::size_t>(count));
    }
  }
}

std::string ProgramProcess::standardError() {
  std::string text;
  char chunk[4096];
  pollfd fd{error_, POLLIN, 0};
  while (::poll(&fd, 1, 0) > 0) {
    const ssize_t count = ::read(error_, chunk, sizeof chunk);
    if (count <= 0) break;
    text.append(chunk, static_cast<std::size_t>(count));
  }
  errorSeen_ += text;
  return text;
}

bool ProgramProcess::awaitStandardError(const std::string& text, std::size_t count,
                                        std::chrono::milliseconds deadline) {
  const auto until = std::chrono::steady_clock::now() + deadline;
  for (;;) {
    std::size_t found = 0;
    for (std::size_t at = errorSeen_.find(text); at != std::string::npos; at = errorSeen_.find(text, at + 1)) ++found;
    if (found >= count) return true;
    pollfd fd{error_, POLLIN, 0};
    const int ready = ::poll(&fd, 1, RemainingMs(until));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    char chunk[4096];
    const ssize_t read = ::read(error_, chunk, sizeof chunk);
    if (read < 0 && errno == EINTR) continue;
    if (read <= 0) return false;
    errorSeen_.append(chunk, static_cast<std::size_t>(read));
  }
}

}  // namespace p42r::testing
