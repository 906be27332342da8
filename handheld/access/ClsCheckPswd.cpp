#include "access/ClsCheckPswd.h"

#include "platform/Display.h"
#include "resources/StringIds.h"

namespace p42r::access {

namespace {

using namespace resources::strings::check_password;

constexpr std::uint16_t kPasswordField = 1000;
constexpr std::uint16_t kAuthenticateButton = 1001;
constexpr std::uint16_t kExitButton = 1002;

constexpr std::u16string_view kCommonPassword = u"j72n";

constexpr std::uint32_t kStatusLock = 40301;

constexpr int kUnlockScreen = 3;
constexpr int kChangePasswordScreen = 4;

}  // namespace

ClsCheckPswd::ClsCheckPswd(app::Services& services, app::Navigator& navigator)
    : PasswordScreen(services, navigator, kTemplate, "ClsCheckPswd") {}

void ClsCheckPswd::OnInitialUpdate() { DetachInputMethod(kPasswordField); }

void ClsCheckPswd::OnScreenActivated() {
  // A password typed on an earlier visit is not left behind for the next one.
  ClearFields({kPasswordField}, kPasswordField);
  if (IsLocked()) navigator().SwitchScreen(kUnlockScreen);
}

bool ClsCheckPswd::IsLocked() const {
  std::u16string status;
  return DataFile().ReadEntry(SectionKind::LockStatus, EntryKey::Status, status) && status == String(kStatusLock);
}

void ClsCheckPswd::onCommand(std::uint16_t controlId, std::uint16_t code) {
  if (code != platform::BN_CLICKED) return;
  if (controlId == kAuthenticateButton) Authenticate();
  if (controlId == kExitButton) navigator().PostClose();
}

void ClsCheckPswd::Authenticate() {
  const std::u16string entered = FieldText(kPasswordField);
  const auto stored = ReadStoredAccess();
  if (!stored) return;
  // Locked meanwhile (by another run on this device root): no more tries.
  if (IsLocked()) {
    ClearFields({kPasswordField}, 0);
    navigator().SwitchScreen(kUnlockScreen);
    return;
  }
  const std::u16string reference = stored->password.empty() ? std::u16string(kCommonPassword) : stored->password;

  if (entered != reference) {
    ++failureCount_;
    MessageBox(kWrongPassword, platform::MB_OK);
    ClearFields({kPasswordField}, kPasswordField);
    if (failureCount_ < kLockThreshold) return;

    MessageBox(kLocked, platform::MB_ICONINFORMATION);
    // The stored password stays (not the common one); a failed write is not
    // reported, and the lock release screen follows all the same.
    DataFile().WriteManagementFile(stored->password, String(kStatusLock), NormalisedFirstBoot(stored->firstBoot));
    failureCount_ = 0;
    navigator().SwitchScreen(kUnlockScreen);
    return;
  }

  if (IsFirstBoot(stored->firstBoot)) {
    navigator().SwitchScreen(kChangePasswordScreen);
  } else if (screenAfterAuthentication_) {
    navigator().SwitchScreen(*screenAfterAuthentication_);
  }
}

}  // namespace p42r::access
