#include "platform/Control.h"

#include <algorithm>

namespace p42r::platform {

const char* ControlPropertyName(ControlProperty property) {
  switch (property) {
    case ControlProperty::Text: return "text";
    case ControlProperty::Visible: return "visible";
    case ControlProperty::Enabled: return "enabled";
    case ControlProperty::Checked: return "checked";
    case ControlProperty::Rows: return "rows";
    case ControlProperty::Selection: return "selected";
    case ControlProperty::Range: return "range";
    case ControlProperty::Position: return "position";
    case ControlProperty::Picture: return "picture";
    case ControlProperty::Columns: return "columns";
  }
  return "unknown";
}

Control::Control(const resources::ControlTemplate& source, ControlListener& listener)
    : listener_(listener),
      id_(source.id),
      kind_(source.kind),
      style_(source.style),
      rect_(source.rect),
      text_(source.text),
      visible_((source.style & resources::kStyleHidden) == 0),
      enabled_((source.style & resources::kStyleDisabled) == 0),
      maxLength_(source.maxLength) {}

void Control::setText(std::u16string text, std::uint32_t textId) {
  textId_ = textId;
  if (text == text_) return;
  text_ = std::move(text);
  changed(ControlProperty::Text);
}

void Control::show(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  changed(ControlProperty::Visible);
}

bool Control::takesFocus() const {
  if (!visible_ || !enabled_ || !hasStyle(resources::kStyleTabStop)) return false;
  switch (kind_) {
    case resources::ControlKind::Button:
    case resources::ControlKind::RadioButton:
    case resources::ControlKind::Edit:
    case resources::ControlKind::ListView:
      return true;
    default:
      return false;
  }
}

void Control::enable(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  changed(ControlProperty::Enabled);
}

void Control::setChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  changed(ControlProperty::Checked);
}

void Control::insertColumn(std::size_t index, ListColumn column) {
  index = std::min(index, columns_.size());
  columns_.insert(columns_.begin() + static_cast<std::ptrdiff_t>(index), std::move(column));
  changed(ControlProperty::Columns);
}

int Control::insertRow(int index, std::u16string firstCell) {
  const auto size = static_cast<int>(rows_.size());
  if (index < 0 || index > size) index = size;
  std::vector<std::u16string> row(std::max<std::size_t>(columns_.size(), 1));
  row[0] = std::move(firstCell);
  rows_.insert(rows_.begin() + index, std::move(row));
  // The selection stays on the row it was on.
  if (selectedRow_ >= index) ++selectedRow_;
  changed(ControlProperty::Rows);
  return index;
}

bool Control::setCell(int row, std::size_t column, std::u16string text) {
  if (row < 0 || row >= static_cast<int>(rows_.size())) return false;
  auto& cells = rows_[static_cast<std::size_t>(row)];
  if (column >= cells.size()) cells.resize(column + 1);
  if (cells[column] == text) return true;
  cells[column] = std::move(text);
  changed(ControlProperty::Rows);
  return true;
}

void Control::deleteAllRows() {
  if (rows_.empty() && selectedRow_ == -1) return;
  rows_.clear();
  selectedRow_ = -1;
  changed(ControlProperty::Rows);
}

void Control::selectRow(int row) {
  if (row < -1 || row >= static_cast<int>(rows_.size())) row = -1;
  if (row == selectedRow_) return;
  selectedRow_ = row;
  changed(ControlProperty::Selection);
}

void Control::setRange(int low, int high) {
  if (low == rangeLow_ && high == rangeHigh_) return;
  rangeLow_ = low;
  rangeHigh_ = high;
  changed(ControlProperty::Range);
}

void Control::setPosition(int position) {
  position = std::clamp(position, rangeLow_, std::max(rangeLow_, rangeHigh_));
  if (position == position_) return;
  position_ = position;
  changed(ControlProperty::Position);
}

void Control::setPicture(Picture picture) {
  picture_ = picture;
  // Drawing the same frame again is still a draw: frontends repaint it.
  changed(ControlProperty::Picture);
}

}  // namespace p42r::platform
