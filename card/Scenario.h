// How a simulated card behaves: its answers, refusals, silences, update
// course and unplugging. A scenario is plain data, read from JSON (see
// ScenarioReader), taken from the built-in set, or adjusted by command-line
// options. Every text here is already in the wire's encoding.
#pragma once

#include "card/CardState.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace p42r::card {

using std::chrono::milliseconds;

// How an update (or the writing that was running at start) ends.
enum class EndingKind {
  Ok,       // "OK"
  Error,    // "ERROR", then the reason
  Lines,    // the given lines, whatever they are
  Silence,  // nothing more about the update; other commands are still answered
  Hang,     // the card answers nothing any more
  Unplug,   // the card is pulled out
};

struct Ending {
  EndingKind kind = EndingKind::Ok;
  std::string reason;
  std::vector<std::string> lines;
};

struct UpdateBehaviour {
  milliseconds pacing{1000};                                   // before each notice
  std::array<std::optional<milliseconds>, 16> noticeDelays{};  // per-notice pacing
  milliseconds keepAliveInterval{0};                           // 0 = no keep-alives
  int lastNotice = 15;                                         // -1 = no notice at all
  std::optional<milliseconds> finalDelay;                      // after the last notice; default: pacing
  Ending ending;
  bool leaveWriting = false;  // afterwards the card is still writing
  bool acceptEnd = true;      // "AT@KUPEND" answered "OK" (else "ERROR")
  bool refuseWhenApplicationRunning = true;  // "ERROR" + "KUPRUNNING"
};

struct WritingBehaviour {
  bool atStart = false;
  std::string notice = "FPL40";
  milliseconds delay{3000};  // from the first command to the ending
  Ending ending;
};

struct ApplicationEffect {
  std::string reply = "OK";
  std::optional<int> state;  // the state afterwards; nullopt = unchanged
};

struct ApplicationEntry {
  std::string code;
  std::string name;
  int state = 0;
  ApplicationEffect start{"OK", 1};
  ApplicationEffect stop{"OK", 0};
};

// Replaces the whole answer of every command that begins with `command`
// (letter case aside); the longest matching entry wins.
struct ReplyOverride {
  std::string command;
  std::vector<std::string> lines;
};

struct UnplugBehaviour {
  std::optional<milliseconds> after;  // from plugging in
  std::string onCommand;              // when a command beginning with this arrives
};

// Input nobody meant to send, mixed into what the card says; every chance is
// a percentage per reply line (or per command, for wrong replies). Random
// choices come from `seed`, so the same commands bring the same bytes.
struct HostileBehaviour {
  std::uint64_t seed = 1;
  std::string from;                 // hostile from the first command beginning with this on; empty: at once
  int randomBytesPercent = 0;       // random bytes (any value) before the line
  std::size_t randomBytesMax = 64;  // at most this many
  int longLinePercent = 0;          // a run of bytes without any line feed before the line
  std::size_t longLineBytes = 1024 * 1024;
  int nulCrPercent = 0;             // a burst of NUL and CR bytes before the line
  int invalidTextPercent = 0;       // the line's text replaced by bytes that are no CP932 text
  int unsolicitedPercent = 0;       // an unsolicited notice framed before the line
  std::vector<std::string> notices{"FDL20", "KUPDLCNT", "VERCFSTR", "RING", "+CREG: 1", "FPL40"};
  int wrongReplyPercent = 0;        // a command answered as if it were another one
  milliseconds noiseInterval{0};    // unsolicited noise (one of the above) this often; 0 = none

  bool any() const {
    return randomBytesPercent > 0 || longLinePercent > 0 || nulCrPercent > 0 || invalidTextPercent > 0 ||
           unsolicitedPercent > 0 || wrongReplyPercent > 0 || noiseInterval.count() > 0;
  }
};

struct Scenario {
  std::string name = "normal";
  std::string description;
  std::string encoding = "CP932";

  bool echo = true;
  bool echoOffWorks = true;
  std::vector<std::string> maker{"Halvorn.Corp"};
  std::string model = "P42R";
  std::vector<std::string> identification{"P42R"};
  milliseconds replyDelay{0};

  bool silent = false;
  std::string silentFrom;
  std::vector<ReplyOverride> replies;

  std::vector<std::string> reception{"1,3,4"};  // data lines of "AT@HYBRRSSI?"
  bool ledOn = true;
  std::array<std::string, CardState::kDomainSlots> domains;
  std::vector<std::string> connectionResult{"0"};
  std::vector<ApplicationEntry> applications{
      {"1001", "Navigator", 0, {"OK", 1}, {"OK", 0}},
      {"1002", "Mail", 0, {"OK", 1}, {"OK", 0}},
      {"1003", "Weather", 0, {"OK", 1}, {"OK", 0}},
  };

  UpdateBehaviour update;
  WritingBehaviour writing;
  UnplugBehaviour unplug;
  HostileBehaviour hostile;
};

inline constexpr std::size_t kMaxApplications = 6;

}  // namespace p42r::card
