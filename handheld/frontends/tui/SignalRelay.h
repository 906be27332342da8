// Turns the signals it is given into bytes on a pipe, so that a thread can
// wait for them with poll beside its other descriptors (SignalPath is its
// user: the close signals and each frontend's own). The handler only writes one byte, which is
// safe in a signal handler. One relay at a time per process; the previous
// handlers come back when it is destroyed.
#pragma once

#include <csignal>
#include <vector>

namespace p42r::frontends::tui {

class SignalRelay {
 public:
  explicit SignalRelay(const std::vector<int>& signals);
  ~SignalRelay();
  SignalRelay(const SignalRelay&) = delete;
  SignalRelay& operator=(const SignalRelay&) = delete;

  // Catches `signals` as well, those not caught yet.
  void add(const std::vector<int>& signals);

  // Readable when a signal has come; read() gives them in order of arrival.
  int fd() const { return readFd_; }
  // The signals that arrived since the last call (never blocks).
  std::vector<int> read();

 private:
  struct Saved {
    int signal;
    struct sigaction action;
  };
  int readFd_ = -1;
  int writeFd_ = -1;
  std::vector<Saved> saved_;
};

}  // namespace p42r::frontends::tui
