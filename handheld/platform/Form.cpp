#include "platform/Form.h"

#include "platform/Display.h"

namespace p42r::platform {

using resources::ControlKind;

Form::Form(WindowSystem& system, Display& display, std::uint16_t templateId, std::string className)
    : Window(system),
      display_(display),
      templateId_(templateId),
      template_(resources::FindDialog(templateId)),
      className_(std::move(className)) {
  display_.formCreated(*this);
  if (template_ == nullptr) return;
  controls_.reserve(template_->controls.size());
  for (const auto& source : template_->controls) {
    ControlListener& listener = *this;
    controls_.push_back(std::make_unique<Control>(source, listener));
  }
}

Form::~Form() { display_.formDestroyed(*this); }

Control* Form::control(std::uint16_t id) const {
  for (const auto& control : controls_) {
    if (control->id() == id) return control.get();
  }
  return nullptr;
}

bool Form::setFocus(std::uint16_t id) {
  const Control* target = control(id);
  if (target == nullptr || !target->isVisible() || !target->isEnabled()) return false;
  if (focus_ != id) {
    focus_ = id;
    display_.focusChanged(*this);
  }
  return true;
}

void Form::show(bool visible) {
  if (visible == isVisible()) return;
  Window::show(visible);
  // As the dialog manager does: a form shown with nothing focused gives the
  // focus to its first tab stop, so that keys reach it without a Tab first.
  if (visible && focus_ == 0) {
    for (const auto& control : controls_) {
      if (!control->takesFocus()) continue;
      focus_ = control->id();
      display_.focusChanged(*this);
      break;
    }
  }
  display_.formVisibilityChanged(*this);
}

void Form::controlChanged(const Control& control, ControlProperty property) {
  // A control that can no longer take the focus gives it up.
  if (control.id() == focus_ && (property == ControlProperty::Visible || property == ControlProperty::Enabled) &&
      (!control.isVisible() || !control.isEnabled())) {
    focus_ = 0;
    display_.focusChanged(*this);
  }
  display_.controlChanged(*this, control, property);
}

void Form::handleMessage(Message& message) {
  switch (message.id) {
    case WM_COMMAND:
      onCommand(CommandId(message.wParam), CommandCode(message.wParam));
      return;
    case WM_NOTIFY: {
      const auto* key = dynamic_cast<const KeyPayload*>(message.payload.get());
      onNotify(static_cast<std::uint16_t>(message.wParam), message.lParam, key ? key->virtualKey : 0);
      return;
    }
    case WM_TIMER:
      onTimer(static_cast<TimerId>(message.wParam));
      return;
    case WM_PAINT:
      onPaint();
      return;
    case WM_DESTROY:
      onDestroy();
      return;
    case WM_KEYDOWN:
      dispatchKey(message);
      return;
    default:
      onMessage(message);
      return;
  }
}

void Form::dispatchKey(const Message& message) {
  if (preTranslateMessage(message)) return;
  defaultKeyHandling(static_cast<std::uint16_t>(message.lParam), static_cast<std::uint32_t>(message.wParam));
}

void Form::defaultKeyHandling(std::uint16_t controlId, std::uint32_t virtualKey) {
  Control* target = control(controlId);
  if (target == nullptr || !target->isVisible() || !target->isEnabled()) return;
  switch (target->kind()) {
    case ControlKind::ListView: {
      // The list tells its form first, then moves its selection.
      Message notify{handle(), WM_NOTIFY, controlId, LVN_KEYDOWN, std::make_unique<KeyPayload>(virtualKey)};
      handleMessage(notify);
      const int rows = static_cast<int>(target->rows().size());
      const int selected = target->selectedRow();
      if (virtualKey == VK_UP && selected > 0) target->selectRow(selected - 1);
      if (virtualKey == VK_DOWN && selected >= 0 && selected + 1 < rows) target->selectRow(selected + 1);
      return;
    }
    case ControlKind::Button:
    case ControlKind::RadioButton:
      if (virtualKey == VK_RETURN) system().post(handle(), WM_COMMAND, MakeCommandParam(controlId, 0));
      return;
    case ControlKind::Edit:
      if (virtualKey == VK_RETURN && target->hasStyle(resources::kStyleMultiline | resources::kStyleWantReturn) &&
          !target->hasStyle(resources::kStyleReadOnly)) {
        std::u16string text = target->text() + u"\r\n";
        if (target->maxLength() == 0 || text.size() <= target->maxLength()) target->setText(std::move(text));
      }
      return;
    default:
      return;
  }
}

bool Form::preTranslateMessage(const Message&) { return false; }
void Form::onCommand(std::uint16_t, std::uint16_t) {}
void Form::onNotify(std::uint16_t, std::int64_t, std::uint32_t) {}
void Form::onTimer(TimerId) {}
void Form::onPaint() {}
void Form::onDestroy() {}
void Form::onMessage(Message&) {}

}  // namespace p42r::platform
