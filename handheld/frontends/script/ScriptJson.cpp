#include "frontends/script/ScriptJson.h"

#include "platform/TextConversion.h"

namespace p42r::frontends {

using json = nlohmann::ordered_json;
using platform::Control;
using platform::ControlProperty;
using resources::ControlKind;

const char* KindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::Static: return "static";
    case ControlKind::Picture: return "picture";
    case ControlKind::Button: return "button";
    case ControlKind::RadioButton: return "radio";
    case ControlKind::GroupBox: return "group";
    case ControlKind::Edit: return "edit";
    case ControlKind::ListView: return "list";
    case ControlKind::ProgressBar: return "progress";
  }
  return "unknown";
}

namespace {

json RowsJson(const Control& control) {
  json rows = json::array();
  for (const auto& row : control.rows()) {
    json cells = json::array();
    for (const auto& cell : row) cells.push_back(platform::ToUtf8(cell));
    rows.push_back(std::move(cells));
  }
  return rows;
}

json ColumnsJson(const Control& control) {
  json columns = json::array();
  for (const auto& column : control.columns()) {
    columns.push_back({{"heading", platform::ToUtf8(column.heading)}, {"width", column.widthPixels}});
  }
  return columns;
}

// A password field shows one '*' a character, as on the screen: a driving
// program (or whoever reads its log) gets no more than a person watching.
std::string ShownText(const Control& control) {
  if (control.kind() != ControlKind::Edit || !control.hasStyle(resources::kStylePassword)) {
    return platform::ToUtf8(control.text());
  }
  std::size_t characters = 0;
  for (const char16_t unit : control.text()) characters += (unit < 0xDC00 || unit > 0xDFFF) ? 1 : 0;
  return std::string(characters, '*');
}

bool ShowsPicture(const Control& control) {
  return control.kind() == ControlKind::Picture || control.kind() == ControlKind::Static;
}

}  // namespace

json PropertyValue(const Control& control, ControlProperty property) {
  switch (property) {
    case ControlProperty::Text: return ShownText(control);
    case ControlProperty::Visible: return control.isVisible();
    case ControlProperty::Enabled: return control.isEnabled();
    case ControlProperty::Checked: return control.isChecked();
    case ControlProperty::Rows: return RowsJson(control);
    case ControlProperty::Selection: return control.selectedRow();
    case ControlProperty::Range: return json::array({control.rangeLow(), control.rangeHigh()});
    case ControlProperty::Position: return control.position();
    case ControlProperty::Picture: return control.picture().resource;
    case ControlProperty::Columns: return ColumnsJson(control);
  }
  return nullptr;
}

json ControlJson(const platform::Form& form, const Control& control) {
  json value = {
      {"id", control.id()},
      {"kind", KindName(control.kind())},
      {"text", ShownText(control)},
      {"visible", control.isVisible()},
      {"enabled", control.isEnabled()},
      {"focused", form.focus() == control.id() && control.id() != resources::kUnnamedControl},
  };
  switch (control.kind()) {
    case ControlKind::Button:
    case ControlKind::RadioButton:
      value["checked"] = control.isChecked();
      break;
    case ControlKind::ListView:
      value["columns"] = ColumnsJson(control);
      value["rows"] = RowsJson(control);
      value["selected"] = control.selectedRow();
      break;
    case ControlKind::ProgressBar:
      value["range"] = json::array({control.rangeLow(), control.rangeHigh()});
      value["position"] = control.position();
      break;
    case ControlKind::Edit:
      value["maxLength"] = control.maxLength();
      value["password"] = control.hasStyle(resources::kStylePassword);
      break;
    default:
      break;
  }
  if (ShowsPicture(control)) {
    value["picture"] = control.picture().resource;
    if (control.picture().resource != 0) {
      value["pictureMode"] = control.picture().mode == platform::PictureMode::Stretch ? "stretch" : "unscaled";
    }
  }
  return value;
}

json MessageBoxJson(const platform::MessageBoxState& box) {
  return {
      {"text", platform::ToUtf8(box.text)},
      {"caption", platform::ToUtf8(box.caption)},
      {"buttons", platform::ButtonsName(box.buttons)},
      {"icon", platform::IconName(box.icon)},
  };
}

std::string Serialise(const json& value) { return value.dump(-1, ' ', false, json::error_handler_t::replace); }

}  // namespace p42r::frontends
