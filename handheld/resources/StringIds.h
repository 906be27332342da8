// The string-table entries that more than one piece of the program relies
// on: what a screen shows and a command (or the program) recognises it by.
// Each is numbered here only, so a renumbered entry moves everywhere at once.
#pragma once

#include <cstdint>

namespace p42r::resources::strings {

// The application's title; the single-instance mutex is named after it.
inline constexpr std::uint32_t kAppTitle = 57344;

namespace check_password {
inline constexpr std::uint32_t kWrongPassword = 30100;
inline constexpr std::uint32_t kLocked = 30101;
}  // namespace check_password

namespace change_password {
inline constexpr std::uint32_t kEntriesDiffer = 30103;
inline constexpr std::uint32_t kInvalidCharacters = 30104;
inline constexpr std::uint32_t kTooShort = 30105;
inline constexpr std::uint32_t kTooLong = 30106;
inline constexpr std::uint32_t kNotUpdated = 30107;
inline constexpr std::uint32_t kChanged = 30151;
}  // namespace change_password

namespace updating {
inline constexpr std::uint32_t kNoReply = 30203;
inline constexpr std::uint32_t kCompleted = 30252;
inline constexpr std::uint32_t kInProgress = 30254;  // shown by the start-up screen
inline constexpr std::uint32_t kNotNeededText = 32100;
inline constexpr std::uint32_t kFirstReasonText = 32101;  // the card's reason k shows 32101 + k
}  // namespace updating

namespace state {
inline constexpr std::uint32_t kNotObtained = 30300;
inline constexpr std::uint32_t kNoReply = 30301;
}  // namespace state

namespace led_setting {
inline constexpr std::uint32_t kNoReply = 30400;
inline constexpr std::uint32_t kChanged = 30450;
}  // namespace led_setting

// The domain screen's results follow the domain (or the row) they are about.
namespace domains {
inline constexpr std::uint32_t kReadFailed = 30500;
inline constexpr std::uint32_t kNoReply = 30501;
inline constexpr std::uint32_t kNotRegistered = 30601;
inline constexpr std::uint32_t kAdded = 30651;
inline constexpr std::uint32_t kNotDeleted = 30701;
inline constexpr std::uint32_t kDeleted = 30751;
inline constexpr std::uint32_t kNotChanged = 30801;
inline constexpr std::uint32_t kEdited = 30852;
inline constexpr std::uint32_t kResultFailed = 30900;
inline constexpr std::uint32_t kFirstResultText = 30950;  // result digit d shows 30950 + d
inline constexpr int kHighestResult = 3;
}  // namespace domains

// The application list's questions and failures follow the application's name.
namespace applications {
inline constexpr std::uint32_t kLaunchFailed = 31000;
inline constexpr std::uint32_t kNoReply = 31001;
inline constexpr std::uint32_t kLaunchQuestion = 31050;
inline constexpr std::uint32_t kTerminateFailed = 31100;
inline constexpr std::uint32_t kTerminateQuestion = 31150;
inline constexpr std::uint32_t kStatusUnavailable = 31200;
inline constexpr std::uint32_t kRunning = 31201;
}  // namespace applications

// The registration's results follow the ID text.
namespace id_registration {
inline constexpr std::uint32_t kNotRegistered = 31300;
inline constexpr std::uint32_t kNoReply = 31301;
inline constexpr std::uint32_t kRegistered = 31351;
}  // namespace id_registration

}  // namespace p42r::resources::strings
