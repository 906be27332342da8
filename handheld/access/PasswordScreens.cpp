#include "access/PasswordScreens.h"

namespace p42r::access {

namespace {

void DetachInputMethod(const app::ScreenView& screen, std::uint16_t editId) {
  if (platform::Control* edit = screen.control(editId)) edit->detachInputMethod();
}

}  // namespace

ClsCheckPswd::ClsCheckPswd(app::Services& services, app::Navigator& navigator)
    : ScreenView(services, navigator, kTemplate, "ClsCheckPswd") {}

void ClsCheckPswd::OnInitialUpdate() { DetachInputMethod(*this, 1000); }

void ClsCheckPswd::onCommand(std::uint16_t controlId, std::uint16_t) {
  if (controlId == 1002) navigator().PostClose();
}

ClsUnlock::ClsUnlock(app::Services& services, app::Navigator& navigator)
    : ScreenView(services, navigator, kTemplate, "ClsUnlock") {}

void ClsUnlock::OnInitialUpdate() { DetachInputMethod(*this, 1005); }

void ClsUnlock::onCommand(std::uint16_t controlId, std::uint16_t) {
  if (controlId == 1007) navigator().PostClose();
}

ClsChangePswd::ClsChangePswd(app::Services& services, app::Navigator& navigator)
    : ScreenView(services, navigator, kTemplate, "ClsChangePswd") {}

void ClsChangePswd::OnInitialUpdate() {
  DetachInputMethod(*this, 1011);
  DetachInputMethod(*this, 1012);
}

}  // namespace p42r::access
