// The handheld's end of the card's pty in tests: the slave opened the way a
// serial port is opened (raw, no controlling tty, exclusive), with reads that
// wait for an expected text under a real-time deadline and fail instead of
// hanging.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace p42r::card::testing {

class SerialTestPort {
public:
  explicit SerialTestPort(const std::string& path);
  ~SerialTestPort();
  SerialTestPort(const SerialTestPort&) = delete;
  SerialTestPort& operator=(const SerialTestPort&) = delete;

  bool isOpen() const { return fd_ >= 0; }

  // Writes a command as the handheld does: text, CR, LF and one NUL.
  void writeCommand(std::string_view text);
  void writeBytes(std::string_view bytes);

  // Reads until `expected` has arrived or the deadline passes; returns all
  // bytes read (the caller checks that `expected` is in them).
  std::string readUntil(std::string_view expected, std::chrono::milliseconds deadline = std::chrono::seconds(10));

  // Reads until everything read so far, by any call, holds `expected`.
  bool waitForTotal(std::string_view expected, std::chrono::milliseconds deadline = std::chrono::seconds(10));
  const std::string& total() const { return total_; }

  // Waits until the line hangs up (read gives EIO or end of file).
  bool waitForHangUp(std::chrono::milliseconds deadline = std::chrono::seconds(10));

private:
  int fd_ = -1;
  std::string total_;
};

}  // namespace p42r::card::testing
