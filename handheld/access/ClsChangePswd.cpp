#include "access/ClsChangePswd.h"

#include "access/ClsInputCheck.h"
#include "platform/Display.h"
#include "resources/StringIds.h"

namespace p42r::access {

namespace {

using namespace resources::strings::change_password;

constexpr std::uint16_t kNewPasswordField = 1011;
constexpr std::uint16_t kConfirmationField = 1012;
constexpr std::uint16_t kConfirmButton = 1014;
constexpr std::uint16_t kCancelButton = 1015;

constexpr std::uint32_t kCancelled = 30152;
constexpr std::uint32_t kStatusOk = 40300;
constexpr std::uint32_t kFirstBootClear = 40303;

}  // namespace

ClsChangePswd::ClsChangePswd(app::Services& services, app::Navigator& navigator)
    : PasswordScreen(services, navigator, kTemplate, "ClsChangePswd") {}

void ClsChangePswd::OnInitialUpdate() {
  DetachInputMethod(kNewPasswordField);
  DetachInputMethod(kConfirmationField);
}

void ClsChangePswd::OnScreenActivated() { ClearFields({kNewPasswordField, kConfirmationField}, kNewPasswordField); }

void ClsChangePswd::onCommand(std::uint16_t controlId, std::uint16_t code) {
  if (code != platform::BN_CLICKED) return;
  if (controlId == kConfirmButton) Confirm();
  if (controlId == kCancelButton) Cancel();
}

void ClsChangePswd::Reject(std::uint32_t messageId) {
  MessageBox(messageId, platform::MB_OK);
  ClearFields({kNewPasswordField, kConfirmationField}, kNewPasswordField);
}

void ClsChangePswd::Leave() {
  if (screenAfterChange_) navigator().SwitchScreen(*screenAfterChange_);
}

void ClsChangePswd::Confirm() {
  const std::u16string password = FieldText(kNewPasswordField);
  const std::u16string confirmation = FieldText(kConfirmationField);
  if (password != confirmation) return Reject(kEntriesDiffer);
  switch (ClsInputCheck::CheckLength(password, LengthClass::Password)) {
    case LengthCheck::TooLong: return Reject(kTooLong);
    case LengthCheck::TooShort: return Reject(kTooShort);
    case LengthCheck::Acceptable: break;
  }
  if (!ClsInputCheck::CheckPasswordChars(password)) return Reject(kInvalidCharacters);

  // Either way the fields keep what was typed.
  if (!DataFile().WriteManagementFile(password, String(kStatusOk), String(kFirstBootClear))) {
    MessageBox(kNotUpdated, platform::MB_OK);
    return;
  }
  MessageBox(kChanged, platform::MB_ICONINFORMATION);
  Leave();
}

void ClsChangePswd::Cancel() {
  const auto stored = ReadStoredAccess();
  if (!stored) return;
  MessageBox(kCancelled, platform::MB_ICONINFORMATION);
  // The password stays; the lock status and the first-boot flag are cleared.
  // A failed write is not reported.
  DataFile().WriteManagementFile(stored->password, String(kStatusOk), String(kFirstBootClear));
  Leave();
}

}  // namespace p42r::access
