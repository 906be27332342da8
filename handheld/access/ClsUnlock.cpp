#include "access/ClsUnlock.h"

#include "platform/Display.h"

namespace p42r::access {

namespace {

constexpr std::uint16_t kCodeField = 1005;
constexpr std::uint16_t kReleaseButton = 1006;
constexpr std::uint16_t kExitButton = 1007;

constexpr std::u16string_view kUnlockCode = u"1993r58kxm";

constexpr std::uint32_t kWrongCode = 30102;
constexpr std::uint32_t kReleased = 30150;
constexpr std::uint32_t kReleaseFailed = 30108;
constexpr std::uint32_t kStatusOk = 40300;

constexpr int kAuthenticationScreen = 2;

}  // namespace

ClsUnlock::ClsUnlock(app::Services& services, app::Navigator& navigator)
    : PasswordScreen(services, navigator, kTemplate, "ClsUnlock") {}

void ClsUnlock::OnInitialUpdate() { DetachInputMethod(kCodeField); }

void ClsUnlock::OnScreenActivated() { ClearFields({kCodeField}, kCodeField); }

void ClsUnlock::onCommand(std::uint16_t controlId, std::uint16_t code) {
  if (code != platform::BN_CLICKED) return;
  if (controlId == kReleaseButton) ReleaseLock();
  if (controlId == kExitButton) navigator().PostClose();
}

void ClsUnlock::ReleaseLock() {
  const std::u16string entered = FieldText(kCodeField);
  const auto stored = ReadStoredAccess();
  if (!stored) return;

  if (entered != kUnlockCode) {
    MessageBox(kWrongCode, platform::MB_OK);
    ClearFields({kCodeField}, kCodeField);
    return;
  }

  ClearFields({kCodeField}, 0);
  if (DataFile().WriteManagementFile(u"", String(kStatusOk), NormalisedFirstBoot(stored->firstBoot))) {
    MessageBox(kReleased, platform::MB_ICONINFORMATION);
    navigator().SwitchScreen(kAuthenticationScreen);
  } else {
    // The lock stays recorded; the user may try again.
    MessageBox(kReleaseFailed, platform::MB_ICONEXCLAMATION);
  }
}

}  // namespace p42r::access
