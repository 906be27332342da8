// The handheld's display as the program leaves it: the frame title, the
// visible form, open message boxes and dialogs, the wait cursor. Screens
// change it through the platform calls here; frontends observe it and show it.
// Everything here belongs to the user-interface thread, except postRedraw.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Control.h"
#include "platform/EventLoop.h"

namespace p42r::platform {

class Form;

// Message box styles and answers, with the platform's values.
inline constexpr std::uint32_t MB_OK = 0x0;
inline constexpr std::uint32_t MB_OKCANCEL = 0x1;
inline constexpr std::uint32_t MB_ICONQUESTION = 0x20;
inline constexpr std::uint32_t MB_ICONEXCLAMATION = 0x30;
inline constexpr std::uint32_t MB_ICONINFORMATION = 0x40;
inline constexpr std::uint32_t MB_DEFBUTTON2 = 0x100;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

enum class MessageBoxButtons : std::uint8_t { Ok, OkCancel };
enum class MessageBoxIcon : std::uint8_t { None, Information, Exclamation, Question };

struct MessageBoxState {
  std::u16string text;
  // The string-table entry the text was made from (it may follow a name):
  // what a reader recognises the box by. 0: none.
  std::uint32_t textId = 0;
  std::u16string caption;
  MessageBoxButtons buttons = MessageBoxButtons::Ok;
  MessageBoxIcon icon = MessageBoxIcon::None;
  int defaultButton = 0;  // the button chosen until the user picks another (0 is the first)
  std::optional<int> result;
};

const char* ButtonsName(MessageBoxButtons buttons);
const char* IconName(MessageBoxIcon icon);

class DisplayObserver {
 public:
  virtual void titleChanged(const std::u16string& /*title*/) {}
  virtual void activeFormChanged(const Form* /*form*/) {}
  virtual void formVisibilityChanged(const Form& /*form*/) {}
  virtual void controlChanged(const Form& /*form*/, const Control& /*control*/, ControlProperty /*property*/) {}
  virtual void focusChanged(const Form& /*form*/) {}
  virtual void messageBoxOpened(const MessageBoxState& /*box*/) {}
  virtual void messageBoxClosed(const MessageBoxState& /*box*/) {}
  virtual void dialogOpened(const Form& /*dialog*/) {}
  virtual void dialogClosed(const Form& /*dialog*/) {}
  virtual void waitCursorChanged(bool /*shown*/) {}
  virtual void closeWarningChanged(const std::u16string& /*warning*/) {}

 protected:
  ~DisplayObserver() = default;
};

class Display {
 public:
  explicit Display(EventLoop& loop);
  Display(const Display&) = delete;
  Display& operator=(const Display&) = delete;

  EventLoop& loop() { return loop_; }

  void addObserver(DisplayObserver& observer);
  void removeObserver(DisplayObserver& observer);

  // The caption of every message box (the application title).
  void setApplicationTitle(std::u16string title) { applicationTitle_ = std::move(title); }
  const std::u16string& applicationTitle() const { return applicationTitle_; }

  // The frame window: its title and the form it shows.
  void setFrameWindow(WindowHandle frame) { frame_ = frame; }
  WindowHandle frameWindow() const { return frame_; }
  void setTitle(std::u16string title);
  const std::u16string& title() const { return title_; }
  void setActiveForm(Form* form);
  Form* activeForm() const { return activeForm_; }

  // MessageBox: shows the box and runs a nested loop until it is answered
  // (or the program quits, which answers Cancel, or OK for an OK-only box).
  int messageBox(std::u16string text, std::uint32_t style, std::uint32_t textId = 0);
  const std::vector<MessageBoxState*>& openMessageBoxes() const { return boxes_; }
  // Answers the topmost box; false when none is open.
  bool answerMessageBox(int result);

  // A modal dialog (the about box): shown over everything until endDialog.
  int runModalDialog(Form& dialog);
  void endDialog(Form& dialog, int result);
  const std::vector<Form*>& openDialogs() const { return dialogs_; }

  // The form that takes input: the topmost dialog, else the active form;
  // nothing while a message box is open, since the box holds the input.
  Form* inputTarget() const;

  void setWaitCursor(bool shown);
  bool waitCursor() const { return waitCursor_; }

  // A screen whose work closing the application would cut short says so
  // while that work runs (empty: closing harms nothing). A frontend that a
  // person closes asks first; a close from elsewhere does not wait for it.
  void setCloseWarning(std::u16string warning);
  const std::u16string& closeWarning() const { return closeWarning_; }

  // The display's raster capability: can it stretch bitmaps?
  void setCanStretch(bool canStretch) { canStretch_ = canStretch; }
  bool canStretch() const { return canStretch_; }

  // Any thread: asks the user-interface thread to draw `picture` into control
  // `controlId` of window `form` (the animation thread's way to draw).
  void postDraw(WindowHandle form, std::uint16_t controlId, Picture picture);

  // From forms.
  void controlChanged(const Form& form, const Control& control, ControlProperty property);
  void focusChanged(const Form& form);
  void formCreated(const Form& form);
  void formVisibilityChanged(const Form& form);
  void formDestroyed(const Form& form);

 private:
  template <typename Call>
  void notify(Call call);

  EventLoop& loop_;
  std::vector<DisplayObserver*> observers_;
  std::u16string applicationTitle_;
  std::u16string title_;
  WindowHandle frame_ = 0;
  Form* activeForm_ = nullptr;
  std::vector<MessageBoxState*> boxes_;
  struct OpenDialog {
    Form* form;
    std::optional<int> result;
  };
  std::vector<OpenDialog> dialogStack_;
  std::vector<Form*> dialogs_;
  bool waitCursor_ = false;
  std::u16string closeWarning_;
  bool canStretch_ = true;
  // Forms known to be alive, for draws that arrive from other threads.
  std::vector<const Form*> forms_;
};

}  // namespace p42r::platform
