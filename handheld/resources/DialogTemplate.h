// Dialog templates: the data from which every screen and dialog is built.
// Positions and sizes are in dialog units; code finds controls by identifier
// after a template is loaded and binds its handlers then.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace p42r::resources {

enum class ControlKind : std::uint8_t {
  Static,       // text label
  Picture,      // static bitmap / icon
  Button,       // push button
  RadioButton,  // automatic radio button
  GroupBox,
  Edit,
  ListView,
  ProgressBar,
};

// Style bits of a control, the subset of the platform's styles the screens use.
enum ControlStyle : std::uint32_t {
  kStyleNone = 0,
  kStyleHidden = 1u << 0,         // created without the visible style
  kStyleDisabled = 1u << 1,
  kStyleTabStop = 1u << 2,
  kStyleGroup = 1u << 3,          // starts a group (radio buttons, tab order)
  kStyleBorder = 1u << 4,
  kStyleAlignCenter = 1u << 5,    // static text alignment (left is the default)
  kStyleAlignRight = 1u << 6,
  kStyleMultiline = 1u << 7,      // edit
  kStyleReadOnly = 1u << 8,       // edit
  kStylePassword = 1u << 9,       // edit: masked characters
  kStyleAutoHScroll = 1u << 10,   // edit: one line that scrolls horizontally
  kStyleWantReturn = 1u << 11,    // edit: Return inserts a line break
  kStyleAutoVScroll = 1u << 12,   // edit
  kStyleDefaultButton = 1u << 13, // button
  kStyleListReport = 1u << 14,    // list view: report view
  kStyleListSingleSel = 1u << 15,
  kStyleListShowSelAlways = 1u << 16,
  kStyleListNoColumnHeader = 1u << 17,
  kStyleListNoScroll = 1u << 18,
};

// Identifier of a control that no code addresses (the resource compiler's -1).
inline constexpr std::uint16_t kUnnamedControl = 0xFFFF;

struct DialogRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

struct ControlTemplate {
  std::uint16_t id = kUnnamedControl;
  ControlKind kind = ControlKind::Static;
  std::u16string_view text;
  DialogRect rect;
  std::uint32_t style = kStyleNone;
  std::uint16_t maxLength = 0;  // edits: characters the field accepts, 0 = no limit
};

struct DialogTemplate {
  std::uint16_t id = 0;
  int width = 0;   // dialog units
  int height = 0;
  std::u16string_view caption;  // empty for screens (child style, no title)
  std::span<const ControlTemplate> controls;
};

// The template with resource id `id`, or nullptr.
const DialogTemplate* FindDialog(std::uint16_t id);

// Every template in the program, ascending by id.
std::span<const DialogTemplate> AllDialogs();

}  // namespace p42r::resources
