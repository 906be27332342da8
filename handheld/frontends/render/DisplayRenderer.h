// The render model: turns what the program left on its display into a grid
// of terminal cells, with the hit map for mouse clicks and the caret. Pure:
// the same display state and options give the same grid, so tests draw a
// screen off-screen and compare it with an expected grid.
//
// Top to bottom: the title bar (the frame's title, the wait cursor while a
// screen is busy), the active form laid out from its dialog units, the open
// dialogs over it with their caption, the open message boxes over
// everything, and the command bar with the keys.
#pragma once

#include <optional>

#include "frontends/render/CellGrid.h"
#include "frontends/render/ControlPainter.h"
#include "frontends/render/HitMap.h"
#include "frontends/render/PictureLibrary.h"
#include "platform/Display.h"

namespace p42r::frontends::render {

struct RenderOptions {
  int columns = kMinimumColumns;
  int rows = kMinimumRows;
  // The highlighted button of the topmost message box (0 is its first button).
  int selectedButton = 0;
};

struct Rendering {
  CellGrid grid;
  HitMap hits;
  std::optional<CursorPosition> cursor;  // where the caret of the focused field is
};

Rendering RenderDisplay(const platform::Display& display, PictureLibrary& pictures, const RenderOptions& options);

// The texts of the bars, for tests and for what the terminal shows.
inline constexpr std::u32string_view kWaitBadge = U" 処理中 ";
inline constexpr std::u32string_view kKeysForm = U" Tab/矢印:移動  Space:押す・選ぶ  文字:入力  Ctrl+C:終了";
inline constexpr std::u32string_view kKeysFormBusy = U" Tab/矢印:移動  Space:押す・選ぶ  文字:入力";
inline constexpr std::u32string_view kKeysMessageBox = U" ←→/Tab:ボタン  Enter/Space:決定  Esc:閉じる";
inline constexpr std::u32string_view kTooSmall = U"端末が小さすぎます(80x24以上)";
// Asked under a screen's warning before a person's close goes ahead.
inline constexpr std::u16string_view kCloseAnyway = u"それでも終了しますか？";

}  // namespace p42r::frontends::render
