// The connection-destination limit in-process, behind the fake serial port:
// the read of the three slots, picking a row, the checks before a change,
// add, edit and delete with each of their answers, and every failure of the
// card, the port and the watchdog.
#include "admin/ClsLimitConnect.h"

#include <gtest/gtest.h>

#include "admin/tests/AdminStage.h"
#include "platform/LastError.h"

namespace p42r::admin {
namespace {

using platform::MessageBoxButtons;
using platform::MessageBoxIcon;
using Operation = ClsLimitConnect::Operation;

const std::u16string kNoReply = u"デバイスからの応答がありません。処理を中断します。";
const std::u16string kPortReadError = u"ポート読み込みエラー(011  016)";

Box Plain(std::u16string text) { return Box{std::move(text), MessageBoxButtons::Ok, MessageBoxIcon::None}; }
Box Information(std::u16string text) {
  return Box{std::move(text), MessageBoxButtons::Ok, MessageBoxIcon::Information};
}
Box Question(std::u16string text) {
  return Box{std::move(text), MessageBoxButtons::OkCancel, MessageBoxIcon::Question};
}

struct LimitConnect : ::testing::Test, AdminStage {
  // Entered with the given slots, the read's commands taken.
  void EnterWith(const std::vector<std::string>& domains) {
    Slots(domains);
    EnterLimit();
    ASSERT_EQ(TakeWrites(), (std::vector<std::string>{Wire("AT@ALDR=1"), Wire("AT@ALDR=2"), Wire("AT@ALDR=3")}));
  }
  void ExpectIdle() {
    EXPECT_FALSE(limit.busy());
    EXPECT_TRUE(LimitControlsEnabled(true));
    EXPECT_FALSE(display.waitCursor());
    EXPECT_FALSE(Watched(limit));
  }
  void ExpectFatal(const std::u16string& text) {
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back(), Plain(text));
    EXPECT_EQ(closeRequests, 1);
    EXPECT_FALSE(channel.isOpen());
  }
  // Row `row` picked, the field typed, and a change button tapped.
  void Change(int row, const std::u16string& typed, std::uint16_t button) {
    SelectRow(row);
    Type(1041, typed);
    Click(button);
  }
};

TEST_F(LimitConnect, EnteringReadsTheThreeSlotsInOrderAndSelectsRowZeroWithTheFieldEmpty) {
  EXPECT_TRUE(LimitControl(1041).inputMethodDetached());
  ASSERT_EQ(LimitControl(1045).columns().size(), 1u);
  EXPECT_EQ(LimitControl(1045).columns()[0].heading, u"");
  EXPECT_EQ(LimitControl(1041).maxLength(), 20u);

  EnterWith({"example.co.jp", "", "b.jp"});
  EXPECT_EQ(Rows(), (std::vector<std::u16string>{u"example.co.jp", u"", u"b.jp"}));
  EXPECT_EQ(LimitControl(1045).selectedRow(), 0);
  EXPECT_EQ(limit.focus(), 1045);
  EXPECT_EQ(LimitControl(1041).text(), u"") << "the field is filled only when a row is picked";
  EXPECT_EQ(limit.slotsRead(), 0u);
  EXPECT_EQ(limit.pendingOperation(), Operation::None);
  EXPECT_EQ(limit.targetRow(), -1);
  EXPECT_TRUE(limit.heldSlotLine().empty());
  ExpectIdle();
  EXPECT_TRUE(boxes.empty());
  EXPECT_TRUE(channel.isOpen());

  // The reader was stopped with the read: the card's chatter reaches nobody.
  const std::size_t delivered = CountDelivered(limit.handle(), app::WM_DEVICE_LINE);
  card.send(Reply({"stray.jp", "OK"}));
  RunUntilIdle();
  EXPECT_EQ(CountDelivered(limit.handle(), app::WM_DEVICE_LINE), delivered);
}

TEST_F(LimitConnect, TheReadIsBusyThroughoutAndSilenceLeavesTheRemainingRowsEmpty) {
  Slots({"a.jp", "b.jp"});
  card.silence("AT@ALDR=3");
  SwitchScreen(12);
  RunUntilIdle();
  ASSERT_TRUE(WaitFor([&] { return limit.slotsRead() == 3; }));
  RunUntilIdle();
  EXPECT_TRUE(limit.busy());
  EXPECT_TRUE(LimitControlsEnabled(false)) << "every control is disabled while the card is asked";
  EXPECT_TRUE(display.waitCursor());
  EXPECT_TRUE(Watched(limit));
  EXPECT_EQ(limit.pendingOperation(), Operation::ReadSlot);
  EXPECT_EQ(limit.targetRow(), 2);
  EXPECT_EQ(Rows(), (std::vector<std::u16string>{u"a.jp", u"b.jp", u""}));

  Advance(69999);
  EXPECT_TRUE(boxes.empty());
  Advance(1);
  ASSERT_EQ(boxes, std::vector<Box>{Plain(kNoReply)});
  ExpectIdle();
  EXPECT_EQ(Rows(), (std::vector<std::u16string>{u"a.jp", u"b.jp", u""}));
  EXPECT_EQ(closeRequests, 0);
  EXPECT_EQ(current, 12);
}

TEST_F(LimitConnect, AnEmptyDataLineBeforeOkIsAnEmptySlot) {
  card.answer("AT@ALDR=1", Reply({"one.jp", "OK"}));
  card.answer("AT@ALDR=2", "\r\n  \r\n\r\nOK\r\n");
  card.answer("AT@ALDR=3", Reply({"OK"}));
  EnterLimit();
  EXPECT_EQ(Rows(), (std::vector<std::u16string>{u"one.jp", u"", u""}));
  EXPECT_TRUE(boxes.empty());
}

TEST_F(LimitConnect, ASlotWithTwoDataLinesEndsTheApplicationWithThePortReadError) {
  card.answer("AT@ALDR=1", Reply({"a.jp", "b.jp", "c.jp", "OK"}));
  SwitchScreen(12);
  RunUntilIdle();
  ASSERT_TRUE(WaitFor([&] { return closeRequests == 1; }));
  RunUntilIdle();
  ExpectFatal(kPortReadError);
  EXPECT_EQ(boxes.size(), 1u) << "the lines still queued open no second box";
  EXPECT_EQ(TakeWrites(), std::vector<std::string>{Wire("AT@ALDR=1")}) << "the read goes no further";
}

TEST_F(LimitConnect, ErrorToASlotReadShowsItsMessageAndReturnsToTheMenuAndTheNextEntryReadsAfresh) {
  card.answer("AT@ALDR=1", Reply({"one.jp", "OK"}));
  card.answer("AT@ALDR=2", Reply({"ERROR"}));
  SwitchScreen(12);
  RunUntilIdle();
  ASSERT_TRUE(WaitFor([&] { return current == 6; }));
  RunUntilIdle();
  EXPECT_EQ(boxes, std::vector<Box>{Plain(u"登録内容を取得できませんでした。")});
  EXPECT_EQ(switches.back(), 6);
  EXPECT_TRUE(LimitControl(1045).rows().empty()) << "the rows read are discarded";
  EXPECT_EQ(limit.slotsRead(), 0u);
  EXPECT_FALSE(display.waitCursor()) << "the menu is not left with the wait cursor";
  EXPECT_FALSE(Watched(limit));
  EXPECT_EQ(closeRequests, 0);
  EXPECT_EQ(TakeWrites(), (std::vector<std::string>{Wire("AT@ALDR=1"), Wire("AT@ALDR=2")}));

  Slots({"one.jp", "two.jp", "three.jp"});
  EnterLimit();
  EXPECT_EQ(TakeWrites(), (std::vector<std::string>{Wire("AT@ALDR=1"), Wire("AT@ALDR=2"), Wire("AT@ALDR=3")}));
  EXPECT_EQ(Rows(), (std::vector<std::u16string>{u"one.jp", u"two.jp", u"three.jp"}));
  ExpectIdle();
}

TEST_F(LimitConnect, ASlotLineLeftByASilentReadIsNotTakenForTheNextReadsSecondLine) {
  card.answer("AT@ALDR=1", Reply({"half.jp"}));
  SwitchScreen(12);
  RunUntilIdle();
  ASSERT_TRUE(WaitFor([&] { return limit.heldSlotLine() == u"half.jp"; }));
  Advance(70000);
  ASSERT_EQ(boxes, std::vector<Box>{Plain(kNoReply)});
  EXPECT_TRUE(limit.heldSlotLine().empty());
  Click(1047);
  EXPECT_EQ(current, 6);

  Slots({"one.jp", "", ""});
  EnterLimit();
  EXPECT_EQ(Rows(), (std::vector<std::u16string>{u"one.jp", u"", u""}));
  EXPECT_EQ(closeRequests, 0);
  EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(LimitConnect, TheReadersFailureNoticeEndsTheReadAtOnceAndTheWatchdogStillExpires) {
  card.answer("AT@ALDR=1", Reply({"one.jp", "OK"}));
  card.silence("AT@ALDR=2");
  SwitchScreen(12);
  RunUntilIdle();
  ASSERT_TRUE(WaitFor([&] { return limit.slotsRead() == 2; }));
  faultySerial.exhaustMemoryOnNextRead();
  card.send(Reply({"two.jp"}));
  // The reader's pauses pass on the program's clock: keep it moving until
  // the screen has heard of the failure.
  ASSERT_TRUE(WaitFor([&] {
    clock.advance(platform::Duration(10));
    return !limit.busy();
  }));
  RunUntilIdle();
  EXPECT_EQ(boxes, std::vector<Box>{Plain(u"スレッドエラー(301  027)")});
  EXPECT_FALSE(channel.isOpen());
  EXPECT_EQ(limit.slotsRead(), 0u);
  EXPECT_EQ(LimitControl(1045).selectedRow(), 0);
  EXPECT_TRUE(LimitControlsEnabled(true));
  EXPECT_EQ(Rows(), (std::vector<std::u16string>{u"one.jp", u"", u""}));
  EXPECT_TRUE(Watched(limit));
  Advance(70000);
  EXPECT_EQ(boxes.back(), Plain(kNoReply));
  EXPECT_FALSE(Watched(limit));
}

TEST_F(LimitConnect, PickingARowCopiesItAndTheKeysFollowTheRowTheyAreAboutToSelect) {
  EnterWith({"one.jp", "two.jp", "three.jp"});
  SelectRow(1);
  EXPECT_EQ(LimitControl(1041).text(), u"two.jp");
  Key(platform::VK_DOWN);
  EXPECT_EQ(LimitControl(1041).text(), u"three.jp");
  EXPECT_EQ(LimitControl(1045).selectedRow(), 2);
  Key(platform::VK_DOWN);
  EXPECT_EQ(LimitControl(1041).text(), u"three.jp") << "the last row stays the last";
  EXPECT_EQ(LimitControl(1045).selectedRow(), 2);
  Key(platform::VK_UP);
  EXPECT_EQ(LimitControl(1041).text(), u"two.jp");
  Key(platform::VK_UP);
  EXPECT_EQ(LimitControl(1041).text(), u"one.jp");
  Key(platform::VK_UP);
  EXPECT_EQ(LimitControl(1041).text(), u"one.jp") << "the first row stays the first";
  Type(1041, u"typed");
  Key('A');
  EXPECT_EQ(LimitControl(1041).text(), u"one.jp") << "another key copies the selected row";
  EXPECT_TRUE(TakeWrites().empty());
}

TEST_F(LimitConnect, ThePreChecksRefuseTheWrongRowAndAnEmptyFieldWithoutACommand) {
  EnterWith({"one.jp", "", ""});
  // Row 0 is selected after the read; with an empty field nothing happens.
  Click(1044);
  EXPECT_TRUE(boxes.empty());

  Change(0, u"new.jp", 1042);
  EXPECT_EQ(boxes.back(), Plain(u"リストから未登録アイテムを選択してから登録してください。"));
  Change(1, u"new.jp", 1043);
  EXPECT_EQ(boxes.back(), Plain(u"リストから登録済みアイテムを選択してから編集してください。"));
  Change(2, u"new.jp", 1044);
  EXPECT_EQ(boxes.back(), Plain(u"リストから登録済みアイテムを選択してから削除してください。"));
  EXPECT_EQ(boxes.size(), 3u);

  Change(1, u"    ", 1042);
  Change(0, u"", 1043);
  EXPECT_EQ(boxes.size(), 3u) << "an empty field stops without a message";
  EXPECT_TRUE(TakeWrites().empty());
  ExpectIdle();
  EXPECT_EQ(Rows(), (std::vector<std::u16string>{u"one.jp", u"", u""}));
}

struct DomainCase {
  const char* name;
  std::u16string typed;
  std::u16string refusal;  // empty: accepted, the question follows
};

void PrintTo(const DomainCase& c, std::ostream* out) { *out << c.name; }

struct DomainRules : LimitConnect, ::testing::WithParamInterface<DomainCase> {};

TEST_P(DomainRules, TheDomainIsCheckedTrimmedAndTheFirstOffendingCharacterDecides) {
  EnterWith({"", "old.jp", ""});
  respond = [](const Box& box) { return box.buttons == MessageBoxButtons::OkCancel ? platform::IDCANCEL : platform::IDOK; };
  const DomainCase& c = GetParam();
  for (const auto& [row, button] : {std::pair{0, 1042}, std::pair{1, 1043}}) {
    boxes.clear();
    Change(row, c.typed, static_cast<std::uint16_t>(button));
    ASSERT_EQ(boxes.size(), 1u);
    if (c.refusal.empty()) {
      EXPECT_EQ(boxes[0].buttons, MessageBoxButtons::OkCancel) << "the question follows an accepted name";
    } else {
      EXPECT_EQ(boxes[0], Plain(c.refusal));
    }
  }
  EXPECT_TRUE(TakeWrites().empty()) << "cancel and refusals send nothing";
  ExpectIdle();
  EXPECT_EQ(LimitControl(1041).text(), c.typed.substr(0, 20)) << "the field keeps what was typed";
}

const std::u16string kTooShort = u"ドメイン名が短すぎます。";
const std::u16string kBadCharacter = u"ドメイン名に指定できない文字が入力されました。";
const std::u16string kBadEdge = u"ドメイン名の先頭または末尾に指定できない文字が入力されました。";
INSTANTIATE_TEST_SUITE_P(
    LimitConnect, DomainRules,
    ::testing::Values(DomainCase{"OneCharacter", u"a", kTooShort}, DomainCase{"OneAfterTrimming", u"  a  ", kTooShort},
                      DomainCase{"TwoCharacters", u"ab", u""}, DomainCase{"TwentyCharacters", u"abcdefghij0123456789", u""},
                      DomainCase{"UpperCase", u"Example.jp", kBadCharacter},
                      DomainCase{"Underscore", u"a_b.jp", kBadCharacter},
                      DomainCase{"InnerSpace", u"a b.jp", kBadCharacter},
                      DomainCase{"WideLetter", u"ａｂ.jp", kBadCharacter},
                      DomainCase{"LeadingFullStop", u".ab.jp", kBadEdge},
                      DomainCase{"TrailingHyphen", u"ab.jp-", kBadEdge},
                      DomainCase{"UpperCaseMetBeforeTrailingHyphen", u"Ab-", kBadCharacter},
                      DomainCase{"LeadingHyphenMetBeforeUpperCase", u"-aB", kBadEdge},
                      DomainCase{"ConsecutiveFullStops", u"a..b", u""}, DomainCase{"DigitsOnly", u"123", u""},
                      DomainCase{"NoFullStop", u"intranet", u""}),
    [](const ::testing::TestParamInfo<DomainCase>& param) { return std::string(param.param.name); });

TEST_F(LimitConnect, AddRegistersTheTrimmedDomainInTheEmptySlotAndEmptiesTheField) {
  EnterWith({"one.jp", "", ""});
  card.answer("AT@ALDW=2,new.jp", Reply({"OK"}));
  std::vector<std::u16string> rowsAtResult;
  respond = [&](const Box& box) {
    if (box.icon == MessageBoxIcon::Information) rowsAtResult = Rows();
    return platform::IDOK;
  };
  Change(1, u"  new.jp  ", 1042);
  AwaitIdle(limit);
  EXPECT_EQ(TakeWrites(), std::vector<std::string>{Wire("AT@ALDW=2,new.jp")});
  EXPECT_EQ(boxes, (std::vector<Box>{Question(u"new.jpを登録します、よろしいですか？"),
                                     Information(u"new.jpを登録しました。")}));
  EXPECT_EQ(rowsAtResult, (std::vector<std::u16string>{u"one.jp", u"new.jp", u""})) << "the row is set first";
  EXPECT_EQ(Rows(), (std::vector<std::u16string>{u"one.jp", u"new.jp", u""}));
  EXPECT_EQ(LimitControl(1041).text(), u"");
  EXPECT_EQ(limit.pendingOperation(), Operation::None);
  EXPECT_EQ(limit.targetRow(), -1);
  ExpectIdle();
}

TEST_F(LimitConnect, EditShowsTheResultBeforeTheRowChanges) {
  EnterWith({"", "", "old.jp"});
  card.answer("AT@ALDW=3,new.jp", Reply({"OK"}));
  std::vector<std::u16string> rowsAtResult;
  respond = [&](const Box& box) {
    if (box.icon == MessageBoxIcon::Information) rowsAtResult = Rows();
    return platform::IDOK;
  };
  Change(2, u"new.jp ", 1043);
  AwaitIdle(limit);
  EXPECT_EQ(TakeWrites(), std::vector<std::string>{Wire("AT@ALDW=3,new.jp")});
  EXPECT_EQ(boxes, (std::vector<Box>{Question(u"old.jpをnew.jpに編集します。よろしいですか？"),
                                     Information(u"new.jpを登録しました。")}));
  EXPECT_EQ(rowsAtResult, (std::vector<std::u16string>{u"", u"", u"old.jp"}));
  EXPECT_EQ(Rows(), (std::vector<std::u16string>{u"", u"", u"new.jp"}));
  EXPECT_EQ(LimitControl(1041).text(), u"");
  ExpectIdle();
}

TEST_F(LimitConnect, DeleteEmptiesTheRowBeforeTellingWhichDomainWent) {
  EnterWith({"old.jp", "", ""});
  card.answer("AT@ALDD=1", Reply({"OK"}));
  std::vector<std::u16string> rowsAtResult;
  respond = [&](const Box& box) {
    if (box.icon == MessageBoxIcon::Information) rowsAtResult = Rows();
    return platform::IDOK;
  };
  // Any text in the field will do; the command does not carry it.
  Change(0, u"whatever", 1044);
  AwaitIdle(limit);
  EXPECT_EQ(TakeWrites(), std::vector<std::string>{Wire("AT@ALDD=1")});
  EXPECT_EQ(boxes, (std::vector<Box>{Question(u"old.jpを削除します、よろしいですか？"),
                                     Information(u"old.jpを削除しました。")}));
  EXPECT_EQ(rowsAtResult, (std::vector<std::u16string>{u"", u"", u""}));
  EXPECT_EQ(LimitControl(1041).text(), u"");
  ExpectIdle();
}

struct Refusal {
  const char* name;
  int row;
  std::uint16_t button;
  std::string command;
  std::u16string message;
};

void PrintTo(const Refusal& r, std::ostream* out) { *out << r.name; }

struct RefusedChanges : LimitConnect, ::testing::WithParamInterface<Refusal> {};

TEST_P(RefusedChanges, ErrorShowsItsMessageAndChangesNothing) {
  EnterWith({"old.jp", "", ""});
  const Refusal& r = GetParam();
  card.answer(r.command, Reply({"ERROR"}));
  Change(r.row, u" new.jp ", r.button);
  AwaitIdle(limit);
  EXPECT_EQ(TakeWrites(), std::vector<std::string>{Wire(r.command)});
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1], Plain(r.message));
  EXPECT_EQ(Rows(), (std::vector<std::u16string>{u"old.jp", u"", u""}));
  EXPECT_EQ(LimitControl(1041).text(), u" new.jp ") << "the field keeps its text";
  EXPECT_EQ(limit.pendingOperation(), Operation::None);
  EXPECT_EQ(limit.targetRow(), -1);
  ExpectIdle();
  EXPECT_EQ(closeRequests, 0);
}

INSTANTIATE_TEST_SUITE_P(
    LimitConnect, RefusedChanges,
    ::testing::Values(Refusal{"Add", 1, 1042, "AT@ALDW=2,new.jp", u"new.jpを登録できませんでした。"},
                      Refusal{"Edit", 0, 1043, "AT@ALDW=1,new.jp", u"old.jpを変更できませんでした。"},
                      Refusal{"Delete", 0, 1044, "AT@ALDD=1", u"new.jpを削除できませんでした。"}),
    [](const ::testing::TestParamInfo<Refusal>& param) { return std::string(param.param.name); });

TEST_F(LimitConnect, CancelInAConfirmationSendsNothing) {
  EnterWith({"old.jp", "", ""});
  respond = [](const Box&) { return platform::IDCANCEL; };
  Change(1, u"new.jp", 1042);
  Change(0, u"new.jp", 1043);
  Change(0, u"new.jp", 1044);
  EXPECT_EQ(boxes.size(), 3u);
  for (const Box& box : boxes) EXPECT_EQ(box.buttons, MessageBoxButtons::OkCancel);
  EXPECT_TRUE(TakeWrites().empty());
  ExpectIdle();
}

TEST_F(LimitConnect, AChangeIsBusyUntilItsAnswerAndSilenceLeavesEverythingAsItWas) {
  EnterWith({"", "", ""});
  Change(0, u"new.jp", 1042);
  EXPECT_EQ(TakeWrites(), std::vector<std::string>{Wire("AT@ALDW=1,new.jp")});
  EXPECT_TRUE(limit.busy());
  EXPECT_TRUE(LimitControlsEnabled(false));
  EXPECT_TRUE(display.waitCursor());
  EXPECT_EQ(limit.pendingOperation(), Operation::Add);
  EXPECT_EQ(limit.targetRow(), 0);
  // A tap queued before the buttons were disabled starts nothing more.
  windows.post(limit.handle(), platform::WM_COMMAND, platform::MakeCommandParam(1042, 0));
  RunUntilIdle();
  EXPECT_TRUE(TakeWrites().empty());
  EXPECT_EQ(boxes.size(), 1u);

  Advance(69999);
  EXPECT_TRUE(limit.busy());
  Advance(1);
  EXPECT_EQ(boxes.back(), Plain(kNoReply));
  ExpectIdle();
  EXPECT_EQ(Rows(), (std::vector<std::u16string>{u"", u"", u""}));
  EXPECT_EQ(LimitControl(1041).text(), u"new.jp");
}

TEST_F(LimitConnect, ALineThatIsNeitherOkNorErrorToAChangeIsFatal) {
  EnterWith({"", "", ""});
  card.answer("AT@ALDW=1,new.jp", Reply({"new.jp", "OK"}));
  Change(0, u"new.jp", 1042);
  ASSERT_TRUE(WaitFor([&] { return closeRequests == 1; }));
  RunUntilIdle();
  ExpectFatal(kPortReadError);
  EXPECT_EQ(boxes.size(), 2u) << "the question and the error; the OK that followed is not handled";
  EXPECT_EQ(Rows(), (std::vector<std::u16string>{u"", u"", u""}));
}

TEST_F(LimitConnect, PortFailuresWhileSendingAreFatalWithTheScreenCodeExceptTheMissingDevice) {
  EnterWith({"", "", ""});
  faultySerial.failNext(testing::SerialCall::WriteFile, 5);
  Change(0, u"new.jp", 1042);
  ExpectFatal(u"ポート書き込みエラー(009  016)");
  EXPECT_FALSE(limit.busy());
  EXPECT_FALSE(Watched(limit));
}

TEST_F(LimitConnect, AVanishedDeviceWhileSendingShowsTheDeviceMissingTextAlone) {
  EnterWith({"", "", ""});
  faultySerial.failNext(testing::SerialCall::WriteFile, platform::ERROR_DEVICE_NOT_AVAILABLE);
  Change(0, u"new.jp", 1042);
  ExpectFatal(u"通信デバイスが存在しないか、または検出されませんでした。処理を中断します。");
}

TEST_F(LimitConnect, AWriteFailureDuringTheReadIsFatal) {
  faultySerial.failNext(testing::SerialCall::WriteFile, 5);
  SwitchScreen(12);
  RunUntilIdle();
  ExpectFatal(u"ポート書き込みエラー(009  016)");
  EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(LimitConnect, AWatchdogThatCannotBeArmedIsFatalUnlessTheSystemReportsNoError) {
  EnterWith({"", "", ""});
  card.answer("AT@ALDW=1,new.jp", Reply({"OK"}));
  timers.failNextSet(platform::ERROR_SUCCESS);
  Change(0, u"new.jp", 1042);
  AwaitIdle(limit);
  EXPECT_EQ(boxes.back(), Information(u"new.jpを登録しました。"));
  EXPECT_EQ(closeRequests, 0);

  timers.failNextSet(platform::ERROR_NOT_ENOUGH_MEMORY);
  Change(1, u"two.jp", 1042);
  ExpectFatal(u"タイマーエラー(201  016)");
}

TEST_F(LimitConnect, AWatchdogThatCannotBeStoppedIsFatalAndTheLineIsDropped) {
  EnterWith({"", "", ""});
  card.answer("AT@ALDW=1,new.jp", Reply({"OK"}));
  timers.failNextKill(platform::ERROR_SUCCESS);
  Change(0, u"new.jp", 1042);
  AwaitIdle(limit);
  EXPECT_EQ(Rows()[0], u"new.jp") << "a kill that fails without an error counts as done";
  EXPECT_EQ(closeRequests, 0);

  card.answer("AT@ALDW=2,two.jp", Reply({"OK"}));
  timers.failNextKill(platform::ERROR_INVALID_HANDLE);
  Change(1, u"two.jp", 1042);
  ASSERT_TRUE(WaitFor([&] { return closeRequests == 1; }));
  RunUntilIdle();
  ExpectFatal(u"タイマーエラー(202  016)");
  EXPECT_EQ(Rows()[1], u"");
}

TEST_F(LimitConnect, BackStopsTheReaderEmptiesTheListAndLeadsToTheMenu) {
  EnterWith({"one.jp", "two.jp", ""});
  SelectRow(1);
  Click(1047);
  EXPECT_EQ(switches.back(), 6);
  EXPECT_TRUE(LimitControl(1045).rows().empty());
  EXPECT_EQ(limit.slotsRead(), 0u);
  EXPECT_TRUE(TakeWrites().empty());

  // The next visit starts again from three fresh rows and an empty field.
  Slots({"", "", "three.jp"});
  EnterLimit();
  EXPECT_EQ(Rows(), (std::vector<std::u16string>{u"", u"", u"three.jp"}));
  EXPECT_EQ(LimitControl(1041).text(), u"");
}

}  // namespace
}  // namespace p42r::admin
