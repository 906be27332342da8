// The application list in-process behind the fake serial port: the first
// build from the status and name queries, launch and terminate with every
// answer the card can give, the fresh status that settles a doubtful
// result, the watchdog, and each failure of the port, the timers and the
// reader.
#include "apps/ClsRunAppli.h"

#include <gtest/gtest.h>

#include <fstream>

#include "apps/tests/AppsStage.h"

namespace p42r::apps {
namespace {

using platform::MessageBoxButtons;
using platform::MessageBoxIcon;
using Shown = std::vector<std::pair<std::u16string, std::u16string>>;
using Commands = std::vector<std::string>;
using Step = ClsRunAppli::Step;

const std::u16string kRunning = u"起動中";
const std::u16string kNoReply = u"デバイスからの応答がありません。処理を中断します。";
const std::u16string kUnavailable = u"アプリのステータスを取得できませんでした。";

struct RunAppli : ::testing::Test, AppsStage {
  void ExpectIdle() {
    EXPECT_EQ(screen.step(), Step::Idle);
    EXPECT_TRUE(ButtonsEnabled());
    EXPECT_FALSE(display.waitCursor());
    EXPECT_TRUE(screen.readerSuspended());
    EXPECT_FALSE(Watched());
  }
  void ExpectFatal(const std::u16string& text) {
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back(), (Box{text, MessageBoxButtons::Ok, MessageBoxIcon::None}));
    EXPECT_EQ(closeRequests, 1);
    EXPECT_FALSE(channel.isOpen());
    EXPECT_EQ(serial.eventMask(), 0u) << "the reader was stopped";
  }
  // Navigator, Mail: listed as Mail (row 0), Navigator (row 1).
  void OpenTwo(int navigatorState, int mailState) {
    Applications({{"A1", "Navigator", navigatorState}, {"A2", "Mail", mailState}});
    Open();
    TakeCommands();
    TakeWrites();
  }
};

TEST_F(RunAppli, SixApplicationsAreAskedInTheCardsOrderAndListedInReverse) {
  Applications({{"A1", "N1", 0}, {"A2", "N2", 1}, {"A3", "N3", 0}, {"A4", "N4", 0}, {"A5", "N5", 2}, {"A6", "N6", 0}});
  Open();
  EXPECT_EQ(TakeCommands(), (Commands{"AT&OP=APP?", "AT&OP=A1,6", "AT&OP=A2,6", "AT&OP=A3,6", "AT&OP=A4,6",
                                      "AT&OP=A5,6", "AT&OP=A6,6"}));
  EXPECT_EQ(TakeWrites().front(), "AT&OP=APP?\r\n\\0");
  EXPECT_EQ(Rows(), (Shown{{u"", u"N6"}, {u"", u"N5"}, {u"", u"N4"}, {u"", u"N3"}, {kRunning, u"N2"}, {u"", u"N1"}}))
      << "only state 1 counts as running";
  for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(screen.records()[i].listRow, static_cast<int>(5 - i)) << i;
  ExpectIdle();
  EXPECT_EQ(screen.focus(), 1052);
  EXPECT_EQ(Control(1052).selectedRow(), -1);
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(closeRequests, 0);

  const auto& columns = Control(1052).columns();
  ASSERT_EQ(columns.size(), 2u);
  EXPECT_EQ(columns[0].heading, u"");
  EXPECT_EQ(columns[1].heading, u"");
}

TEST_F(RunAppli, WhileAQueryRunsTheScreenIsBusyAndSilenceEndsInNoReply) {
  card.silence("AT&OP=APP?");
  SwitchScreen(13);
  RunUntilIdle();
  EXPECT_EQ(screen.step(), Step::StatusQuery);
  EXPECT_TRUE(screen.busy());
  EXPECT_TRUE(ButtonsDisabled());
  EXPECT_TRUE(Control(1052).isEnabled()) << "the list stays usable";
  EXPECT_TRUE(display.waitCursor());
  EXPECT_TRUE(Watched());
  EXPECT_EQ(screen.focus(), 1052);

  Advance(69999);
  EXPECT_TRUE(boxes.empty());
  Advance(1);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], (Box{kNoReply, MessageBoxButtons::Ok, MessageBoxIcon::None}));
  EXPECT_TRUE(ButtonsEnabled());
  EXPECT_FALSE(display.waitCursor());
  EXPECT_FALSE(Watched());
  EXPECT_EQ(screen.step(), Step::StatusQuery) << "the step is left as it was";
  EXPECT_TRUE(channel.isOpen());
  EXPECT_EQ(closeRequests, 0);

  // The answer comes too late: it belongs to no exchange any more.
  Send(screen.handle(), {"APP=A1+1/", "OK"});
  EXPECT_TRUE(screen.records()[0].code.empty());
  EXPECT_EQ(TakeCommands(), Commands{"AT&OP=APP?"}) << "no name was asked";
  EXPECT_EQ(boxes.size(), 1u);
  EXPECT_EQ(closeRequests, 0);

  Click(1057);
  EXPECT_EQ(switches.back(), 5);
}

struct EmptyFirstBuild : RunAppli, ::testing::WithParamInterface<const char*> {};

TEST_P(EmptyFirstBuild, AStatusWithoutAFirstCodeAsksNoNameAndListsNothing) {
  card.answer("AT&OP=APP?", Framed({GetParam(), "OK"}));
  Open();
  EXPECT_EQ(TakeCommands(), Commands{"AT&OP=APP?"});
  EXPECT_TRUE(Rows().empty());
  ExpectIdle();
  EXPECT_TRUE(boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(RunAppli, EmptyFirstBuild, ::testing::Values("APP=+1/A2+0/", "APP=", "APP=/A2+0/"));

TEST_F(RunAppli, TheStatusListStopsAfterSixEntriesAndReadsTheStateAsANumber) {
  Applications({{"A1", "N1"}, {"A2", "N2"}, {"A3", "N3"}, {"A4", "N4"}, {"A5", "N5"}, {"A6", "N6"}, {"A7", "N7"}});
  card.answer("AT&OP=APP?", Framed({"APP=A1+1/A2+x/A3+01/A4+ 1/A5+11/A6+0/A7+1/", "OK"}));
  Open();
  EXPECT_EQ(TakeCommands(), (Commands{"AT&OP=APP?", "AT&OP=A1,6", "AT&OP=A2,6", "AT&OP=A3,6", "AT&OP=A4,6",
                                      "AT&OP=A5,6", "AT&OP=A6,6"}))
      << "the seventh entry is not read";
  EXPECT_EQ(Rows(), (Shown{{u"", u"N6"}, {u"", u"N5"}, {kRunning, u"N4"}, {kRunning, u"N3"}, {u"", u"N2"},
                          {kRunning, u"N1"}}));
  EXPECT_EQ(screen.records()[4].state, 11);
  ExpectIdle();
}

TEST_F(RunAppli, NamesAreCutToTheirLastCharactersAndAnApplicationWithoutANameIsNotListed) {
  const std::string longName = std::string(10, 'x') + std::string(123, 'y');
  Applications({{"A1", longName}, {"A2", "unused"}, {"A3", "unused"}, {"A4", "ニュース"}, {"A5", "Mail=Box"}});
  card.answer("AT&OP=A2,6", Framed({"OK"}));           // no name line at all
  card.answer("AT&OP=A3,6", Framed({"APP=", "OK"}));   // an empty name
  Open();
  EXPECT_EQ(TakeCommands(), (Commands{"AT&OP=APP?", "AT&OP=A1,6", "AT&OP=A2,6", "AT&OP=A3,6", "AT&OP=A4,6",
                                      "AT&OP=A5,6"}))
      << "an application without a name line is asked once, and the next one is asked";
  EXPECT_EQ(Rows(), (Shown{{u"", u"Mail=Box"}, {u"", u"ニュース"}, {u"", std::u16string(123, u'y')}}));
  EXPECT_EQ(screen.records()[1].listRow, -1);
  EXPECT_EQ(screen.records()[2].listRow, -1);
  ExpectIdle();
}

TEST_F(RunAppli, ASecondNameLineNamesTheNextApplicationWhichIsThenNotAsked) {
  Applications({{"A1", "Navigator"}, {"A2", "Mail"}, {"A3", "News"}});
  card.answer("AT&OP=A1,6", Framed({"APP=Navigator", "APP=Extra", "OK"}));
  Open();
  EXPECT_EQ(TakeCommands(), (Commands{"AT&OP=APP?", "AT&OP=A1,6", "AT&OP=A3,6"}))
      << "every name line moves on to the next application";
  EXPECT_EQ(Rows(), (Shown{{u"", u"News"}, {u"", u"Extra"}, {u"", u"Navigator"}}));
  EXPECT_EQ(screen.records()[1].code, u"A2") << "the name line changes no code";
  ExpectIdle();
  EXPECT_TRUE(boxes.empty());
}

TEST_F(RunAppli, ASecondNameLineToTheSixthApplicationsQueryIsDropped) {
  Applications({{"A1", "N1"}, {"A2", "N2"}, {"A3", "N3"}, {"A4", "N4"}, {"A5", "N5"}, {"A6", "N6"}});
  card.answer("AT&OP=A6,6", Framed({"APP=N6", "APP=Extra", "OK"}));
  Open();
  EXPECT_EQ(TakeCommands(), (Commands{"AT&OP=APP?", "AT&OP=A1,6", "AT&OP=A2,6", "AT&OP=A3,6", "AT&OP=A4,6",
                                      "AT&OP=A5,6", "AT&OP=A6,6"}));
  EXPECT_EQ(Rows(), (Shown{{u"", u"N6"}, {u"", u"N5"}, {u"", u"N4"}, {u"", u"N3"}, {u"", u"N2"}, {u"", u"N1"}}))
      << "there is no seventh record to take the extra name";
  ExpectIdle();
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(closeRequests, 0);
}

TEST_F(RunAppli, ANameQueryLeftUnansweredEndsInNoReplyWithTheListUnbuilt) {
  Applications({{"A1", "Navigator", 1}, {"A2", "Mail", 0}});
  card.silence("AT&OP=A2,6");
  SwitchScreen(5);
  SwitchScreen(13);
  // The status and the first name answer come through the reader thread.
  ASSERT_TRUE(WaitFor([&] { return card.commands().size() == 3; }));
  RunUntilIdle();
  EXPECT_EQ(TakeCommands(), (Commands{"AT&OP=APP?", "AT&OP=A1,6", "AT&OP=A2,6"}));
  EXPECT_EQ(screen.step(), Step::NameQuery);
  EXPECT_TRUE(ButtonsDisabled());
  EXPECT_TRUE(Watched());
  EXPECT_TRUE(Rows().empty()) << "the list waits for the last name";

  Advance(69999);
  EXPECT_TRUE(boxes.empty());
  Advance(1);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], (Box{kNoReply, MessageBoxButtons::Ok, MessageBoxIcon::None}));
  EXPECT_TRUE(Rows().empty()) << "the name already received is not listed on its own";
  EXPECT_EQ(screen.step(), Step::NameQuery) << "the step is left as it was";
  EXPECT_TRUE(ButtonsEnabled());
  EXPECT_FALSE(display.waitCursor());
  EXPECT_TRUE(screen.readerSuspended());
  EXPECT_FALSE(Watched());
  EXPECT_TRUE(channel.isOpen());
  EXPECT_EQ(closeRequests, 0);

  // The name comes too late: it builds nothing and asks nothing more.
  Send(screen.handle(), {"APP=Mail", "OK"});
  EXPECT_TRUE(Rows().empty());
  EXPECT_TRUE(TakeCommands().empty());
  EXPECT_EQ(boxes.size(), 1u);

  Click(1057);
  EXPECT_EQ(switches.back(), 5);
  card.answer("AT&OP=A2,6", Framed({"APP=Mail", "OK"}));
  Open();
  EXPECT_EQ(Rows(), (Shown{{u"", u"Mail"}, {kRunning, u"Navigator"}})) << "the next visit builds the whole list";
  ExpectIdle();
}

struct Refusal {
  const char* command;
  const char* reply;
};
void PrintTo(const Refusal& refusal, std::ostream* out) { *out << refusal.command << " -> " << refusal.reply; }

struct RefusedQueries : RunAppli, ::testing::WithParamInterface<Refusal> {};

TEST_P(RefusedQueries, ShowTheStatusMessageCloseThePortAndLeaveForTheMenu) {
  Applications({{"A1", "Navigator", 1}, {"A2", "Mail", 0}});
  card.answer(GetParam().command, Framed({GetParam().reply, "OK"}));
  Open();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], (Box{kUnavailable, MessageBoxButtons::Ok, MessageBoxIcon::None}));
  EXPECT_EQ(switches.back(), 5);
  EXPECT_TRUE(Rows().empty());
  EXPECT_FALSE(channel.isOpen());
  EXPECT_EQ(serial.eventMask(), 0u) << "the reader was stopped";
  EXPECT_FALSE(display.waitCursor()) << "the menu is not busy";
  EXPECT_FALSE(Watched());
  EXPECT_EQ(closeRequests, 0);
  const Commands commands = TakeCommands();
  EXPECT_EQ(commands.back(), GetParam().command) << "nothing is asked after the refusal";
}

INSTANTIATE_TEST_SUITE_P(RunAppli, RefusedQueries,
                         ::testing::Values(Refusal{"AT&OP=APP?", "ERROR"}, Refusal{"AT&OP=APP?", "APP"},
                                           Refusal{"AT&OP=APP?", "app=A1+1/"}, Refusal{"AT&OP=A2,6", "ERROR"},
                                           Refusal{"AT&OP=A1,6", "APPX=Navigator"}));

TEST_F(RunAppli, EveryVisitReopensAClosedPortAndRebuildsTheList) {
  Applications({{"A1", "Navigator", 0}});
  card.answer("AT&OP=APP?", Framed({"ERROR"}));
  Open();
  ASSERT_FALSE(channel.isOpen());

  Applications({{"B1", "Camera", 1}, {"B2", "Music", 0}});
  Open();
  EXPECT_TRUE(channel.isOpen());
  EXPECT_EQ(Rows(), (Shown{{u"", u"Music"}, {kRunning, u"Camera"}}));
  ExpectIdle();

  Applications({{"C1", "Weather", 0}});
  Click(1057);
  EXPECT_TRUE(Rows().empty()) << "Back empties the list";
  EXPECT_TRUE(channel.isOpen()) << "Back leaves the port open";
  EXPECT_EQ(serial.eventMask(), 0u) << "Back stops the reader";
  EXPECT_EQ(switches.back(), 5);
  Open();
  EXPECT_EQ(Rows(), (Shown{{u"", u"Weather"}}));
  EXPECT_EQ(screen.records()[1].code, u"") << "nothing is left of the last visit";
  EXPECT_EQ(Control(1052).columns().size(), 2u) << "the columns are set up once, at the first layout";
}

TEST_F(RunAppli, APortThatCannotBeOpenedIsReportedAndTheMenuComesBack) {
  channel.Close();
  faultySerial.failNext(testing::SerialCall::CreateFile, 2);
  SwitchScreen(13);
  RunUntilIdle();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], (Box{u"ポートオープンエラー(002  010)", MessageBoxButtons::Ok, MessageBoxIcon::None}));
  EXPECT_EQ(switches.back(), 5);
  EXPECT_FALSE(channel.isOpen());
  EXPECT_TRUE(TakeCommands().empty());
  EXPECT_FALSE(display.waitCursor());
  EXPECT_FALSE(Watched());
  EXPECT_EQ(closeRequests, 0);
}

TEST_F(RunAppli, LaunchAsksFirstAndNeedsASelectedRow) {
  OpenTwo(0, 0);
  Click(1053);
  Click(1054);
  EXPECT_TRUE(boxes.empty()) << "nothing is selected";
  EXPECT_TRUE(TakeCommands().empty());

  respond = [](const Box&) { return platform::IDCANCEL; };
  Select(1);
  Click(1053);
  Click(1054);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0], (Box{u"Navigatorを起動します、よろしいですか？", MessageBoxButtons::OkCancel,
                           MessageBoxIcon::Question}));
  EXPECT_EQ(boxes[1], (Box{u"Navigatorを終了します、よろしいですか？", MessageBoxButtons::OkCancel,
                           MessageBoxIcon::Question}));
  EXPECT_TRUE(TakeCommands().empty()) << "Cancel sends nothing";
  ExpectIdle();
}

TEST_F(RunAppli, ALaunchTheCardAcceptsMarksTheRowAndSaysSo) {
  OpenTwo(0, 0);
  card.answer("AT&OP=A1,1", Framed({"OK"}));
  Select(1);
  Click(1053);
  EXPECT_TRUE(Settled());
  EXPECT_EQ(TakeWrites(), std::vector<std::string>{"AT&OP=A1,1\r\n\\0"});
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1], (Box{u"Navigatorを起動しました。", MessageBoxButtons::Ok, MessageBoxIcon::Information}));
  EXPECT_EQ(Rows(), (Shown{{u"", u"Mail"}, {kRunning, u"Navigator"}}));
  EXPECT_EQ(screen.records()[0].state, 1);
  ExpectIdle();
  EXPECT_EQ(closeRequests, 0);
}

TEST_F(RunAppli, WhileACommandRunsTheButtonsAreDisabledAndTheReaderListens) {
  OpenTwo(0, 0);
  card.silence("AT&OP=A2,1");
  Select(0);
  Click(1053);
  EXPECT_EQ(screen.step(), Step::LaunchSent);
  EXPECT_TRUE(ButtonsDisabled());
  EXPECT_TRUE(display.waitCursor());
  EXPECT_FALSE(screen.readerSuspended());
  EXPECT_TRUE(Watched());
  Send(screen.handle(), {"OK"});
  EXPECT_EQ(boxes.back().text, u"Mailを起動しました。");
  ExpectIdle();
}

// What the fresh status says after Mail was started while Navigator ran.
struct FreshStates {
  int navigator;
  int mail;
};
void PrintTo(const FreshStates& fresh, std::ostream* out) {
  *out << "Navigator " << fresh.navigator << ", Mail " << fresh.mail;
}

struct LaunchesBesideARunningApplication : RunAppli, ::testing::WithParamInterface<FreshStates> {};

TEST_P(LaunchesBesideARunningApplication, AreSettledByAFreshStatusAndReportedAsStarted) {
  OpenTwo(1, 0);
  card.answer("AT&OP=A2,1", Framed({"OK"}));
  StatusReports({{"A1", "", GetParam().navigator}, {"A2", "", GetParam().mail}});
  Select(0);
  Click(1053);
  EXPECT_TRUE(Settled());
  EXPECT_EQ(TakeCommands(), (Commands{"AT&OP=A2,1", "AT&OP=APP?"})) << "no name is asked again";
  ASSERT_EQ(boxes.size(), 2u);
  // The card accepted the start: whatever the fresh status shows, the
  // verdict is the card's "OK".
  EXPECT_EQ(boxes[1], (Box{u"Mailを起動しました。", MessageBoxButtons::Ok, MessageBoxIcon::Information}));
  EXPECT_EQ(Rows(), (Shown{{GetParam().mail == 1 ? kRunning : u"", u"Mail"},
                          {GetParam().navigator == 1 ? kRunning : u"", u"Navigator"}}))
      << "the list shows the card's word";
  EXPECT_EQ(Control(1052).selectedRow(), -1);
  ExpectIdle();
  EXPECT_EQ(closeRequests, 0);
}

INSTANTIATE_TEST_SUITE_P(RunAppli, LaunchesBesideARunningApplication,
                         ::testing::Values(FreshStates{0, 1}, FreshStates{1, 0}, FreshStates{1, 1}));

TEST_F(RunAppli, ATerminateTheCardAcceptsClearsTheRowAndSaysSo) {
  OpenTwo(1, 1);
  card.answer("AT&OP=A1,2", Framed({"OK"}));
  Select(1);
  Click(1054);
  EXPECT_TRUE(Settled());
  EXPECT_EQ(TakeWrites(), std::vector<std::string>{"AT&OP=A1,2\r\n\\0"});
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1], (Box{u"Navigatorを終了しました。", MessageBoxButtons::Ok, MessageBoxIcon::Information}));
  EXPECT_EQ(Rows(), (Shown{{kRunning, u"Mail"}, {u"", u"Navigator"}}));
  EXPECT_EQ(TakeCommands(), Commands{"AT&OP=A1,2"}) << "no fresh status after a stop";
  ExpectIdle();
}

struct Refused {
  ClsRunAppli::Action action;
  int stateBefore;
  int stateAfter;
  Box result;
};
void PrintTo(const Refused& refused, std::ostream* out) {
  *out << (refused.action == ClsRunAppli::Action::Launch ? "launch " : "terminate ") << refused.stateBefore << "->"
       << refused.stateAfter;
}

struct RefusedActions : RunAppli, ::testing::WithParamInterface<Refused> {};

TEST_P(RefusedActions, AreJudgedByTheFreshStatus) {
  const bool launch = GetParam().action == ClsRunAppli::Action::Launch;
  OpenTwo(GetParam().stateBefore, 0);
  const std::string command = launch ? "AT&OP=A1,1" : "AT&OP=A1,2";
  card.answer(command, Framed({"ERROR"}));
  StatusReports({{"A1", "", GetParam().stateAfter}, {"A2", "", 0}});
  Select(1);
  Click(launch ? 1053 : 1054);
  EXPECT_TRUE(Settled());
  EXPECT_EQ(TakeCommands(), (Commands{command, "AT&OP=APP?"}));
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1], GetParam().result);
  EXPECT_EQ(Rows()[1], (std::pair<std::u16string, std::u16string>{GetParam().stateAfter == 1 ? kRunning : u"",
                                                                   u"Navigator"}));
  ExpectIdle();
  EXPECT_EQ(closeRequests, 0);
}

INSTANTIATE_TEST_SUITE_P(
    RunAppli, RefusedActions,
    ::testing::Values(
        Refused{ClsRunAppli::Action::Launch, 0, 1,
                Box{u"Navigatorはすでに起動しています。", MessageBoxButtons::Ok, MessageBoxIcon::None}},
        Refused{ClsRunAppli::Action::Launch, 0, 0,
                Box{u"Navigatorを起動できませんでした。", MessageBoxButtons::Ok, MessageBoxIcon::Exclamation}},
        Refused{ClsRunAppli::Action::Launch, 1, 1,
                Box{u"Navigatorを起動できませんでした。", MessageBoxButtons::Ok, MessageBoxIcon::Exclamation}},
        // Running before, stopped now: not the "already" case, so the refusal is told.
        Refused{ClsRunAppli::Action::Launch, 1, 0,
                Box{u"Navigatorを起動できませんでした。", MessageBoxButtons::Ok, MessageBoxIcon::Exclamation}},
        Refused{ClsRunAppli::Action::Terminate, 1, 0,
                Box{u"Navigatorはすでに終了しています。", MessageBoxButtons::Ok, MessageBoxIcon::None}},
        Refused{ClsRunAppli::Action::Terminate, 1, 1,
                Box{u"Navigatorを終了できませんでした。", MessageBoxButtons::Ok, MessageBoxIcon::Exclamation}},
        // Stopped before, running now: not the "already" case either.
        Refused{ClsRunAppli::Action::Terminate, 0, 1,
                Box{u"Navigatorを終了できませんでした。", MessageBoxButtons::Ok, MessageBoxIcon::Exclamation}},
        Refused{ClsRunAppli::Action::Terminate, 0, 0,
                Box{u"Navigatorを終了できませんでした。", MessageBoxButtons::Ok, MessageBoxIcon::Exclamation}}));

// Every way an action leads to a fresh status query, acting on Navigator
// (row 1) beside Mail.
struct ActionNeedingAStatus {
  const char* name;
  std::uint16_t button;
  int navigatorState;
  int mailState;
  const char* command;
  const char* reply;
};
void PrintTo(const ActionNeedingAStatus& action, std::ostream* out) { *out << action.name; }

struct FreshStatusAfterActions : RunAppli, ::testing::WithParamInterface<ActionNeedingAStatus> {
  // The action, after the first build; the fresh status query gets `freshStatus`.
  void Act(const std::string& freshStatus) {
    OpenTwo(GetParam().navigatorState, GetParam().mailState);
    card.answer("AT&OP=APP?", freshStatus);
    card.answer(GetParam().command, Framed({GetParam().reply}));
    Select(1);
    Click(GetParam().button);
    EXPECT_TRUE(Settled());
    EXPECT_EQ(TakeCommands(), (Commands{GetParam().command, "AT&OP=APP?"}));
  }
};

TEST_P(FreshStatusAfterActions, ThatIsRefusedShowsTheStatusMessageAndLeavesForTheMenu) {
  Act(Framed({"APP=A1+1/A2+0/", "ERROR"}));
  ASSERT_EQ(boxes.size(), 2u) << "no verdict on the action";
  EXPECT_EQ(boxes[1], (Box{kUnavailable, MessageBoxButtons::Ok, MessageBoxIcon::None}));
  EXPECT_EQ(switches.back(), 5);
  EXPECT_TRUE(Rows().empty());
  EXPECT_FALSE(channel.isOpen());
  EXPECT_EQ(serial.eventMask(), 0u) << "the reader was stopped";
  EXPECT_FALSE(display.waitCursor()) << "the menu is not busy";
  EXPECT_FALSE(Watched());
  EXPECT_EQ(closeRequests, 0);

  // The next visit starts afresh: the action left behind is not reported.
  Applications({{"A1", "Navigator", 0}, {"A2", "Mail", 0}});
  Open();
  EXPECT_TRUE(channel.isOpen());
  EXPECT_EQ(Rows(), (Shown{{u"", u"Mail"}, {u"", u"Navigator"}}));
  EXPECT_EQ(boxes.size(), 2u);
  ExpectIdle();
}

TEST_P(FreshStatusAfterActions, WithoutTheActedOnApplicationReportNothing) {
  // Navigator (A1) is gone from the card's list; another application runs in its place.
  Act(Framed({"APP=B7+1/A2+0/", "OK"}));
  ASSERT_EQ(boxes.size(), 1u) << "only the confirmation";
  EXPECT_EQ(Rows()[0].first, u"");
  EXPECT_EQ(Rows()[1].first, kRunning) << "the list follows the fresh status";
  ExpectIdle();
  EXPECT_EQ(closeRequests, 0);
}

INSTANTIATE_TEST_SUITE_P(
    RunAppli, FreshStatusAfterActions,
    ::testing::Values(ActionNeedingAStatus{"LaunchRefused", 1053, 0, 0, "AT&OP=A1,1", "ERROR"},
                      ActionNeedingAStatus{"LaunchBesideARunningOne", 1053, 0, 1, "AT&OP=A1,1", "OK"},
                      ActionNeedingAStatus{"TerminateRefused", 1054, 1, 0, "AT&OP=A1,2", "ERROR"}),
    [](const ::testing::TestParamInfo<ActionNeedingAStatus>& param) { return std::string(param.param.name); });

struct UnexpectedReplies : RunAppli, ::testing::WithParamInterface<std::pair<std::uint16_t, const char*>> {};

TEST_P(UnexpectedReplies, ToALaunchOrTerminateAreFatal) {
  OpenTwo(0, 0);
  const bool launch = GetParam().first == 1053;
  card.answer(launch ? "AT&OP=A2,1" : "AT&OP=A2,2", Framed({GetParam().second, "OK", "ERROR"}));
  Select(0);
  Click(GetParam().first);
  EXPECT_TRUE(Settled());
  ExpectFatal(u"ポート状態エラー(011  010)");
  EXPECT_EQ(boxes.size(), 2u) << "the lines behind it open no more boxes";
}

INSTANTIATE_TEST_SUITE_P(RunAppli, UnexpectedReplies,
                         ::testing::Values(std::pair<std::uint16_t, const char*>{1053, "ok"},
                                           std::pair<std::uint16_t, const char*>{1053, "APP=A2+1/"},
                                           std::pair<std::uint16_t, const char*>{1054, "OK?"}));

TEST_F(RunAppli, ALaunchLeftUnansweredEndsInNoReplyAndItsLateAnswerIsIgnored) {
  OpenTwo(0, 0);
  card.silence("AT&OP=A1,1");
  Select(1);
  Click(1053);
  Advance(69999);
  EXPECT_EQ(boxes.size(), 1u);
  Advance(1);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1], (Box{kNoReply, MessageBoxButtons::Ok, MessageBoxIcon::None}));
  EXPECT_EQ(screen.step(), Step::LaunchSent) << "the step is left as it was";
  EXPECT_TRUE(ButtonsEnabled());
  EXPECT_FALSE(display.waitCursor());
  EXPECT_FALSE(Watched());

  Send(screen.handle(), {"OK"});
  EXPECT_EQ(boxes.size(), 2u) << "no verdict from a late answer";
  EXPECT_EQ(Rows()[1].first, u"");
  EXPECT_EQ(closeRequests, 0);

  card.answer("AT&OP=A1,1", Framed({"OK"}));
  Select(1);
  Click(1053);
  EXPECT_TRUE(Settled());
  EXPECT_EQ(boxes.back().text, u"Navigatorを起動しました。");
  EXPECT_EQ(Rows()[1].first, kRunning);
}

TEST_F(RunAppli, WhatTheCardSaysBetweenExchangesIsNotTaken) {
  OpenTwo(0, 0);
  Send(screen.handle(), {"OK", "ERROR", "APP=Z9+1/"});
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(closeRequests, 0);
  EXPECT_EQ(screen.records()[0].code, u"A1");
  EXPECT_EQ(Rows(), (Shown{{u"", u"Mail"}, {u"", u"Navigator"}}));
  EXPECT_TRUE(TakeCommands().empty());
  ExpectIdle();
}

// A failed timer call is fatal whatever last error it leaves, 0 included.
struct TimerFailures : RunAppli, ::testing::WithParamInterface<std::uint32_t> {};

TEST_P(TimerFailures, AreFatalWhenTheStatusQueryIsWatched) {
  Applications({{"A1", "Navigator", 0}});
  timers.failNextSet(GetParam());
  Open();
  ExpectFatal(u"タイマーエラー(201  010)");
  EXPECT_EQ(boxes.size(), 1u);
  EXPECT_EQ(TakeCommands(), Commands{"AT&OP=APP?"}) << "the status answer is not taken";
}

TEST_P(TimerFailures, AreFatalWhenALaunchIsWatched) {
  OpenTwo(0, 0);
  timers.failNextSet(GetParam());
  Select(1);
  Click(1053);
  ExpectFatal(u"タイマーエラー(201  010)");
  EXPECT_EQ(boxes.size(), 2u);
}

TEST_P(TimerFailures, AreFatalWhenAReplyStopsTheWatchdog) {
  Applications({{"A1", "Navigator", 0}});
  timers.failNextKill(GetParam());
  Open();
  ExpectFatal(u"タイマーエラー(202  010)");
  EXPECT_EQ(boxes.size(), 1u) << "the status answer's OK opens no second box";
  EXPECT_EQ(TakeCommands(), Commands{"AT&OP=APP?"});
  EXPECT_TRUE(screen.records()[0].code.empty()) << "the line is not handled";
}

TEST_P(TimerFailures, AreFatalWhenTheWatchdogFallsDue) {
  card.silence("AT&OP=APP?");
  SwitchScreen(13);
  RunUntilIdle();
  ASSERT_TRUE(Watched());
  timers.failNextKill(GetParam());
  Advance(70000);
  ExpectFatal(u"タイマーエラー(202  010)");
  Advance(70000);
  EXPECT_EQ(boxes.size(), 1u) << "no no-reply message, then or later";
}

INSTANTIATE_TEST_SUITE_P(RunAppli, TimerFailures, ::testing::Values(8u, 0u));

struct WriteFailures : RunAppli, ::testing::WithParamInterface<std::pair<std::uint32_t, std::u16string>> {};

TEST_P(WriteFailures, AreFatalAtTheStatusQuery) {
  faultySerial.failNext(testing::SerialCall::WriteFile, GetParam().first);
  Open();
  ExpectFatal(GetParam().second);
  EXPECT_FALSE(Watched());
}

TEST_P(WriteFailures, AreFatalAtALaunch) {
  OpenTwo(0, 0);
  faultySerial.failNext(testing::SerialCall::WriteFile, GetParam().first);
  Select(1);
  Click(1053);
  ExpectFatal(GetParam().second);
  EXPECT_FALSE(Watched());
}

INSTANTIATE_TEST_SUITE_P(
    RunAppli, WriteFailures,
    ::testing::Values(std::pair<std::uint32_t, std::u16string>{31, u"ポート書き込みエラー(009  010)"},
                      std::pair<std::uint32_t, std::u16string>{
                          1609, u"通信デバイスが存在しないか、または検出されませんでした。処理を中断します。"}));

TEST_F(RunAppli, AFailedReaderLeavesTheNextQueryWithoutAPort) {
  OpenTwo(0, 0);
  card.answer("AT&OP=A1,1", Framed({"OK"}));
  faultySerial.exhaustMemoryOnNextRead();
  Select(1);
  Click(1053);
  // The failing reader pauses on the program's clock before it closes the port.
  ASSERT_TRUE(WaitFor([&] {
    clock.advance(platform::Duration(10));
    return boxes.size() >= 3;
  }));
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[1].text, u"スレッドエラー(301  027)");
  ExpectFatal(u"ポート書き込みエラー(003  010)");
}

TEST_F(RunAppli, LeavingTheApplicationStopsTheReaderAndClosesThePort) {
  OpenTwo(0, 0);
  windows.send(screen.handle(), platform::WM_DESTROY);
  EXPECT_FALSE(channel.isOpen());
  EXPECT_EQ(serial.eventMask(), 0u);
}

TEST_F(RunAppli, TheLogHoldsEveryStatusLineAndARowWithoutItsApplication) {
  const auto path = directory.path() / "p42r_softup.log";
  ASSERT_TRUE(log.open(path));
  OpenTwo(0, 0);
  // A row the screen did not put there.
  platform::Control& list = *screen.control(1052);
  list.insertRow(2, u"");
  Select(2);
  Click(1053);
  EXPECT_TRUE(boxes.empty());
  EXPECT_TRUE(TakeCommands().empty());
  log.close();

  std::ifstream file(path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find(")GetAppCodeRes resCode=APP=A1+0/A2+0/\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("GetAppCodeRes resCode=OK\r\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("GetAppCodeRes resCode=APP=Navigator"), std::string::npos) << "name answers are not logged";
  EXPECT_NE(text.find("[inside error]The data does not exist. nListIndex=2\r\n"), std::string::npos) << text;
}

}  // namespace
}  // namespace p42r::apps
