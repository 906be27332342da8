// The AT command texts and reply tokens the screens exchange with the card,
// all of them string-table entries, and the rules that build a command line
// and classify a reply line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Message.h"
#include "platform/TextConversion.h"

namespace p42r::link::at {

// Commands.
inline constexpr std::uint32_t kGetManufacturer = 21000;  // AT+GMI
inline constexpr std::uint32_t kGetModel = 21001;         // AT+GMM
inline constexpr std::uint32_t kUpdateStart = 21002;      // AT@KUPSTART
inline constexpr std::uint32_t kUpdateEnd = 21003;        // AT@KUPEND
inline constexpr std::uint32_t kReceptionState = 21004;   // AT@HYBRRSSI?
inline constexpr std::uint32_t kLedSet = 21005;           // AT@LEDSET=
inline constexpr std::uint32_t kApplications = 21006;     // AT&OP=
inline constexpr std::uint32_t kDomainRead = 21007;       // AT@ALDR=
inline constexpr std::uint32_t kDomainWrite = 21008;      // AT@ALDW=
inline constexpr std::uint32_t kDomainDelete = 21009;     // AT@ALDD=
inline constexpr std::uint32_t kConnectionResult = 21010; // AT@CNLTRT
inline constexpr std::uint32_t kMemoryWrite = 21011;      // AT@DMRW=
inline constexpr std::uint32_t kEchoOff = 21012;          // ATE0
inline constexpr std::uint32_t kIdentify = 21013;         // ATI1
inline constexpr std::uint32_t kLineEnd = 35000;          // CR LF

// Reply tokens.
inline constexpr std::uint32_t kOk = 22000;
inline constexpr std::uint32_t kError = 22001;
inline constexpr std::uint32_t kFirstNotice = 22002;      // VERCFSTR .. RSTNOTICPL: 22002-22017
inline constexpr int kNoticeCount = 16;
inline constexpr std::uint32_t kKeepAlive = 22018;        // KUPDLCNT
inline constexpr std::uint32_t kNotNeeded = 22100;        // FNO
inline constexpr std::uint32_t kFirstReason = 22101;      // FSTOP .. FCHSTOP: 22101-22113
inline constexpr int kReasonCount = 13;
inline constexpr std::uint32_t kUpdateFinished = 22110;   // FUPSTOP
inline constexpr std::uint32_t kMaker = 22114;            // Halvorn.Corp
inline constexpr std::uint32_t kApplicationPrefix = 22115;  // APP=
inline constexpr std::uint32_t kWritingFragment = 22116;  // FPL

// The command text, its parameters and CR LF.
std::u16string CommandLine(std::uint32_t commandId, std::u16string_view parameters = {});

std::u16string Token(std::uint32_t id);
// Whole-line, case-sensitive match with a token.
bool Is(std::u16string_view line, std::uint32_t tokenId);
// "APP=" at the start of the line.
bool HasApplicationPrefix(std::u16string_view line);
// "FPL" anywhere in the line.
bool HasWritingFragment(std::u16string_view line);

// The line a WM_DEVICE_LINE carries, converted to wide text; the bytes are
// released here. Nothing for a message without a line.
std::optional<std::u16string> TakeLine(platform::Message& message, const platform::CodePage& codePage);

}  // namespace p42r::link::at
