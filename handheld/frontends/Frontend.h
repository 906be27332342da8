// What the program asks of a frontend, whichever it is (the commands, the
// script protocol, the terminal, the window): to start once the screens
// exist, to give back what it holds of the host (a terminal, a window) as
// soon as the loop has ended, and to report the end. It brings no toolkit
// with it, so the program that does not carry the window links none.
#pragma once

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
};

}  // namespace p42r::frontends
