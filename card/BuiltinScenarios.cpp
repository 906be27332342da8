#include "card/BuiltinScenarios.h"

namespace p42r::card {

const std::vector<BuiltinScenario>& builtinScenarios() {
  static const std::vector<BuiltinScenario> scenarios = {
      {"normal", "a working card: echo until ATE0, maker Halvorn.Corp, a full update ending with OK",
       R"({"name": "normal"})"},
      {"echo-stays-on", "ATE0 is answered OK but the echo stays on",
       R"({"name": "echo-stays-on", "echoOffWorks": false})"},
      {"silent", "answers nothing at all", R"({"name": "silent", "silent": true})"},
      {"silent-after-echo-off", "answers ATE0, then nothing from AT+GMI on",
       R"({"name": "silent-after-echo-off", "silentFrom": "AT+GMI"})"},
      {"other-maker", "a modem of another maker", R"({"name": "other-maker", "maker": "Kestrel.Inc"})"},
      {"maker-two-lines", "the maker answer comes in two data lines",
       R"({"name": "maker-two-lines", "maker": ["Halvorn", ".Corp"]})"},
      {"maker-error", "AT+GMI is answered ERROR", R"({"name": "maker-error", "errorOn": ["AT+GMI"]})"},
      {"writing-at-start", "still writing an update: FPL40, then OK after 3 s",
       R"({"name": "writing-at-start", "writing": {"atStart": true}})"},
      {"writing-at-start-fails", "still writing an update: FPL40, then ERROR FSTOP after 3 s",
       R"({"name": "writing-at-start-fails",
           "writing": {"atStart": true, "outcome": "error", "reason": "FSTOP"}})"},
      {"writing-at-start-finished", "still writing an update: FPL60, then ERROR FUPSTOP after 3 s",
       R"({"name": "writing-at-start-finished",
           "writing": {"atStart": true, "notice": "FPL60", "outcome": "error", "reason": "FUPSTOP"}})"},
      {"writing-at-start-unlisted", "still writing an update: FPL40, then ERROR FNO (not a writing reason)",
       R"({"name": "writing-at-start-unlisted",
           "writing": {"atStart": true, "outcome": "error", "reason": "FNO"}})"},
      {"update-fast", "a full update with 200 ms between notices",
       R"({"name": "update-fast", "update": {"pacingMs": 200}})"},
      {"update-not-needed", "the update stops after the version check: ERROR FNO",
       R"({"name": "update-not-needed",
           "update": {"lastNotice": "VERCFCPL", "outcome": "error", "reason": "FNO"}})"},
      {"update-download-fails", "the download fails after FDL40: ERROR FDLNG",
       R"({"name": "update-download-fails",
           "update": {"lastNotice": "FDL40", "outcome": "error", "reason": "FDLNG"}})"},
      {"update-no-carrier", "no coverage during the version check: ERROR NO CARRIER",
       R"({"name": "update-no-carrier",
           "update": {"lastNotice": "VERCFSTR", "outcome": "error", "reason": "NO CARRIER"}})"},
      {"update-app-running", "an application runs, so the update is refused: ERROR KUPRUNNING",
       R"({"name": "update-app-running",
           "applications": [{"code": "1001", "name": "Navigator", "state": 1},
                            {"code": "1002", "name": "Mail"}]})"},
      {"update-unlisted-reason", "the update fails with a reason nobody knows: ERROR FXYZ",
       R"({"name": "update-unlisted-reason",
           "update": {"lastNotice": "FDLSTART", "outcome": "error", "reason": "FXYZ"}})"},
      {"update-raw-line", "after FDL20 the card sends ERROR and then a notice instead of a reason",
       R"({"name": "update-raw-line",
           "update": {"lastNotice": "FDL20", "outcome": "lines", "lines": ["ERROR", "VERCFSTR"]}})"},
      {"update-silent", "the update goes quiet after FDL60; other commands are still answered",
       R"({"name": "update-silent", "update": {"lastNotice": "FDL60", "outcome": "silence"}})"},
      {"update-hangs", "the card stops answering anything after FDL60",
       R"({"name": "update-hangs", "update": {"lastNotice": "FDL60", "outcome": "hang"}})"},
      {"update-unplugged", "the card is pulled out in the middle of the download, after FDL40",
       R"({"name": "update-unplugged", "update": {"lastNotice": "FDL40", "outcome": "unplug"}})"},
      {"update-keep-alive", "a slow download (12 min per step) kept alive by KUPDLCNT every 4 min",
       R"({"name": "update-keep-alive",
           "update": {"keepAliveMs": 240000,
                      "noticeDelaysMs": {"FDL20": 720000, "FDL40": 720000, "FDL60": 720000, "FDL80": 720000}}})"},
      {"update-leaves-writing", "the update goes quiet after FPL40 and the card stays writing for the next start",
       R"({"name": "update-leaves-writing",
           "update": {"lastNotice": "FPL40", "outcome": "silence", "leaveWriting": true}})"},
      {"update-end-refused", "AT@KUPEND is refused with ERROR; notices every 5 s",
       R"({"name": "update-end-refused", "update": {"pacingMs": 5000, "acceptEnd": false}})"},
      {"unplug-after-start", "the card is pulled out 10 s after it was plugged in",
       R"({"name": "unplug-after-start", "unplug": {"afterMs": 10000}})"},
      {"unplug-on-update", "the card is pulled out when AT@KUPSTART arrives",
       R"({"name": "unplug-on-update", "unplug": {"onCommand": "AT@KUPSTART"}})"},
      {"status-refused", "reception, LED, domain writes, connection result and memory writes answered ERROR",
       R"({"name": "status-refused",
           "errorOn": ["AT@HYBRRSSI?", "AT@LEDSET=", "AT@ALDW=", "AT@ALDD=", "AT@CNLTRT", "AT@DMRW="]})"},
      {"status-malformed", "reception and connection result answered with lines out of range",
       R"({"name": "status-malformed",
           "replies": {"AT@HYBRRSSI?": ["10,2,3", "OK"], "AT@CNLTRT": ["4", "OK"]}})"},
      {"domains-registered", "all three domain slots in use; the last connection ended with result 1",
       R"({"name": "domains-registered",
           "domains": ["example.co.jp", "mail.example.jp", "vpn.example.net"], "connectionResult": "1"})"},
      {"domain-read-refused", "reading domain slot 2 is answered ERROR",
       R"({"name": "domain-read-refused", "domains": ["example.co.jp"], "errorOn": ["AT@ALDR=2"]})"},
      {"applications-full", "six applications; one runs, one refuses to start but runs, one ignores stop",
       R"({"name": "applications-full",
           "update": {"refuseWhenApplicationRunning": false},
           "applications": [
             {"code": "A1", "name": "Navigator", "state": 1},
             {"code": "A2", "name": "Mail"},
             {"code": "A3", "name": "Weather", "start": {"reply": "ERROR", "state": 1}},
             {"code": "A4", "name": "ニュース"},
             {"code": "A5", "name": "Camera", "stop": {"reply": "OK", "state": null}},
             {"code": "A6", "name": "Music", "start": {"reply": "ERROR", "state": null}}]})"},
      {"applications-refused", "the application list query is answered ERROR",
       R"({"name": "applications-refused", "errorOn": ["AT&OP=APP?"]})"},
      {"slow-replies", "every reply comes 1.5 s after its command",
       R"({"name": "slow-replies", "replyDelayMs": 1500})"},
  };
  return scenarios;
}

const BuiltinScenario* findBuiltinScenario(std::string_view name) {
  for (const BuiltinScenario& scenario : builtinScenarios()) {
    if (scenario.name == name) {
      return &scenario;
    }
  }
  return nullptr;
}

}  // namespace p42r::card
