// A form: a window built from a dialog template, holding its controls and
// the dialog focus. Screens and dialogs derive from it and override the
// handlers they need; a form without a handler for a message ignores it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Control.h"
#include "platform/Window.h"
#include "resources/DialogTemplate.h"

namespace p42r::platform {

class Display;

class Form : public Window, private ControlListener {
 public:
  // Builds the controls of template `templateId`; an unknown id gives an empty form.
  Form(WindowSystem& system, Display& display, std::uint16_t templateId, std::string className);
  ~Form() override;

  Display& display() const { return display_; }
  std::uint16_t templateId() const { return templateId_; }
  const resources::DialogTemplate* dialogTemplate() const { return template_; }
  // The class that implements this form ("ClsStart"), for frontends and logs.
  const std::string& className() const { return className_; }
  // The number the application knows this form by (its screen number), -1 if none.
  int number() const { return number_; }
  void setNumber(int number) { number_ = number; }

  Control* control(std::uint16_t id) const;
  const std::vector<std::unique_ptr<Control>>& controls() const { return controls_; }

  // The dialog focus: the control that receives keys (0: none).
  std::uint16_t focus() const { return focus_; }
  // Moves the focus to a visible, enabled control; false when it cannot take it.
  bool setFocus(std::uint16_t id);

  void show(bool visible) override;
  void handleMessage(Message& message) final;

  // Runs the key the way the dialog manager would after pre-translation:
  // lists notify and move their selection, Return presses a button or breaks
  // a line in an edit that wants it.
  void defaultKeyHandling(std::uint16_t controlId, std::uint32_t virtualKey);

 protected:
  // The message pre-translation step; true consumes the message.
  virtual bool preTranslateMessage(const Message& message);

  virtual void onCommand(std::uint16_t controlId, std::uint16_t code);
  virtual void onNotify(std::uint16_t controlId, std::int64_t code, std::uint32_t virtualKey);
  virtual void onTimer(TimerId id);
  virtual void onPaint();
  virtual void onDestroy();
  // Every other message (the application's own ones).
  virtual void onMessage(Message& message);

 private:
  friend class Display;
  friend class UserInput;
  void controlChanged(const Control& control, ControlProperty property) override;
  void dispatchKey(const Message& message);

  Display& display_;
  std::uint16_t templateId_;
  const resources::DialogTemplate* template_;
  std::string className_;
  int number_ = -1;
  std::vector<std::unique_ptr<Control>> controls_;
  std::uint16_t focus_ = 0;
};

// The payload of a key-down notification from a list view.
struct KeyPayload final : Payload {
  explicit KeyPayload(std::uint32_t key) : virtualKey(key) {}
  std::uint32_t virtualKey;
};

}  // namespace p42r::platform
