// A program on a terminal of its own for end-to-end tests: a private tmux
// server (its own socket file, removed afterwards, so nothing else is touched) runs one command in
// a pane of a given size; tests type with send-keys and read the screen
// with capture-pane. Waits poll the screen until a deadline and fail then.
#pragma once

#include <chrono>
#include <string>

namespace p42r::frontends::tui::testing {

class TmuxSession {
 public:
  static bool Available();

  // Runs `command` through sh in a pane of `columns` x `rows`.
  TmuxSession(const std::string& command, int columns, int rows);
  ~TmuxSession();
  TmuxSession(const TmuxSession&) = delete;
  TmuxSession& operator=(const TmuxSession&) = delete;

  // Keys in tmux's names ("Space", "Enter", "C-c", "Tab").
  void sendKeys(const std::string& keys);
  void resize(int columns, int rows);
  // The screen as text; with `colours`, with the SGR codes of every cell.
  std::string capture(bool colours = false) const;
  // Polls the screen until it shows every one of `texts`; false at the deadline.
  bool waitFor(std::initializer_list<std::string> texts,
               std::chrono::milliseconds deadline = std::chrono::milliseconds(15000)) const;

 private:
  std::string tmux(const std::string& arguments) const;
  std::string socket_;
};

// Polls `path` until it exists and holds `text`; false at the deadline.
bool WaitForFile(const std::string& path, const std::string& text,
                 std::chrono::milliseconds deadline = std::chrono::milliseconds(15000));
std::string ReadFile(const std::string& path);

}  // namespace p42r::frontends::tui::testing
