// The words of a phone update as the card says them: the sixteen progress
// notices in the order of the update's phases, the keep-alive, and the
// reasons that may follow "ERROR".
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace p42r::card {

inline constexpr std::array<std::string_view, 16> kProgressNotices = {
    "VERCFSTR", "VERCFCPL", "FDLSTART", "FDL20", "FDL40", "FDL60", "FDL80", "FDLEND",
    "FPLSTART", "FPL20",    "FPL40",    "FPL60", "FPL80", "FPLEND", "RSTNOTISTR", "RSTNOTICPL",
};

inline constexpr std::string_view kKeepAlive = "KUPDLCNT";

inline constexpr std::array<std::string_view, 14> kUpdateReasons = {
    "FNO",    "FSTOP", "FSZOV",   "FCFHHO",  "FCFTO",      "FCSTOP",     "FDLHHO",
    "FDLNG",  "FDLTO", "FDLSTOP", "FUPSTOP", "NO CARRIER", "KUPRUNNING", "FCHSTOP",
};

// Index of `notice` in kProgressNotices.
inline std::optional<int> progressNoticeIndex(std::string_view notice) {
  for (std::size_t i = 0; i < kProgressNotices.size(); ++i) {
    if (kProgressNotices[i] == notice) {
      return static_cast<int>(i);
    }
  }
  return std::nullopt;
}

}  // namespace p42r::card
