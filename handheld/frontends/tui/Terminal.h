// The terminal, through ncursesw: taking it over and giving it back, its
// size and colours, putting a rendered grid on it, and reading keys and
// mouse presses. Everything here runs on the user-interface thread.
//
// Colours: 24-bit where the terminal description offers direct colour, the
// nearest of 256 or 8 palette colours otherwise, reverse video for the focus
// on a terminal without colours or when NO_COLOR asks for none. ncurses
// sends only the cells that changed, so redrawing the whole grid does not
// flicker.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "frontends/render/DisplayRenderer.h"
#include "frontends/tui/KeyEvent.h"

struct screen;

namespace p42r::frontends::tui {

class Terminal {
 public:
  Terminal() = default;
  ~Terminal();
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  // Takes over the terminal on `inputFd` / `outputFd`; the reason when it cannot.
  std::optional<std::string> open(int inputFd, int outputFd);
  // Gives the terminal back as it was. Safe to call more than once.
  void close();
  bool isOpen() const { return screen_ != nullptr; }

  int columns() const;
  int rows() const;
  render::ColourDepth depth() const { return depth_; }

  // Follows a change of the terminal's size.
  void resize();
  void draw(const render::Rendering& rendering, bool fully);
  // Everything typed so far; never waits.
  std::vector<KeyEvent> readEvents();
  // The terminal has gone (its other end closed): nothing will be typed again.
  bool hungUp() const;

 private:
  int pairFor(const render::Style& style);

  ::screen* screen_ = nullptr;
  std::FILE* in_ = nullptr;
  std::FILE* out_ = nullptr;
  int outputFd_ = -1;
  render::ColourDepth depth_ = render::ColourDepth::Monochrome;
  int pairsUsed_ = 0;
};

}  // namespace p42r::frontends::tui
