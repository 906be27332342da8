#include "admin/AdminScreens.h"

namespace p42r::admin {

namespace {
constexpr std::uint16_t kDomainField = 1041;
constexpr std::uint16_t kDomainList = 1045;
constexpr std::uint16_t kLimitBack = 1047;
constexpr std::uint16_t kIdField = 1069;
constexpr std::uint16_t kSecurityBack = 1061;
// The list's column is four times as wide as "1111111111" in the list's font.
constexpr int kNominalDigitWidth = 6;
}  // namespace

ClsLimitConnect::ClsLimitConnect(app::Services& services, app::Navigator& navigator)
    : ScreenView(services, navigator, kTemplate, "ClsLimitConnect") {}

void ClsLimitConnect::OnInitialUpdate() {
  if (platform::Control* field = control(kDomainField)) field->detachInputMethod();
  if (platform::Control* list = control(kDomainList)) {
    list->insertColumn(0, platform::ListColumn{u"", 4 * 10 * kNominalDigitWidth});
  }
}

void ClsLimitConnect::onCommand(std::uint16_t controlId, std::uint16_t) {
  if (controlId == kLimitBack) {
    if (platform::Control* list = control(kDomainList)) list->deleteAllRows();
    navigator().SwitchScreen(6);
  }
}

ClsSecurity::ClsSecurity(app::Services& services, app::Navigator& navigator)
    : ScreenView(services, navigator, kTemplate, "ClsSecurity") {}

void ClsSecurity::OnInitialUpdate() {
  if (platform::Control* field = control(kIdField)) field->detachInputMethod();
}

void ClsSecurity::onCommand(std::uint16_t controlId, std::uint16_t) {
  if (controlId == kSecurityBack) {
    if (platform::Control* field = control(kIdField)) field->setText(u"");
    navigator().SwitchScreen(7);
  }
}

}  // namespace p42r::admin
