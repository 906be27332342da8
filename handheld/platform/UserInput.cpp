#include "platform/UserInput.h"

#include "platform/Form.h"

namespace p42r::platform {

using resources::ControlKind;

std::optional<std::string> UserInput::usable(std::uint16_t controlId, Form*& form, Control*& control) const {
  form = display_.inputTarget();
  if (form == nullptr) {
    return display_.openMessageBoxes().empty() ? "no screen is shown" : "a message box is open";
  }
  control = form->control(controlId);
  if (control == nullptr || controlId == resources::kUnnamedControl) {
    return "no control " + std::to_string(controlId) + " on this screen";
  }
  if (!control->isVisible()) return "control " + std::to_string(controlId) + " is hidden";
  if (!control->isEnabled()) return "control " + std::to_string(controlId) + " is disabled";
  return std::nullopt;
}

InputError UserInput::click(std::uint16_t controlId) {
  Form* form = nullptr;
  Control* control = nullptr;
  if (auto error = usable(controlId, form, control)) return error;
  if (control->kind() != ControlKind::Button && control->kind() != ControlKind::RadioButton) {
    return "control " + std::to_string(controlId) + " is not a button";
  }
  form->setFocus(controlId);
  if (control->kind() == ControlKind::RadioButton) checkRadio(*form, *control);
  windows_.post(form->handle(), WM_COMMAND, MakeCommandParam(controlId, BN_CLICKED));
  return std::nullopt;
}

InputError UserInput::type(std::uint16_t controlId, const std::u16string& text) {
  Form* form = nullptr;
  Control* control = nullptr;
  if (auto error = usable(controlId, form, control)) return error;
  if (control->kind() != ControlKind::Edit) return "control " + std::to_string(controlId) + " is not an edit field";
  if (control->hasStyle(resources::kStyleReadOnly)) return "control " + std::to_string(controlId) + " is read-only";
  form->setFocus(controlId);
  std::u16string typed = text;
  if (control->maxLength() != 0 && typed.size() > control->maxLength()) typed.resize(control->maxLength());
  if (typed != control->text()) {
    control->setText(std::move(typed));
    windows_.post(form->handle(), WM_COMMAND, MakeCommandParam(controlId, static_cast<std::uint16_t>(EN_CHANGE)));
  }
  return std::nullopt;
}

InputError UserInput::check(std::uint16_t controlId) {
  Form* form = nullptr;
  Control* control = nullptr;
  if (auto error = usable(controlId, form, control)) return error;
  if (control->kind() != ControlKind::RadioButton) return "control " + std::to_string(controlId) + " is not a radio button";
  return click(controlId);
}

void UserInput::checkRadio(Form& form, Control& radio) {
  // The group runs from the radio button that starts it to the next start.
  const auto& controls = form.controls();
  std::size_t index = 0;
  while (controls[index].get() != &radio) ++index;
  std::size_t first = index;
  while (first > 0 && !controls[first]->hasStyle(resources::kStyleGroup) &&
         controls[first - 1]->kind() == ControlKind::RadioButton) {
    --first;
  }
  for (std::size_t i = first; i < controls.size(); ++i) {
    if (controls[i]->kind() != ControlKind::RadioButton) break;
    if (i > first && controls[i]->hasStyle(resources::kStyleGroup)) break;
    controls[i]->setChecked(controls[i].get() == &radio);
  }
}

InputError UserInput::select(std::uint16_t controlId, int row) {
  Form* form = nullptr;
  Control* control = nullptr;
  if (auto error = usable(controlId, form, control)) return error;
  if (control->kind() != ControlKind::ListView) return "control " + std::to_string(controlId) + " is not a list";
  if (row < 0 || row >= static_cast<int>(control->rows().size())) {
    return "list " + std::to_string(controlId) + " has no row " + std::to_string(row);
  }
  form->setFocus(controlId);
  control->selectRow(row);
  windows_.post(form->handle(), WM_NOTIFY, controlId, NM_CLICK);
  return std::nullopt;
}

InputError UserInput::key(std::uint16_t controlId, std::uint32_t virtualKey) {
  Form* form = nullptr;
  Control* control = nullptr;
  if (auto error = usable(controlId, form, control)) return error;
  form->setFocus(controlId);
  windows_.post(form->handle(), WM_KEYDOWN, virtualKey, controlId);
  return std::nullopt;
}

InputError UserInput::focus(std::uint16_t controlId) {
  Form* form = nullptr;
  Control* control = nullptr;
  if (auto error = usable(controlId, form, control)) return error;
  if (!form->setFocus(controlId)) return "control " + std::to_string(controlId) + " cannot take the focus";
  return std::nullopt;
}

InputError UserInput::answer(int result) {
  if (display_.openMessageBoxes().empty()) return "no message box is open";
  if (!display_.answerMessageBox(result)) return "the message box has no such button";
  return std::nullopt;
}

void UserInput::close() {
  if (display_.frameWindow() != 0) windows_.post(display_.frameWindow(), WM_CLOSE);
}

InputError UserInput::frameCommand(std::uint16_t commandId) {
  if (display_.frameWindow() == 0) return "there is no frame window";
  if (!display_.openMessageBoxes().empty()) return "a message box is open";
  windows_.post(display_.frameWindow(), WM_COMMAND, MakeCommandParam(commandId, 0));
  return std::nullopt;
}

}  // namespace p42r::platform
