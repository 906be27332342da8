#include "card/ScenarioReader.h"

#include "card/BuiltinScenarios.h"
#include "card/CardError.h"
#include "card/UpdateVocabulary.h"
#include "card/WireEncoding.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <fstream>
#include <initializer_list>
#include <limits>
#include <set>
#include <sstream>

namespace p42r::card {

namespace {

using nlohmann::json;

constexpr std::int64_t kLongestDelayMs = std::numeric_limits<std::int32_t>::max();
constexpr std::uintmax_t kLargestScenarioFile = 1024 * 1024;

class Reader {
public:
  explicit Reader(std::string origin) : origin_(std::move(origin)), encoding_("UTF-8") {}

  [[noreturn]] void fail(const std::string& path, const std::string& problem) const {
    throw CardError::invalid(origin_ + ": " + (path.empty() ? "" : path + ": ") + problem);
  }

  void setEncoding(const std::string& path, const std::string& name) {
    try {
      encoding_ = WireEncoding(name);
    } catch (const CardError& error) {
      fail(path, error.what());
    }
  }

  void onlyKeys(const json& object, const std::string& path, std::initializer_list<std::string_view> keys) const {
    if (!object.is_object()) {
      fail(path, "expected an object");
    }
    for (const auto& [key, value] : object.items()) {
      bool known = false;
      for (std::string_view allowed : keys) {
        known = known || key == allowed;
      }
      if (!known) {
        fail(join(path, key), "unknown key");
      }
    }
  }

  static std::string join(const std::string& path, std::string_view key) {
    return path.empty() ? std::string(key) : path + "." + std::string(key);
  }

  bool boolean(const json& value, const std::string& path) const {
    if (!value.is_boolean()) {
      fail(path, "expected true or false");
    }
    return value.get<bool>();
  }

  std::int64_t integer(const json& value, const std::string& path, std::int64_t low, std::int64_t high) const {
    if (!value.is_number_integer()) {
      fail(path, "expected an integer");
    }
    // Unsigned values beyond the signed range are out of every range we take.
    if (value.is_number_unsigned() && value.get<std::uint64_t>() > static_cast<std::uint64_t>(high)) {
      fail(path, "must be at most " + std::to_string(high));
    }
    const auto number = value.get<std::int64_t>();
    if (number < low || number > high) {
      fail(path, "must be between " + std::to_string(low) + " and " + std::to_string(high));
    }
    return number;
  }

  milliseconds duration(const json& value, const std::string& path) const {
    return milliseconds(integer(value, path, 0, kLongestDelayMs));
  }

  // Plain UTF-8 text, kept as written (names, encodings, outcomes).
  std::string plain(const json& value, const std::string& path) const {
    if (!value.is_string()) {
      fail(path, "expected a string");
    }
    return value.get<std::string>();
  }

  // Text that goes on the wire (or is compared with what comes from it).
  std::string wire(const json& value, const std::string& path) const {
    const std::string text = plain(value, path);
    if (text.find_first_of("\r\n", 0) != std::string::npos || text.find('\0') != std::string::npos) {
      fail(path, "a line must not hold CR, LF or NUL");
    }
    try {
      return encoding_.fromUtf8(text);
    } catch (const CardError& error) {
      fail(path, error.what());
    }
  }

  // One line or a list of lines.
  std::vector<std::string> wireLines(const json& value, const std::string& path) const {
    if (value.is_string()) {
      return {wire(value, path)};
    }
    if (!value.is_array()) {
      fail(path, "expected a string or a list of strings");
    }
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < value.size(); ++i) {
      lines.push_back(wire(value[i], path + "[" + std::to_string(i) + "]"));
    }
    return lines;
  }

  std::string command(const json& value, const std::string& path) const {
    std::string text = wire(value, path);
    if (text.empty()) {
      fail(path, "a command must not be empty");
    }
    return text;
  }

  void read(const json& root, Scenario& scenario);

private:
  void readReplies(const json& object, Scenario& scenario) const;
  void readErrorOn(const json& list, Scenario& scenario) const;
  void readDomains(const json& list, Scenario& scenario) const;
  void readApplications(const json& list, Scenario& scenario) const;
  ApplicationEffect readEffect(const json& object, const std::string& path, ApplicationEffect effect) const;
  void readUpdate(const json& object, UpdateBehaviour& update) const;
  void readWriting(const json& object, WritingBehaviour& writing) const;
  void readUnplug(const json& object, UnplugBehaviour& unplug) const;
  void readHostile(const json& object, HostileBehaviour& hostile) const;
  Ending readEnding(const json& object, const std::string& path, Ending ending) const;

  std::string origin_;
  WireEncoding encoding_;
};

void Reader::read(const json& root, Scenario& scenario) {
  onlyKeys(root, "",
           {"name", "description", "encoding", "echo", "echoOffWorks", "maker", "model", "identification",
            "replyDelayMs", "silent", "silentFrom", "errorOn", "replies", "reception", "led", "domains",
            "connectionResult", "applications", "update", "writing", "unplug", "hostile"});
  // The encoding first: every wire text after it is converted with it.
  if (root.contains("encoding")) {
    scenario.encoding = plain(root["encoding"], "encoding");
  }
  setEncoding("encoding", scenario.encoding);

  if (root.contains("name")) scenario.name = plain(root["name"], "name");
  if (root.contains("description")) scenario.description = plain(root["description"], "description");
  if (root.contains("echo")) scenario.echo = boolean(root["echo"], "echo");
  if (root.contains("echoOffWorks")) scenario.echoOffWorks = boolean(root["echoOffWorks"], "echoOffWorks");
  if (root.contains("maker")) scenario.maker = wireLines(root["maker"], "maker");
  if (root.contains("model")) scenario.model = wire(root["model"], "model");
  if (root.contains("identification")) scenario.identification = wireLines(root["identification"], "identification");
  if (root.contains("replyDelayMs")) scenario.replyDelay = duration(root["replyDelayMs"], "replyDelayMs");
  if (root.contains("silent")) scenario.silent = boolean(root["silent"], "silent");
  if (root.contains("silentFrom")) scenario.silentFrom = command(root["silentFrom"], "silentFrom");
  if (root.contains("errorOn")) readErrorOn(root["errorOn"], scenario);
  if (root.contains("replies")) readReplies(root["replies"], scenario);
  if (root.contains("reception")) scenario.reception = wireLines(root["reception"], "reception");
  if (root.contains("led")) scenario.ledOn = boolean(root["led"], "led");
  if (root.contains("domains")) readDomains(root["domains"], scenario);
  if (root.contains("connectionResult")) {
    scenario.connectionResult = wireLines(root["connectionResult"], "connectionResult");
  }
  if (root.contains("applications")) readApplications(root["applications"], scenario);
  if (root.contains("update")) readUpdate(root["update"], scenario.update);
  if (root.contains("writing")) readWriting(root["writing"], scenario.writing);
  if (root.contains("unplug")) readUnplug(root["unplug"], scenario.unplug);
  if (root.contains("hostile")) readHostile(root["hostile"], scenario.hostile);
}

void Reader::readErrorOn(const json& list, Scenario& scenario) const {
  if (!list.is_array()) {
    fail("errorOn", "expected a list of commands");
  }
  for (std::size_t i = 0; i < list.size(); ++i) {
    scenario.replies.push_back({command(list[i], "errorOn[" + std::to_string(i) + "]"), {"ERROR"}});
  }
}

void Reader::readReplies(const json& object, Scenario& scenario) const {
  if (!object.is_object()) {
    fail("replies", "expected an object of command: lines");
  }
  for (const auto& [key, value] : object.items()) {
    const std::string path = "replies." + key;
    const std::string name = command(json(key), path);
    for (const ReplyOverride& existing : scenario.replies) {
      if (existing.command == name) {
        fail(path, "the command is also listed in errorOn");
      }
    }
    scenario.replies.push_back({name, wireLines(value, path)});
  }
}

void Reader::readDomains(const json& list, Scenario& scenario) const {
  if (!list.is_array() || list.size() > CardState::kDomainSlots) {
    fail("domains", "expected a list of at most three domains");
  }
  scenario.domains = {};
  for (std::size_t i = 0; i < list.size(); ++i) {
    scenario.domains[i] = wire(list[i], "domains[" + std::to_string(i) + "]");
  }
}

ApplicationEffect Reader::readEffect(const json& object, const std::string& path, ApplicationEffect effect) const {
  onlyKeys(object, path, {"reply", "state"});
  if (object.contains("reply")) effect.reply = wire(object["reply"], join(path, "reply"));
  if (object.contains("state")) {
    if (object["state"].is_null()) {
      effect.state.reset();
    } else {
      effect.state = static_cast<int>(integer(object["state"], join(path, "state"), 0, 999999));
    }
  }
  return effect;
}

void Reader::readApplications(const json& list, Scenario& scenario) const {
  if (!list.is_array()) {
    fail("applications", "expected a list");
  }
  if (list.size() > kMaxApplications) {
    fail("applications", "the card holds at most six applications");
  }
  scenario.applications.clear();
  std::set<std::string> codes;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const std::string path = "applications[" + std::to_string(i) + "]";
    const json& item = list[i];
    onlyKeys(item, path, {"code", "name", "state", "start", "stop"});
    if (!item.contains("code") || !item.contains("name")) {
      fail(path, "an application needs a code and a name");
    }
    ApplicationEntry entry;
    entry.code = wire(item["code"], path + ".code");
    if (entry.code.empty() || entry.code.find_first_of("+/,") != std::string::npos) {
      fail(path + ".code", "a code must be non-empty and hold no '+', '/' or ','");
    }
    if (!codes.insert(entry.code).second) {
      fail(path + ".code", "the code is used twice");
    }
    entry.name = wire(item["name"], path + ".name");
    if (item.contains("state")) entry.state = static_cast<int>(integer(item["state"], path + ".state", 0, 999999));
    if (item.contains("start")) entry.start = readEffect(item["start"], path + ".start", entry.start);
    if (item.contains("stop")) entry.stop = readEffect(item["stop"], path + ".stop", entry.stop);
    scenario.applications.push_back(std::move(entry));
  }
}

Ending Reader::readEnding(const json& object, const std::string& path, Ending ending) const {
  if (object.contains("outcome")) {
    try {
      ending.kind = parseEndingKind(plain(object["outcome"], join(path, "outcome")));
    } catch (const CardError& error) {
      fail(join(path, "outcome"), error.what());
    }
  }
  if (object.contains("reason")) ending.reason = wire(object["reason"], join(path, "reason"));
  if (object.contains("lines")) ending.lines = wireLines(object["lines"], join(path, "lines"));
  if (ending.kind == EndingKind::Error && ending.reason.empty()) {
    fail(join(path, "reason"), "the outcome \"error\" needs a reason");
  }
  return ending;
}

void Reader::readUpdate(const json& object, UpdateBehaviour& update) const {
  onlyKeys(object, "update",
           {"pacingMs", "noticeDelaysMs", "keepAliveMs", "lastNotice", "finalDelayMs", "outcome", "reason", "lines",
            "leaveWriting", "acceptEnd", "refuseWhenApplicationRunning"});
  if (object.contains("pacingMs")) update.pacing = duration(object["pacingMs"], "update.pacingMs");
  if (object.contains("noticeDelaysMs")) {
    const json& delays = object["noticeDelaysMs"];
    if (!delays.is_object()) {
      fail("update.noticeDelaysMs", "expected an object of notice: milliseconds");
    }
    for (const auto& [notice, value] : delays.items()) {
      const auto index = progressNoticeIndex(notice);
      if (!index) {
        fail("update.noticeDelaysMs." + notice, "not one of the sixteen progress notices");
      }
      update.noticeDelays[static_cast<std::size_t>(*index)] = duration(value, "update.noticeDelaysMs." + notice);
    }
  }
  if (object.contains("keepAliveMs")) {
    update.keepAliveInterval = duration(object["keepAliveMs"], "update.keepAliveMs");
  }
  if (object.contains("lastNotice")) {
    const std::string notice = plain(object["lastNotice"], "update.lastNotice");
    if (notice == "none") {
      update.lastNotice = -1;
    } else if (const auto index = progressNoticeIndex(notice)) {
      update.lastNotice = *index;
    } else {
      fail("update.lastNotice", "not one of the sixteen progress notices (or \"none\")");
    }
  }
  if (object.contains("finalDelayMs")) update.finalDelay = duration(object["finalDelayMs"], "update.finalDelayMs");
  update.ending = readEnding(object, "update", update.ending);
  if (object.contains("leaveWriting")) update.leaveWriting = boolean(object["leaveWriting"], "update.leaveWriting");
  if (object.contains("acceptEnd")) update.acceptEnd = boolean(object["acceptEnd"], "update.acceptEnd");
  if (object.contains("refuseWhenApplicationRunning")) {
    update.refuseWhenApplicationRunning =
        boolean(object["refuseWhenApplicationRunning"], "update.refuseWhenApplicationRunning");
  }
}

void Reader::readWriting(const json& object, WritingBehaviour& writing) const {
  onlyKeys(object, "writing", {"atStart", "notice", "delayMs", "outcome", "reason", "lines"});
  if (object.contains("atStart")) writing.atStart = boolean(object["atStart"], "writing.atStart");
  if (object.contains("notice")) writing.notice = wire(object["notice"], "writing.notice");
  if (object.contains("delayMs")) writing.delay = duration(object["delayMs"], "writing.delayMs");
  writing.ending = readEnding(object, "writing", writing.ending);
}

void Reader::readUnplug(const json& object, UnplugBehaviour& unplug) const {
  onlyKeys(object, "unplug", {"afterMs", "onCommand"});
  if (object.contains("afterMs")) unplug.after = duration(object["afterMs"], "unplug.afterMs");
  if (object.contains("onCommand")) unplug.onCommand = command(object["onCommand"], "unplug.onCommand");
}

void Reader::readHostile(const json& object, HostileBehaviour& hostile) const {
  onlyKeys(object, "hostile",
           {"seed", "from", "randomBytesPercent", "randomBytesMax", "longLinePercent", "longLineBytes",
            "nulCrPercent", "invalidTextPercent", "unsolicitedPercent", "notices", "wrongReplyPercent", "noiseMs"});
  const auto percent = [&](const char* key, int& value) {
    if (object.contains(key)) value = static_cast<int>(integer(object[key], join("hostile", key), 0, 100));
  };
  if (object.contains("seed")) {
    hostile.seed = static_cast<std::uint64_t>(integer(object["seed"], "hostile.seed", 0, kLongestDelayMs));
  }
  if (object.contains("from")) hostile.from = command(object["from"], "hostile.from");
  percent("randomBytesPercent", hostile.randomBytesPercent);
  percent("longLinePercent", hostile.longLinePercent);
  percent("nulCrPercent", hostile.nulCrPercent);
  percent("invalidTextPercent", hostile.invalidTextPercent);
  percent("unsolicitedPercent", hostile.unsolicitedPercent);
  percent("wrongReplyPercent", hostile.wrongReplyPercent);
  if (object.contains("randomBytesMax")) {
    hostile.randomBytesMax =
        static_cast<std::size_t>(integer(object["randomBytesMax"], "hostile.randomBytesMax", 1, 65536));
  }
  if (object.contains("longLineBytes")) {
    hostile.longLineBytes =
        static_cast<std::size_t>(integer(object["longLineBytes"], "hostile.longLineBytes", 1, 16 * 1024 * 1024));
  }
  if (object.contains("notices")) hostile.notices = wireLines(object["notices"], "hostile.notices");
  if (object.contains("noiseMs")) hostile.noiseInterval = duration(object["noiseMs"], "hostile.noiseMs");
}

}  // namespace

EndingKind parseEndingKind(std::string_view text) {
  if (text == "ok") return EndingKind::Ok;
  if (text == "error") return EndingKind::Error;
  if (text == "lines") return EndingKind::Lines;
  if (text == "silence") return EndingKind::Silence;
  if (text == "hang") return EndingKind::Hang;
  if (text == "unplug") return EndingKind::Unplug;
  throw CardError::invalid("unknown outcome '" + std::string(text) +
                           "' (expected ok, error, lines, silence, hang or unplug)");
}

std::string_view endingKindName(EndingKind kind) {
  switch (kind) {
    case EndingKind::Ok: return "ok";
    case EndingKind::Error: return "error";
    case EndingKind::Lines: return "lines";
    case EndingKind::Silence: return "silence";
    case EndingKind::Hang: return "hang";
    case EndingKind::Unplug: return "unplug";
  }
  return "ok";
}

Scenario readScenario(std::string_view jsonText, const std::string& origin) {
  json root;
  try {
    root = json::parse(jsonText.begin(), jsonText.end());
  } catch (const json::exception& error) {
    throw CardError::invalid(origin + ": not valid JSON: " + error.what());
  }
  Scenario scenario;
  Reader reader(origin);
  reader.read(root, scenario);
  return scenario;
}

Scenario readScenarioFile(const std::filesystem::path& path) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  if (error) {
    throw CardError(CardErrorKind::SystemFailure, "cannot read scenario " + path.string() + ": " + error.message(),
                    error.value());
  }
  if (size > kLargestScenarioFile) {
    throw CardError::invalid(path.string() + ": a scenario file must not be larger than 1 MiB");
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    const int code = errno;
    throw CardError::system("open", path.string(), code);
  }
  std::ostringstream content;
  content << file.rdbuf();
  return readScenario(content.str(), path.string());
}

Scenario loadScenario(std::string_view nameOrPath) {
  if (const BuiltinScenario* builtin = findBuiltinScenario(nameOrPath)) {
    Scenario scenario = readScenario(builtin->json, "built-in scenario " + std::string(builtin->name));
    if (scenario.description.empty()) {
      scenario.description = std::string(builtin->description);
    }
    return scenario;
  }
  const std::filesystem::path path{std::string(nameOrPath)};
  std::error_code error;
  if (!std::filesystem::exists(path, error)) {
    std::string names;
    for (const BuiltinScenario& entry : builtinScenarios()) {
      names += names.empty() ? "" : ", ";
      names += entry.name;
    }
    throw CardError::invalid("no built-in scenario and no file named '" + std::string(nameOrPath) +
                             "' (built-in: " + names + ")");
  }
  return readScenarioFile(path);
}

}  // namespace p42r::card
