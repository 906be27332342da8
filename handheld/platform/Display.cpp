#include "platform/Display.h"

#include <algorithm>

#include "platform/Form.h"

namespace p42r::platform {

const char* ButtonsName(MessageBoxButtons buttons) {
  return buttons == MessageBoxButtons::OkCancel ? "okcancel" : "ok";
}

const char* IconName(MessageBoxIcon icon) {
  switch (icon) {
    case MessageBoxIcon::Information: return "information";
    case MessageBoxIcon::Exclamation: return "exclamation";
    case MessageBoxIcon::Question: return "question";
    case MessageBoxIcon::None: break;
  }
  return "none";
}

Display::Display(EventLoop& loop) : loop_(loop) {}

void Display::addObserver(DisplayObserver& observer) { observers_.push_back(&observer); }

void Display::removeObserver(DisplayObserver& observer) { std::erase(observers_, &observer); }

template <typename Call>
void Display::notify(Call call) {
  // An observer may remove itself while being told.
  const auto observers = observers_;
  for (DisplayObserver* observer : observers) call(*observer);
}

void Display::setTitle(std::u16string title) {
  title_ = std::move(title);
  notify([&](DisplayObserver& o) { o.titleChanged(title_); });
}

void Display::setActiveForm(Form* form) {
  if (form == activeForm_) return;
  activeForm_ = form;
  notify([&](DisplayObserver& o) { o.activeFormChanged(activeForm_); });
}

int Display::messageBox(std::u16string text, std::uint32_t style, std::uint32_t textId) {
  MessageBoxState box;
  box.text = std::move(text);
  box.textId = textId;
  box.caption = applicationTitle_;
  box.buttons = (style & 0xF) == MB_OKCANCEL ? MessageBoxButtons::OkCancel : MessageBoxButtons::Ok;
  switch (style & 0xF0) {
    case MB_ICONINFORMATION: box.icon = MessageBoxIcon::Information; break;
    case MB_ICONEXCLAMATION: box.icon = MessageBoxIcon::Exclamation; break;
    case MB_ICONQUESTION: box.icon = MessageBoxIcon::Question; break;
    default: box.icon = MessageBoxIcon::None; break;
  }
  if ((style & 0xF00) == MB_DEFBUTTON2 && box.buttons == MessageBoxButtons::OkCancel) box.defaultButton = 1;
  boxes_.push_back(&box);
  notify([&](DisplayObserver& o) { o.messageBoxOpened(box); });
  loop_.runModal([&] { return box.result.has_value(); });
  if (!box.result) box.result = box.buttons == MessageBoxButtons::Ok ? IDOK : IDCANCEL;
  std::erase(boxes_, &box);
  notify([&](DisplayObserver& o) { o.messageBoxClosed(box); });
  return *box.result;
}

void Display::setCloseWarning(std::u16string warning) {
  if (warning == closeWarning_) return;
  closeWarning_ = std::move(warning);
  notify([&](DisplayObserver& o) { o.closeWarningChanged(closeWarning_); });
}

bool Display::answerMessageBox(int result) {
  if (boxes_.empty()) return false;
  MessageBoxState& box = *boxes_.back();
  if (box.buttons == MessageBoxButtons::Ok && result != IDOK) return false;
  box.result = result;
  return true;
}

int Display::runModalDialog(Form& dialog) {
  dialogStack_.push_back(OpenDialog{&dialog, std::nullopt});
  dialogs_.push_back(&dialog);
  dialog.show(true);
  notify([&](DisplayObserver& o) { o.dialogOpened(dialog); });
  const auto isOpen = [&] {
    for (const auto& open : dialogStack_) {
      if (open.form == &dialog) return !open.result.has_value();
    }
    return false;
  };
  loop_.runModal([&] { return !isOpen(); });
  int result = IDCANCEL;
  for (auto it = dialogStack_.begin(); it != dialogStack_.end(); ++it) {
    if (it->form == &dialog) {
      result = it->result.value_or(IDCANCEL);
      dialogStack_.erase(it);
      break;
    }
  }
  std::erase(dialogs_, &dialog);
  dialog.show(false);
  notify([&](DisplayObserver& o) { o.dialogClosed(dialog); });
  return result;
}

void Display::endDialog(Form& dialog, int result) {
  for (auto& open : dialogStack_) {
    if (open.form == &dialog) open.result = result;
  }
}

Form* Display::inputTarget() const {
  if (!boxes_.empty()) return nullptr;
  if (!dialogs_.empty()) return dialogs_.back();
  return activeForm_;
}

void Display::setWaitCursor(bool shown) {
  if (shown == waitCursor_) return;
  waitCursor_ = shown;
  notify([&](DisplayObserver& o) { o.waitCursorChanged(waitCursor_); });
}

void Display::postDraw(WindowHandle form, std::uint16_t controlId, Picture picture) {
  loop_.postTask([this, form, controlId, picture] {
    for (const Form* known : forms_) {
      if (known->handle() != form) continue;
      if (Control* target = known->control(controlId)) target->setPicture(picture);
      return;
    }
  });
}

void Display::controlChanged(const Form& form, const Control& control, ControlProperty property) {
  notify([&](DisplayObserver& o) { o.controlChanged(form, control, property); });
}

void Display::focusChanged(const Form& form) {
  notify([&](DisplayObserver& o) { o.focusChanged(form); });
}

void Display::formCreated(const Form& form) { forms_.push_back(&form); }

void Display::formVisibilityChanged(const Form& form) {
  notify([&](DisplayObserver& o) { o.formVisibilityChanged(form); });
}

void Display::formDestroyed(const Form& form) {
  std::erase(forms_, &form);
  if (activeForm_ == &form) setActiveForm(nullptr);
}

}  // namespace p42r::platform
