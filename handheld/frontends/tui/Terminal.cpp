#include "frontends/tui/Terminal.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <langinfo.h>

#include <curses.h>

namespace p42r::frontends::tui {

namespace {

using render::ColourDepth;
using render::Rgb;

constexpr int kEscapeDelayMs = 25;

// ncursesw puts wide characters by the locale's rules; the program's texts
// need a UTF-8 one, whatever the environment chose.
void UseUtf8Locale() {
  std::setlocale(LC_ALL, "");
  const char* codeset = nl_langinfo(CODESET);
  if (codeset != nullptr && std::strcmp(codeset, "UTF-8") == 0) return;
  if (std::setlocale(LC_CTYPE, "C.UTF-8") == nullptr) std::setlocale(LC_CTYPE, "en_US.UTF-8");
}

int ColourNumber(Rgb colour, ColourDepth depth) {
  switch (depth) {
    case ColourDepth::TrueColour: return (colour.r << 16) | (colour.g << 8) | colour.b;
    case ColourDepth::Palette256: return render::Nearest256(colour);
    case ColourDepth::Basic8: return render::Nearest8(colour);
    case ColourDepth::Monochrome: break;
  }
  return -1;
}

KeyEvent Key(KeyEvent::Kind kind) { return KeyEvent{kind, 0, 0, 0}; }

// The NO_COLOR convention: set and not empty, the user wants no colours.
bool ColoursRefused() {
  const char* refused = std::getenv("NO_COLOR");
  return refused != nullptr && refused[0] != '\0';
}

}  // namespace

Terminal::~Terminal() { close(); }

std::optional<std::string> Terminal::open(int inputFd, int outputFd) {
  if (screen_ != nullptr) return std::nullopt;
  if (::isatty(inputFd) == 0 || ::isatty(outputFd) == 0) {
    return std::string("the terminal interface needs a terminal on standard input and output");
  }
  UseUtf8Locale();
  in_ = ::fdopen(::dup(inputFd), "r");
  out_ = ::fdopen(::dup(outputFd), "w");
  if (in_ == nullptr || out_ == nullptr) {
    close();
    return std::string("cannot open the terminal's descriptors");
  }
  const char* type = std::getenv("TERM");
  screen_ = newterm(type, out_, in_);
  if (screen_ == nullptr) {
    close();
    return std::string("the terminal type '") + (type != nullptr ? type : "") + "' is unknown";
  }
  outputFd_ = outputFd;
  set_term(screen_);
  // Raw: Ctrl-C and Ctrl-Q reach the program as keys (the close request),
  // and no flow control swallows them.
  raw();
  noecho();
  nonl();
  intrflush(stdscr, FALSE);
  keypad(stdscr, TRUE);
  nodelay(stdscr, TRUE);
  set_escdelay(kEscapeDelayMs);
  curs_set(0);
  mousemask(BUTTON1_PRESSED | BUTTON1_CLICKED | BUTTON4_PRESSED | BUTTON5_PRESSED, nullptr);
  mouseinterval(0);
  if (has_colors() && !ColoursRefused()) {
    start_color();
    if (COLORS >= 0x1000000) {
      depth_ = ColourDepth::TrueColour;
    } else if (COLORS >= 256) {
      depth_ = ColourDepth::Palette256;
    } else if (COLORS >= 8) {
      depth_ = ColourDepth::Basic8;
    }
  }
  return std::nullopt;
}

void Terminal::close() {
  if (screen_ != nullptr) {
    endwin();
    delscreen(screen_);
    screen_ = nullptr;
  }
  if (in_ != nullptr) std::fclose(in_);
  if (out_ != nullptr) std::fclose(out_);
  in_ = nullptr;
  out_ = nullptr;
}

int Terminal::columns() const { return screen_ != nullptr ? COLS : 0; }
int Terminal::rows() const { return screen_ != nullptr ? LINES : 0; }

void Terminal::resize() {
  if (screen_ == nullptr) return;
  winsize size{};
  if (::ioctl(outputFd_, TIOCGWINSZ, &size) == 0 && size.ws_row > 0 && size.ws_col > 0) {
    resize_term(size.ws_row, size.ws_col);
  }
  clearok(curscr, TRUE);
}

int Terminal::pairFor(const render::Style& style) {
  if (depth_ == ColourDepth::Monochrome) return 0;
  // Pairs are taken as they come; when they run short all are given back
  // and the whole screen is painted again with new ones.
  if (pairsUsed_ >= COLOR_PAIRS - 2) {
    reset_color_pairs();
    pairsUsed_ = 0;
    clearok(curscr, TRUE);
  }
  const int foreground = ColourNumber(style.foreground, depth_);
  const int background = ColourNumber(style.background, depth_);
  int pair = find_pair(foreground, background);
  if (pair < 0) {
    pair = alloc_pair(foreground, background);
    ++pairsUsed_;
  }
  return pair < 0 ? 0 : pair;
}

void Terminal::draw(const render::Rendering& rendering, bool fully) {
  if (screen_ == nullptr) return;
  if (fully) clearok(curscr, TRUE);
  const render::CellGrid& grid = rendering.grid;
  const int rowCount = std::min(grid.rows(), LINES);
  const int columnCount = std::min(grid.columns(), COLS);
  for (int row = 0; row < rowCount; ++row) {
    for (int column = 0; column < columnCount; ++column) {
      const render::Cell& cell = grid.at(column, row);
      if (cell.width == 0) continue;
      attr_t attributes = A_NORMAL;
      if ((cell.style.attributes & render::kAttributeBold) != 0) attributes |= A_BOLD;
      if ((cell.style.attributes & render::kAttributeUnderline) != 0) attributes |= A_UNDERLINE;
      if (depth_ == ColourDepth::Monochrome && (cell.style.attributes & render::kAttributeEmphasis) != 0) {
        attributes |= A_REVERSE;
      }
      int pair = pairFor(cell.style);
      const wchar_t text[2] = {static_cast<wchar_t>(cell.character), L'\0'};
      cchar_t shown;
      setcchar(&shown, text, attributes, 0, &pair);
      // The last cell of the screen cannot move the cursor on: ncurses
      // answers that with an error but draws the cell, which is all we want.
      mvwadd_wch(stdscr, row, column, &shown);
    }
  }
  if (rendering.cursor && rendering.cursor->row < LINES && rendering.cursor->column < COLS) {
    curs_set(1);
    wmove(stdscr, rendering.cursor->row, rendering.cursor->column);
  } else {
    curs_set(0);
  }
  wnoutrefresh(stdscr);
  doupdate();
}

bool Terminal::hungUp() const {
  if (in_ == nullptr) return false;
  pollfd fd{::fileno(in_), POLLIN, 0};
  return ::poll(&fd, 1, 0) > 0 && (fd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

std::vector<KeyEvent> Terminal::readEvents() {
  std::vector<KeyEvent> events;
  if (screen_ == nullptr) return events;
  for (;;) {
    wint_t code = 0;
    const int kind = wget_wch(stdscr, &code);
    if (kind == ERR) break;
    if (kind == KEY_CODE_YES) {
      switch (code) {
        case KEY_UP: events.push_back(Key(KeyEvent::Kind::Up)); break;
        case KEY_DOWN: events.push_back(Key(KeyEvent::Kind::Down)); break;
        case KEY_LEFT: events.push_back(Key(KeyEvent::Kind::Left)); break;
        case KEY_RIGHT: events.push_back(Key(KeyEvent::Kind::Right)); break;
        case KEY_BTAB: events.push_back(Key(KeyEvent::Kind::BackTab)); break;
        case KEY_ENTER: events.push_back(Key(KeyEvent::Kind::Enter)); break;
        case KEY_BACKSPACE: events.push_back(Key(KeyEvent::Kind::Backspace)); break;
        case KEY_F(10): events.push_back(Key(KeyEvent::Kind::Quit)); break;
        case KEY_RESIZE: events.push_back(Key(KeyEvent::Kind::Redraw)); break;
        case KEY_MOUSE: {
          MEVENT mouse{};
          if (getmouse(&mouse) != OK) break;
          KeyEvent event{KeyEvent::Kind::MousePress, 0, mouse.x, mouse.y};
          if ((mouse.bstate & BUTTON4_PRESSED) != 0) {
            event.kind = KeyEvent::Kind::WheelUp;
          } else if ((mouse.bstate & BUTTON5_PRESSED) != 0) {
            event.kind = KeyEvent::Kind::WheelDown;
          } else if ((mouse.bstate & (BUTTON1_PRESSED | BUTTON1_CLICKED)) == 0) {
            break;
          }
          events.push_back(event);
          break;
        }
        default: break;
      }
      continue;
    }
    switch (code) {
      case L'\t': events.push_back(Key(KeyEvent::Kind::Tab)); break;
      case L'\r':
      case L'\n': events.push_back(Key(KeyEvent::Kind::Enter)); break;
      case L' ': events.push_back(Key(KeyEvent::Kind::Space)); break;
      case 0x1B: events.push_back(Key(KeyEvent::Kind::Escape)); break;
      case 0x7F:
      case 0x08: events.push_back(Key(KeyEvent::Kind::Backspace)); break;
      case 0x03:
      case 0x11: events.push_back(Key(KeyEvent::Kind::Quit)); break;  // Ctrl-C (raw), Ctrl-Q
      case 0x0C: events.push_back(Key(KeyEvent::Kind::Redraw)); break;
      case 0x15: events.push_back(Key(KeyEvent::Kind::ClearField)); break;
      default:
        if (code >= 0x20) events.push_back(KeyEvent{KeyEvent::Kind::Character, static_cast<char32_t>(code), 0, 0});
        break;
    }
  }
  return events;
}

}  // namespace p42r::frontends::tui
