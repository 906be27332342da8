// A control of a form: the state a screen sets and a frontend shows. Controls
// are created from a dialog template; every change is reported to the form's
// observer, so frontends redraw and the script frontend can report it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "resources/DialogTemplate.h"

namespace p42r::platform {

class Control;

enum class ControlProperty : std::uint8_t {
  Text,
  Visible,
  Enabled,
  Checked,
  Rows,
  Selection,
  Range,
  Position,
  Picture,
  Columns,
};

const char* ControlPropertyName(ControlProperty property);

class ControlListener {
 public:
  virtual void controlChanged(const Control& control, ControlProperty property) = 0;

 protected:
  ~ControlListener() = default;
};

// How a picture sits in its placeholder: stretched into the rectangle, or
// copied unscaled to the window's top-left corner when the display cannot
// stretch.
enum class PictureMode : std::uint8_t { Stretch, Unscaled };

struct Picture {
  int resource = 0;  // bitmap resource id, 0 for none
  PictureMode mode = PictureMode::Stretch;
  int sourceX = 0;   // source origin inside the bitmap
  int sourceY = 0;
};

struct ListColumn {
  std::u16string heading;
  int widthPixels = 0;
};

class Control {
 public:
  Control(const resources::ControlTemplate& source, ControlListener& listener);

  std::uint16_t id() const { return id_; }
  resources::ControlKind kind() const { return kind_; }
  std::uint32_t style() const { return style_; }
  bool hasStyle(std::uint32_t bits) const { return (style_ & bits) == bits; }
  const resources::DialogRect& rect() const { return rect_; }

  const std::u16string& text() const { return text_; }
  // The string-table entry the text was made from, for whoever reads the
  // screen to recognise it by; 0 for any other text (typed, composed).
  std::uint32_t textId() const { return textId_; }
  void setText(std::u16string text, std::uint32_t textId = 0);

  bool isVisible() const { return visible_; }
  void show(bool visible);
  bool isEnabled() const { return enabled_; }
  void enable(bool enabled);
  // A tab stop that can take the focus now: visible, enabled, and a kind
  // that takes input (button, radio button, edit, list).
  bool takesFocus() const;

  // Buttons and radio buttons.
  bool isChecked() const { return checked_; }
  void setChecked(bool checked);

  // Edits: the characters the field accepts (0: no limit).
  std::size_t maxLength() const { return maxLength_; }
  void setMaxLength(std::size_t limit) { maxLength_ = limit; }
  // The input method is detached: characters arrive without conversion.
  bool inputMethodDetached() const { return imeDetached_; }
  void detachInputMethod() { imeDetached_ = true; }

  // List views: columns, rows of cell texts, the selected row (-1: none).
  const std::vector<ListColumn>& columns() const { return columns_; }
  void insertColumn(std::size_t index, ListColumn column);
  const std::vector<std::vector<std::u16string>>& rows() const { return rows_; }
  // Inserts a row at `index` (clamped to the end); returns the row's index.
  int insertRow(int index, std::u16string firstCell);
  bool setCell(int row, std::size_t column, std::u16string text);
  void deleteAllRows();
  int selectedRow() const { return selectedRow_; }
  void selectRow(int row);

  // Progress bars.
  int rangeLow() const { return rangeLow_; }
  int rangeHigh() const { return rangeHigh_; }
  void setRange(int low, int high);
  int position() const { return position_; }
  void setPosition(int position);

  // Picture placeholders: what was drawn into the control's rectangle.
  const Picture& picture() const { return picture_; }
  void setPicture(Picture picture);

 private:
  void changed(ControlProperty property) { listener_.controlChanged(*this, property); }

  ControlListener& listener_;
  std::uint16_t id_;
  resources::ControlKind kind_;
  std::uint32_t style_;
  resources::DialogRect rect_;
  std::u16string text_;
  std::uint32_t textId_ = 0;
  bool visible_;
  bool enabled_;
  bool checked_ = false;
  bool imeDetached_ = false;
  std::size_t maxLength_;
  std::vector<ListColumn> columns_;
  std::vector<std::vector<std::u16string>> rows_;
  int selectedRow_ = -1;
  int rangeLow_ = 0;
  int rangeHigh_ = 100;
  int position_ = 0;
  Picture picture_;
};

}  // namespace p42r::platform
