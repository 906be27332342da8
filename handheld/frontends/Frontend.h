// What the program asks of a frontend, whichever it is (the commands, the
// script protocol, the terminal, the window): to start once the screens
// exist, to give back what it holds of the host (a terminal, a window) as
// soon as the loop has ended, and to report the end; which signals it
// answers, and how (they come through the one SignalPath). It brings no
// toolkit with it, so the program that does not carry the window links none.
#pragma once

#include <csignal>
#include <vector>

namespace p42r::frontends {

class Frontend {
 public:
  virtual ~Frontend() = default;

  // The screens exist and the loop is about to run: begin to show and to read input.
  virtual void start() = 0;
  // The loop has ended: a terminal or a window is given back at once,
  // before the program's own teardown. Nothing to give back: nothing to do.
  virtual void release() {}
  // The program ended with `exitCode`: reports the end; the run's exit code.
  virtual int finish(int exitCode) = 0;

  // The signals that end the run, or that this frontend answers itself.
  virtual std::vector<int> handledSignals() const { return {SIGINT, SIGTERM, SIGHUP}; }
  // Any thread, the moment a signal arrives: for a frontend that may be
  // waiting on the user-interface thread (a prompt) and must stop waiting.
  virtual void signalArrived(int /*signal*/) {}
  // The user-interface thread: answers the signal; false leaves it to the
  // program, which asks the screens to close.
  virtual bool signalled(int /*signal*/) { return false; }
};

}  // namespace p42r::frontends
