#include "link/SerialChannel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <future>
#include <thread>

#include <unistd.h>

#include "link/AtVocabulary.h"
#include "link/ChannelMessages.h"
#include "platform/LastError.h"
#include "testing/HandheldHarness.h"

namespace p42r::link {
namespace {

using platform::INVALID_PORT_HANDLE;

// A window that keeps the lines and steps it is sent.
class Receiver final : public platform::Window {
 public:
  Receiver(platform::WindowSystem& windows, const platform::CodePage& codePage)
      : Window(windows), codePage_(codePage) {}
  void handleMessage(platform::Message& message) override {
    if (message.id == WM_DEVICE_LINE) {
      if (auto line = at::TakeLine(message, codePage_)) lines.push_back(*line);
    }
    if (message.id == WM_SCREEN_STEP) ++steps;
  }
  std::vector<std::u16string> lines;
  int steps = 0;

 private:
  const platform::CodePage& codePage_;
};

struct ChannelFixture : ::testing::Test, testing::HandheldHarness {
  ChannelFixture() { serial.addDevice(u"COM4:"); }
  ~ChannelFixture() override { channel.JoinReaders(); }

  std::u16string RaisedBy(const std::function<void()>& call) {
    try {
      call();
    } catch (const DeviceLinkError& error) {
      return error.text();
    }
    return u"(nothing raised)";
  }

  std::string LogText() {
    std::ifstream file(directory.path() / "log.txt", std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  }
};

TEST_F(ChannelFixture, OpenSetsTheLineSettingsAndKeepsTheDriversOtherSettings) {
  channel.Open(u"COM4:");
  EXPECT_TRUE(channel.isOpen());
  const platform::CommTimeouts timeouts = serial.lastTimeouts();
  EXPECT_EQ(timeouts.readIntervalTimeout, 10u);
  EXPECT_EQ(timeouts.readTotalTimeoutMultiplier, 0u);
  EXPECT_EQ(timeouts.readTotalTimeoutConstant, 10u);
  EXPECT_EQ(timeouts.writeTotalTimeoutMultiplier, 100u);
  EXPECT_EQ(timeouts.writeTotalTimeoutConstant, 10u);
  const platform::Dcb dcb = serial.lastState();
  EXPECT_EQ(dcb.baudRate, 115200u);
  EXPECT_EQ(dcb.byteSize, 8);
  EXPECT_EQ(dcb.parity, 0);
  EXPECT_EQ(dcb.stopBits, 0);
  EXPECT_TRUE(dcb.outxCtsFlow);
  EXPECT_TRUE(dcb.inX);
}

TEST_F(ChannelFixture, OpeningAnOpenPortRaisesAndLeavesItUntouched) {
  channel.Open(u"COM4:");
  const platform::PortHandle before = channel.portHandle();
  EXPECT_EQ(RaisedBy([&] { channel.Open(u"COM4:"); }), u"ポート状態エラー(001");
  EXPECT_EQ(channel.portHandle(), before);
  EXPECT_TRUE(serial.isOpen());
}

TEST_F(ChannelFixture, EachOpenStepRaisesItsOwnCodeAndLaterFailuresLeaveThePortOpen) {
  faultySerial.failNext(testing::SerialCall::CreateFile, 2);
  EXPECT_EQ(RaisedBy([&] { channel.Open(u"COM4:"); }), u"ポートオープンエラー(002");
  EXPECT_FALSE(channel.isOpen());
  EXPECT_EQ(RaisedBy([&] { channel.Open(u"COM9:"); }), u"ポートオープンエラー(002");

  faultySerial.failNext(testing::SerialCall::SetCommTimeouts, 31);
  EXPECT_EQ(RaisedBy([&] { channel.Open(u"COM4:"); }), u"ポートオープンエラー(005");
  EXPECT_TRUE(channel.isOpen());
  EXPECT_TRUE(channel.Close());

  faultySerial.failNext(testing::SerialCall::GetCommState, 31);
  EXPECT_EQ(RaisedBy([&] { channel.Open(u"COM4:"); }), u"ポートオープンエラー(006");
  EXPECT_TRUE(channel.Close());

  faultySerial.failNext(testing::SerialCall::SetCommState, 31);
  EXPECT_EQ(RaisedBy([&] { channel.Open(u"COM4:"); }), u"ポートオープンエラー(007");
  EXPECT_TRUE(channel.isOpen());
}

TEST_F(ChannelFixture, AWriteSendsTheCommandItsLineEndAndOneNulByte) {
  ASSERT_TRUE(log.open(directory.path() / "log.txt"));
  channel.Open(u"COM4:");
  const int purgedBefore = serial.purges();
  channel.Write(at::CommandLine(at::kEchoOff));
  EXPECT_EQ(serial.purges(), purgedBefore + 1) << "the driver's received bytes are purged before the write";
  ASSERT_EQ(serial.writes().size(), 1u);
  EXPECT_EQ(serial.writes()[0], std::string("ATE0\r\n\0", 7));
  EXPECT_NE(LogText().find(")Write::ATE0\r\n"), std::string::npos);
}

TEST_F(ChannelFixture, WriteFailuresRaiseTheirTexts) {
  EXPECT_EQ(RaisedBy([&] { channel.Write(u"ATE0\r\n"); }), u"ポート書き込みエラー(003");
  channel.Open(u"COM4:");
  faultySerial.failNext(testing::SerialCall::CreateEvent, 8);
  EXPECT_EQ(RaisedBy([&] { channel.Write(u"ATE0\r\n"); }), u"ポート書き込みエラー(012");
  EXPECT_TRUE(serial.writes().empty());
  faultySerial.failNext(testing::SerialCall::WriteFile, 31);
  EXPECT_EQ(RaisedBy([&] { channel.Write(u"ATE0\r\n"); }), u"ポート書き込みエラー(009");
  faultySerial.pendNextWrite(testing::PendingWrite::NeverCompletes);
  EXPECT_EQ(RaisedBy([&] { channel.Write(u"ATE0\r\n"); }), u"ポート書き込みエラー(009");
  faultySerial.pendNextWrite(testing::PendingWrite::CompletesInTime);
  EXPECT_EQ(RaisedBy([&] { channel.Write(u"ATE0\r\n"); }), u"(nothing raised)");
}

TEST_F(ChannelFixture, AVanishedDeviceRaisesTheDeviceMissingTextAloneAndLogsTheError) {
  ASSERT_TRUE(log.open(directory.path() / "log.txt"));
  channel.Open(u"COM4:");
  faultySerial.failNext(testing::SerialCall::WriteFile, platform::ERROR_DEVICE_NOT_AVAILABLE);
  try {
    channel.Write(u"AT@KUPSTART\r\n");
    FAIL() << "nothing raised";
  } catch (const DeviceLinkError& error) {
    EXPECT_TRUE(error.deviceMissing());
    EXPECT_EQ(error.text(), u"通信デバイスが存在しないか、または検出されませんでした。処理を中断します。");
    EXPECT_EQ(error.withScreenCode(u"  007)"), error.text());
  }
  EXPECT_NE(LogText().find(")Write ERROR:: 649\r\n"), std::string::npos);
}

TEST_F(ChannelFixture, CloseReportsFailureAndKeepsTheHandleWhenTheMaskCannotBeCleared) {
  EXPECT_FALSE(channel.Close()) << "nothing is open";
  channel.Open(u"COM4:");
  const platform::PortHandle handle = channel.portHandle();
  faultySerial.failNext(testing::SerialCall::ClearCommMask, 31);
  EXPECT_FALSE(channel.Close());
  EXPECT_EQ(channel.portHandle(), handle);
  faultySerial.failNext(testing::SerialCall::CloseHandle, 31);
  EXPECT_FALSE(channel.Close());
  EXPECT_EQ(channel.portHandle(), handle);
  const platform::TimePoint before = clock.now();
  EXPECT_TRUE(channel.Close());
  EXPECT_EQ(channel.portHandle(), INVALID_PORT_HANDLE);
  EXPECT_EQ(clock.now() - before, platform::Duration(100));
}

TEST_F(ChannelFixture, StopReaderOnAClosedPortOnlyClearsTheFlag) {
  const platform::TimePoint before = clock.now();
  channel.StopReader(INVALID_PORT_HANDLE);
  EXPECT_EQ(clock.now(), before);
}

TEST_F(ChannelFixture, TheReaderPostsEachLineAndDropsTheEcho) {
  ASSERT_TRUE(log.open(directory.path() / "log.txt"));
  Receiver receiver(windows, codePage);
  channel.Open(u"COM4:");
  channel.StartReader(ReaderParam{receiver.handle(), channel.portHandle()});
  ASSERT_TRUE(WaitFor([&] { return serial.eventMask() == platform::EV_RXCHAR; }));
  channel.Write(u"ATE0\r\n");
  serial.feed("ATE0\r\r\n");
  serial.feed("OK\r\n");
  ASSERT_TRUE(RunUntil([&] { return !receiver.lines.empty(); }));
  serial.feed("\r\nHalvorn.Corp\r\n\r\nOK\r\n");
  ASSERT_TRUE(RunUntil([&] { return receiver.lines.size() >= 3; }));
  EXPECT_EQ(receiver.lines, (std::vector<std::u16string>{u"OK", u"Halvorn.Corp", u"OK"}));
  channel.StopReader(channel.portHandle());
  auto joined = std::async(std::launch::async, [&] { channel.JoinReaders(); });
  ASSERT_EQ(joined.wait_for(std::chrono::seconds(5)), std::future_status::ready) << "the reader did not leave";
  const std::string text = LogText();
  EXPECT_NE(text.find(")Thread in\r\n"), std::string::npos);
  EXPECT_NE(text.find(")Read::OK\r\n"), std::string::npos);
  EXPECT_EQ(text.find("Read::ATE0"), std::string::npos);
}

TEST_F(ChannelFixture, AReaderStoppedLateNeverRunsBesideTheNextOne) {
  Receiver first(windows, codePage);
  Receiver second(windows, codePage);
  channel.Open(u"COM4:");
  channel.StartReader(ReaderParam{first.handle(), channel.portHandle()});
  channel.StopReader(channel.portHandle());
  channel.StartReader(ReaderParam{second.handle(), channel.portHandle()});
  ASSERT_TRUE(WaitFor([&] { return serial.eventMask() == platform::EV_RXCHAR; }));
  serial.feed("OK\r\n");
  ASSERT_TRUE(RunUntil([&] { return !second.lines.empty(); }));
  serial.feed("ERROR\r\n");
  ASSERT_TRUE(RunUntil([&] { return second.lines.size() == 2; }));
  EXPECT_TRUE(first.lines.empty());
}

// Out of memory while reading, or anything else its calls throw: the reader's failure path.
struct ReaderFailure : ChannelFixture, ::testing::WithParamInterface<bool> {};

TEST_P(ReaderFailure, ClosesThePortShowsTheThreadErrorAndStepsTheScreen) {
  Receiver receiver(windows, codePage);
  channel.Open(u"COM4:");
  channel.StartReader(ReaderParam{receiver.handle(), channel.portHandle()});
  ASSERT_TRUE(WaitFor([&] { return serial.eventMask() == platform::EV_RXCHAR; }));
  if (GetParam()) {
    serial.onWoken([] { throw std::bad_alloc(); });
  } else {
    faultySerial.exhaustMemoryOnNextRead();
  }
  serial.feed("OK\r\n");
  // The reader's pauses pass on the program's clock: keep it moving.
  std::atomic<bool> done{false};
  std::thread ticker([&] {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done && std::chrono::steady_clock::now() < deadline) {
      clock.advance(platform::Duration(10));
      std::this_thread::yield();
    }
  });
  // Answer the box from inside its own loop, noting what the program had done by then.
  struct Answerer final : platform::DisplayObserver {
    Answerer(testing::HandheldHarness& h, Receiver& r) : harness(h), receiver(r) {}
    void messageBoxOpened(const platform::MessageBoxState& box) override {
      text = box.text;
      portOpenAtBox = harness.channel.isOpen();
      stepsAtBox = receiver.steps;
      harness.loop.postTask([this] { harness.display.answerMessageBox(platform::IDOK); });
    }
    testing::HandheldHarness& harness;
    Receiver& receiver;
    std::u16string text;
    bool portOpenAtBox = true;
    int stepsAtBox = -1;
  } answerer(*this, receiver);
  display.addObserver(answerer);
  const bool stepped = RunUntil([&] { return receiver.steps == 1; });
  done = true;
  ticker.join();
  display.removeObserver(answerer);
  ASSERT_TRUE(stepped);
  EXPECT_EQ(answerer.text, u"スレッドエラー(301  027)");
  EXPECT_FALSE(answerer.portOpenAtBox);
  EXPECT_EQ(answerer.stepsAtBox, 0) << "the screen hears of it after the box";
  EXPECT_TRUE(receiver.lines.empty());
  EXPECT_EQ(RaisedBy([&] { channel.Write(u"ATE0\r\n"); }), u"ポート書き込みエラー(003");
}

INSTANTIATE_TEST_SUITE_P(ReadOrWaitThrows, ReaderFailure, ::testing::Bool());

// Whether thread `task` of this process sleeps, as on a lock it waits for.
bool Asleep(pid_t task) {
  std::ifstream file("/proc/self/task/" + std::to_string(task) + "/stat");
  const std::string stat((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const std::size_t name = stat.rfind(')');
  return name != std::string::npos && name + 2 < stat.size() && stat[name + 2] == 'S';
}

// A late answer taken by a reader in the middle of the next write would answer the new command.
TEST_F(ChannelFixture, AReaderComingInTheMiddleOfAWriteWaitsUntilTheCommandIsOut) {
  channel.Open(u"COM4:");
  std::atomic<pid_t> readerTask{0};
  std::atomic<bool> readerDone{false};
  bool readerOpen = false;
  std::thread reader;
  bool doneDuringWrite = true;
  serial.onWrite([&](const std::string&) {
    reader = std::thread([&] {
      readerTask = static_cast<pid_t>(::gettid());
      // Any step of the reader takes the channel's lock, as this one does.
      readerOpen = channel.isOpen();
      readerDone = true;
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!readerDone && !(readerTask != 0 && Asleep(readerTask)) && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::yield();
    }
    doneDuringWrite = readerDone;
  });
  channel.Write(u"AT@HYBRRSSI?\r\n");
  reader.join();
  EXPECT_FALSE(doneDuringWrite) << "the reader took the port between the write's steps";
  EXPECT_TRUE(readerOpen);
}

// Joins the readers when a test ends, before the state its hooks use is gone
// (also when an assertion ends the test early).
struct ReadersJoined {
  SerialChannel& channel;
  ~ReadersJoined() { channel.JoinReaders(); }
};

TEST_F(ChannelFixture, AReaderStoppedOnItsWayIntoTheWaitLeavesTheNextReadersLinesAlone) {
  channel.Open(u"COM4:");
  Receiver first(windows, codePage);
  Receiver second(windows, codePage);
  // The first reader is held just before its wait, as a slow thread may be.
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<int> waits{0};
  serial.onWait([&] {
    if (waits.fetch_add(1) == 0) released.wait();
  });
  const ReadersJoined joined{channel};
  channel.StartReader(ReaderParam{first.handle(), channel.portHandle()});
  ASSERT_TRUE(WaitFor([&] { return waits.load() == 1; }));
  // It is stopped, and the next reader arms the port before the first one
  // gets to wait on it.
  channel.StopReader(channel.portHandle());
  channel.StartReader(ReaderParam{second.handle(), channel.portHandle()});
  ASSERT_TRUE(WaitFor([&] { return waits.load() == 2; }));
  release.set_value();
  for (int i = 0; i < 20; ++i) {
    serial.feed("\r\nOK\r\n");
    ASSERT_TRUE(WaitFor([&] { return second.lines.size() == static_cast<std::size_t>(i + 1); })) << i;
  }
  EXPECT_TRUE(first.lines.empty()) << "a stopped reader took a line meant for the next screen";
}

TEST_F(ChannelFixture, AReaderStoppedAfterItsWaitLeavesTheNextReadersReplyAlone) {
  channel.Open(u"COM4:");
  Receiver first(windows, codePage);
  Receiver second(windows, codePage);
  // The first reader is held as its wait returns, the next one as it begins
  // to wait: then the first goes on while the next screen's reply is waiting.
  std::promise<void> releaseFirst;
  std::promise<void> releaseSecond;
  std::shared_future<void> firstReleased = releaseFirst.get_future().share();
  std::shared_future<void> secondReleased = releaseSecond.get_future().share();
  std::atomic<int> wakes{0};
  std::atomic<int> waits{0};
  serial.onWoken([&] {
    if (wakes.fetch_add(1) == 0) firstReleased.wait();
  });
  serial.onWait([&] {
    if (waits.fetch_add(1) == 1) secondReleased.wait();
  });
  const ReadersJoined joined{channel};
  channel.StartReader(ReaderParam{first.handle(), channel.portHandle()});
  serial.feed("\r\nOLD\r\n");
  ASSERT_TRUE(WaitFor([&] { return wakes.load() == 1; }));
  channel.StopReader(channel.portHandle());
  channel.StartReader(ReaderParam{second.handle(), channel.portHandle()});
  ASSERT_TRUE(WaitFor([&] { return waits.load() == 2; }));
  serial.feed("\r\nOK\r\n");
  releaseFirst.set_value();
  releaseSecond.set_value();
  // What waited in the port is the next reader's, the reply with it.
  ASSERT_TRUE(WaitFor([&] { return second.lines.size() == 2; }));
  EXPECT_TRUE(first.lines.empty()) << "the stopped reader took the next screen's reply";
  EXPECT_EQ(second.lines, (std::vector<std::u16string>{u"OLD", u"OK"}));
}

}  // namespace
}  // namespace p42r::link
