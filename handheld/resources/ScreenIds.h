// The screens by number and the controls on them that are addressed from
// outside the screen itself: the screen table builds the screens in this
// order, and the frontends drive them by these numbers.
#pragma once

#include <cstdint>

namespace p42r::resources {

// Screen numbers as the navigator knows them (the screen table's order).
namespace screens {
inline constexpr int kStart = 1;
inline constexpr int kCheckPassword = 2;
inline constexpr int kUnlock = 3;
inline constexpr int kChangePassword = 4;
inline constexpr int kGeneralMenu = 5;
inline constexpr int kConnectionMenu = 6;  // administrator: connection
inline constexpr int kSecurityMenu = 7;    // administrator: security
inline constexpr int kUpdateStart = 8;
inline constexpr int kUpdating = 9;
inline constexpr int kState = 10;
inline constexpr int kLedSetting = 11;
inline constexpr int kDomains = 12;
inline constexpr int kApplications = 13;
inline constexpr int kIdRegistration = 14;
inline constexpr int kConsumerMenu = 15;
inline constexpr int kLast = kConsumerMenu;
}  // namespace screens

// Control identifiers, screen by screen: templates reuse numbers, so one
// identifier can name different controls on different screens.
namespace controls {
namespace start {
inline constexpr std::uint16_t kStatusText = 1089;
}
namespace check_password {
inline constexpr std::uint16_t kPassword = 1000;
inline constexpr std::uint16_t kAuthenticate = 1001;
}  // namespace check_password
namespace change_password {
inline constexpr std::uint16_t kNewPassword = 1011;
inline constexpr std::uint16_t kConfirmation = 1012;
inline constexpr std::uint16_t kDecide = 1014;
}  // namespace change_password
namespace general_menu {
inline constexpr std::uint16_t kState = 1017;
}
namespace connection_menu {
inline constexpr std::uint16_t kDomains = 1021;
}
namespace security_menu {
inline constexpr std::uint16_t kIdRegistration = 1024;
}
namespace update_start {
inline constexpr std::uint16_t kStart = 1027;
}
namespace updating {
inline constexpr std::uint16_t kProgressBar = 1031;
inline constexpr std::uint16_t kBack = 1061;
inline constexpr std::uint16_t kStatusText = 1072;
}  // namespace updating
namespace state {
inline constexpr std::uint16_t kGetState = 1033;
inline constexpr std::uint16_t kLedSetting = 1034;
inline constexpr std::uint16_t kPicture = 1078;
inline constexpr std::uint16_t kNetwork = 1088;
}  // namespace state
namespace led_setting {
inline constexpr std::uint16_t kOn = 1036;
inline constexpr std::uint16_t kOff = 1037;
inline constexpr std::uint16_t kDecide = 1038;
}  // namespace led_setting
namespace domains {
inline constexpr std::uint16_t kName = 1041;
inline constexpr std::uint16_t kAdd = 1042;
inline constexpr std::uint16_t kEdit = 1043;
inline constexpr std::uint16_t kDelete = 1044;
inline constexpr std::uint16_t kList = 1045;
inline constexpr std::uint16_t kConnectionResult = 1046;
inline constexpr std::uint16_t kBack = 1047;
}  // namespace domains
namespace applications {
inline constexpr std::uint16_t kList = 1052;
inline constexpr std::uint16_t kLaunch = 1053;
inline constexpr std::uint16_t kTerminate = 1054;
inline constexpr std::uint16_t kBack = 1057;
}  // namespace applications
namespace id_registration {
inline constexpr std::uint16_t kId = 1069;
inline constexpr std::uint16_t kRegister = 1070;
}  // namespace id_registration
namespace consumer_menu {
inline constexpr std::uint16_t kUpdate = 1073;
}
}  // namespace controls

}  // namespace p42r::resources
