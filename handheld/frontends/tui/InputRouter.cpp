#include "frontends/tui/InputRouter.h"

#include "frontends/render/MessageBoxPainter.h"
#include "platform/Form.h"

namespace p42r::frontends::tui {

namespace {

using resources::ControlKind;
using Kind = KeyEvent::Kind;

bool IsEditable(const platform::Control& control) {
  return control.kind() == ControlKind::Edit && !control.hasStyle(resources::kStyleReadOnly) && control.isEnabled();
}

void AppendCharacter(std::u16string& text, char32_t c) {
  if (c >= 0x10000) {
    c -= 0x10000;
    text.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    text.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
  } else {
    text.push_back(static_cast<char16_t>(c));
  }
}

// Removes the last character: a surrogate pair or a line break counts as one.
void RemoveLastCharacter(std::u16string& text) {
  if (text.empty()) return;
  const char16_t last = text.back();
  text.pop_back();
  if (last >= 0xDC00 && last <= 0xDFFF && !text.empty() && text.back() >= 0xD800 && text.back() <= 0xDBFF) {
    text.pop_back();
  } else if (last == u'\n' && !text.empty() && text.back() == u'\r') {
    text.pop_back();
  }
}

}  // namespace

std::vector<std::uint16_t> InputRouter::FocusOrder(const platform::Form& form) {
  std::vector<std::uint16_t> order;
  for (const auto& control : form.controls()) {
    if (control->takesFocus()) order.push_back(control->id());
  }
  return order;
}

void InputRouter::handle(const KeyEvent& event, const render::HitMap& hits) {
  if (event.kind == Kind::Quit) {
    input_.close();
    return;
  }
  if (!display_.openMessageBoxes().empty()) {
    handleMessageBox(event, hits);
    return;
  }
  if (platform::Form* form = display_.inputTarget()) handleForm(*form, event, hits);
}

void InputRouter::handleMessageBox(const KeyEvent& event, const render::HitMap& hits) {
  const auto answers = render::MessageBoxAnswers(*display_.openMessageBoxes().back());
  const int count = static_cast<int>(answers.size());
  if (selectedButton_ >= count) selectedButton_ = 0;
  switch (event.kind) {
    case Kind::Tab:
    case Kind::Right:
    case Kind::Down:
      selectedButton_ = (selectedButton_ + 1) % count;
      return;
    case Kind::BackTab:
    case Kind::Left:
    case Kind::Up:
      selectedButton_ = (selectedButton_ + count - 1) % count;
      return;
    case Kind::Enter:
    case Kind::Space:
      input_.answer(answers[static_cast<std::size_t>(selectedButton_)]);
      return;
    case Kind::Escape:
      input_.answer(count > 1 ? platform::IDCANCEL : platform::IDOK);
      return;
    case Kind::MousePress:
      if (const auto hit = hits.at(event.column, event.row);
          hit && hit->kind == render::Hit::Kind::MessageBoxButton) {
        input_.answer(hit->answer);
      }
      return;
    default:
      return;
  }
}

void InputRouter::moveFocus(platform::Form& form, int step) {
  const auto order = FocusOrder(form);
  if (order.empty()) return;
  const auto count = static_cast<int>(order.size());
  int at = -1;
  for (int i = 0; i < count; ++i) {
    if (order[static_cast<std::size_t>(i)] == form.focus()) at = i;
  }
  const int next = at < 0 ? (step > 0 ? 0 : count - 1) : (at + step + count) % count;
  input_.focus(order[static_cast<std::size_t>(next)]);
}

void InputRouter::press(platform::Form& form, std::uint16_t id) {
  platform::Control* control = form.control(id);
  if (control == nullptr) return;
  switch (control->kind()) {
    case ControlKind::Button:
    case ControlKind::RadioButton:
      input_.click(id);
      return;
    case ControlKind::ListView:
      // A tap on the selected row, or on the first one when none is selected.
      if (!control->rows().empty()) input_.select(id, control->selectedRow() >= 0 ? control->selectedRow() : 0);
      return;
    case ControlKind::Edit:
      if (IsEditable(*control)) typeInto(*control, control->text() + u" ");
      return;
    default:
      return;
  }
}

void InputRouter::typeInto(platform::Control& field, std::u16string text) { input_.type(field.id(), text); }

void InputRouter::click(const render::Hit& hit) {
  if (hit.kind == render::Hit::Kind::ListRow) {
    input_.select(hit.controlId, hit.row);
    return;
  }
  const platform::Form* form = display_.inputTarget();
  const platform::Control* control = form != nullptr ? form->control(hit.controlId) : nullptr;
  if (control == nullptr) return;
  if (control->kind() == ControlKind::Button || control->kind() == ControlKind::RadioButton) {
    input_.click(hit.controlId);
  } else {
    input_.focus(hit.controlId);
  }
}

void InputRouter::handleForm(platform::Form& form, const KeyEvent& event, const render::HitMap& hits) {
  platform::Control* focused = form.focus() != 0 ? form.control(form.focus()) : nullptr;
  const bool inList = focused != nullptr && focused->kind() == ControlKind::ListView;
  switch (event.kind) {
    case Kind::Tab:
    case Kind::Right:
      moveFocus(form, 1);
      return;
    case Kind::BackTab:
    case Kind::Left:
      moveFocus(form, -1);
      return;
    case Kind::Down:
      if (inList && focused->selectedRow() < 0) {
        press(form, focused->id());
      } else if (inList) {
        input_.key(focused->id(), platform::VK_DOWN);
      } else {
        moveFocus(form, 1);
      }
      return;
    case Kind::Up:
      if (inList) {
        input_.key(focused->id(), platform::VK_UP);
      } else {
        moveFocus(form, -1);
      }
      return;
    case Kind::Space:
      if (focused != nullptr) press(form, focused->id());
      return;
    case Kind::Enter:
      if (focused != nullptr) input_.key(focused->id(), platform::VK_RETURN);
      return;
    case Kind::Escape:
      if (!display_.openDialogs().empty() && display_.openDialogs().back() == &form) {
        display_.endDialog(form, platform::IDCANCEL);
      }
      return;
    case Kind::Character:
      if (focused != nullptr && IsEditable(*focused)) {
        std::u16string text = focused->text();
        AppendCharacter(text, event.character);
        typeInto(*focused, std::move(text));
      }
      return;
    case Kind::Backspace:
      if (focused != nullptr && IsEditable(*focused)) {
        std::u16string text = focused->text();
        RemoveLastCharacter(text);
        typeInto(*focused, std::move(text));
      }
      return;
    case Kind::ClearField:
      if (focused != nullptr && IsEditable(*focused)) typeInto(*focused, u"");
      return;
    case Kind::MousePress:
      if (const auto hit = hits.at(event.column, event.row)) click(*hit);
      return;
    case Kind::WheelUp:
    case Kind::WheelDown:
      if (const auto hit = hits.at(event.column, event.row)) {
        const platform::Control* list = form.control(hit->controlId);
        if (list != nullptr && list->kind() == ControlKind::ListView) {
          input_.key(hit->controlId, event.kind == Kind::WheelUp ? platform::VK_UP : platform::VK_DOWN);
        }
      }
      return;
    case Kind::Quit:
    case Kind::Redraw:
      return;
  }
}

}  // namespace p42r::frontends::tui
