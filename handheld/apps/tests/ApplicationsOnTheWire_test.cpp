// The application list against the simulated card, through the real serial
// stand-in on a pseudo-terminal: the card's own framing, its code page and
// the way each of its applications answers a start or a stop. The screen is
// opened the way the general menu's button opens it; the card is as the
// start-up leaves it (echo off), with the port closed so that the screen
// opens it itself.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>

#include "apps/ClsRunAppli.h"
#include "card/ScenarioReader.h"
#include "card/SimulatedCard.h"
#include "link/SerialChannel.h"
#include "platform/PosixSerialApi.h"
#include "platform/Registry.h"
#include "platform/UserInput.h"
#include "testing/TempDirectory.h"

namespace p42r::apps {
namespace {

using platform::MessageBoxButtons;
using platform::MessageBoxIcon;
using Rows = std::vector<std::pair<std::u16string, std::u16string>>;

struct Box {
  std::u16string text;
  MessageBoxButtons buttons;
  MessageBoxIcon icon;
  bool operator==(const Box&) const = default;
};

const std::u16string kRunning = u"起動中";

// The handheld in-process with the simulated card plugged into its device root.
class WireBench final : public app::Navigator, private platform::DisplayObserver {
 public:
  explicit WireBench(const std::string& scenario) {
    if (auto problem = deviceRoot.prepare(false)) throw std::runtime_error(*problem);
    card::SimulatedCardOptions options;
    options.deviceRoot = directory.path();
    options.scenario = card::loadScenario(scenario);
    options.scenario.echo = false;
    card_ = std::make_unique<card::SimulatedCard>(std::move(options));
    const std::string com = card_->comName();
    state.portName = platform::FromUtf8(com.substr(0, com.find(':')));
    display.setApplicationTitle(u"P42RApplication");
    display.addObserver(*this);
    screen.setNumber(13);
    screen.InitialUpdate();
  }
  virtual ~WireBench() {
    display.removeObserver(*this);
    display.setActiveForm(nullptr);
    channel.StopReader(channel.portHandle());
    if (channel.isOpen()) channel.Close();
    clock.shutdown();
    channel.JoinReaders();
  }

  platform::Form* SwitchScreen(int number) override {
    switches.push_back(number);
    if (number == current) return nullptr;
    current = number;
    const bool shown = number == 13;
    screen.show(shown);
    display.setActiveForm(shown ? &screen : nullptr);
    if (shown) windows.post(screen.handle(), app::WM_SCREEN_ACTIVATED);
    return nullptr;
  }
  void PostClose() override { ++closeRequests; }

  // From the general menu to the list, until the screen is no longer busy.
  bool Open() {
    SwitchScreen(5);
    SwitchScreen(13);
    return Settle();
  }
  bool Settle() {
    return RunUntil([&] { return !screen.busy() || current != 13 || closeRequests > 0; });
  }
  // Row `row` is tapped, then the button; the question is answered and
  // the command is on its way.
  bool Act(int row, std::uint16_t button) {
    if (input.select(1052, row) || input.click(button)) return false;
    return RunUntil([] { return true; });
  }
  // The same, until the card's answer has been dealt with.
  bool Done(int row, std::uint16_t button) { return Act(row, button) && Settle(); }
  void Advance(long ms) {
    bool done = false;
    loop.advance(platform::Duration(ms), [&] { done = true; });
    EXPECT_TRUE(RunUntil([&] { return done; }));
  }

  Rows ListRows() const {
    Rows shown;
    for (const auto& row : screen.control(1052)->rows()) shown.emplace_back(row.at(0), row.at(1));
    return shown;
  }
  int CardState(std::size_t application) const { return card_->state().applications.at(application).state; }

  testing::TempDirectory directory;
  platform::ManualClock clock;
  platform::EventLoop loop{clock};
  platform::WindowSystem windows{loop};
  platform::Display display{loop};
  platform::DeviceRoot deviceRoot{directory.path()};
  platform::CodePage codePage;
  platform::DiagnosticLog log{clock};
  app::AppState state;
  platform::Registry registry{deviceRoot.registryFile()};
  platform::PosixSerialApi serial{[this](std::u16string_view port) { return registry.hostDeviceFor(port); }};
  link::SerialChannel channel{serial, windows, display, codePage, log, clock};
  platform::HostFileSystem files;
  app::Services services{clock, loop, windows, display, deviceRoot, codePage, log, state, registry, channel, files};
  platform::UserInput input{display, windows};
  ClsRunAppli screen{services, *this};

  std::vector<int> switches;
  int current = 0;
  int closeRequests = 0;
  std::vector<Box> boxes;

 private:
  // Runs the loop until `done`, looking again every few milliseconds of real
  // time for what the reader brings; fails after five seconds.
  bool RunUntil(const std::function<bool()>& done) {
    bool timedOut = false;
    const auto deadline = loop.addRealTimeAlarm(std::chrono::steady_clock::now() + std::chrono::seconds(5),
                                                [&] { timedOut = true; });
    platform::AlarmId look = 0;
    std::function<void()> again = [&] {
      look = loop.addRealTimeAlarm(std::chrono::steady_clock::now() + std::chrono::milliseconds(2), again);
    };
    again();
    loop.runModal([&] { return (done() && !loop.hasPosted()) || timedOut; });
    loop.cancelRealTimeAlarm(look);
    loop.cancelRealTimeAlarm(deadline);
    return !timedOut;
  }

  void messageBoxOpened(const platform::MessageBoxState& box) override {
    EXPECT_EQ(box.caption, u"P42RApplication");
    boxes.push_back(Box{box.text, box.buttons, box.icon});
    // Every question is answered OK, inside the box's own loop.
    loop.postTask([this] { display.answerMessageBox(platform::IDOK); });
  }

  std::unique_ptr<card::SimulatedCard> card_;
};

// applications-full: A1 Navigator (running), A2 Mail, A3 Weather (refuses to
// start but starts), A4 ニュース, A5 Camera (accepts stop, keeps running),
// A6 Music (refuses to start and stays stopped). Listed in reverse.
const Rows kFullList = {{u"", u"Music"}, {u"", u"Camera"}, {u"", u"ニュース"},
                        {u"", u"Weather"}, {u"", u"Mail"}, {kRunning, u"Navigator"}};
constexpr int kMusic = 0, kCamera = 1, kWeather = 3, kMail = 4, kNavigator = 5;
constexpr std::uint16_t kLaunch = 1053, kTerminate = 1054;

TEST(ApplicationsOnTheWire, TheFullCardIsListedInReverseWithItsJapaneseName) {
  WireBench bench("applications-full");
  ASSERT_TRUE(bench.Open());
  EXPECT_EQ(bench.ListRows(), kFullList);
  EXPECT_TRUE(bench.channel.isOpen()) << "the screen opened the port itself";
  EXPECT_TRUE(bench.boxes.empty());
  EXPECT_EQ(bench.closeRequests, 0);
}

TEST(ApplicationsOnTheWire, EachApplicationsAnswerToAStartOrStopIsReportedAsTheCardLeftIt) {
  WireBench bench("applications-full");
  ASSERT_TRUE(bench.Open());

  // Accepted while Navigator runs: the fresh status confirms it.
  ASSERT_TRUE(bench.Done(kMail, kLaunch));
  EXPECT_EQ(bench.boxes.back(), (Box{u"Mailを起動しました。", MessageBoxButtons::Ok, MessageBoxIcon::Information}));
  EXPECT_EQ(bench.ListRows()[kMail].first, kRunning);
  EXPECT_EQ(bench.CardState(1), 1);

  // Refused, but it started all the same.
  ASSERT_TRUE(bench.Done(kWeather, kLaunch));
  EXPECT_EQ(bench.boxes.back(), (Box{u"Weatherはすでに起動しています。", MessageBoxButtons::Ok, MessageBoxIcon::None}));
  EXPECT_EQ(bench.ListRows()[kWeather].first, kRunning);

  // Refused and still stopped.
  ASSERT_TRUE(bench.Done(kMusic, kLaunch));
  EXPECT_EQ(bench.boxes.back(),
            (Box{u"Musicを起動できませんでした。", MessageBoxButtons::Ok, MessageBoxIcon::Exclamation}));
  EXPECT_EQ(bench.ListRows()[kMusic].first, u"");

  ASSERT_TRUE(bench.Done(kNavigator, kTerminate));
  EXPECT_EQ(bench.boxes.back(), (Box{u"Navigatorを終了しました。", MessageBoxButtons::Ok, MessageBoxIcon::Information}));
  EXPECT_EQ(bench.ListRows()[kNavigator].first, u"");
  EXPECT_EQ(bench.CardState(0), 0);

  // Camera accepts the stop but keeps running: an accepted stop is taken at
  // its word until the next visit asks the card again.
  ASSERT_TRUE(bench.Done(kCamera, kLaunch));
  EXPECT_EQ(bench.boxes.back().text, u"Cameraを起動しました。");
  ASSERT_TRUE(bench.Done(kCamera, kTerminate));
  EXPECT_EQ(bench.boxes.back().text, u"Cameraを終了しました。");
  EXPECT_EQ(bench.ListRows()[kCamera].first, u"");
  EXPECT_EQ(bench.CardState(4), 1);
  EXPECT_EQ(bench.closeRequests, 0);

  ASSERT_TRUE(bench.Open());
  EXPECT_EQ(bench.ListRows(), (Rows{{u"", u"Music"}, {kRunning, u"Camera"}, {u"", u"ニュース"},
                                    {kRunning, u"Weather"}, {kRunning, u"Mail"}, {u"", u"Navigator"}}));
}

TEST(ApplicationsOnTheWire, ARefusedListQueryTakesTheUserBackToTheMenuWithThePortClosed) {
  WireBench bench("applications-refused");
  ASSERT_TRUE(bench.Open());
  ASSERT_EQ(bench.boxes.size(), 1u);
  EXPECT_EQ(bench.boxes[0], (Box{u"アプリのステータスを取得できませんでした。", MessageBoxButtons::Ok,
                                 MessageBoxIcon::None}));
  EXPECT_EQ(bench.switches.back(), 5);
  EXPECT_FALSE(bench.channel.isOpen());
  EXPECT_TRUE(bench.ListRows().empty());
}

TEST(ApplicationsOnTheWire, ACardThatNeverAnswersAStartEndsInNoReplyAfterSeventySeconds) {
  testing::TempDirectory files;
  const auto scenario = files.path() / "applications-quiet.json";
  std::ofstream(scenario) << R"({"name": "applications-quiet",
    "applications": [
      {"code": "Q1", "name": ")" << std::string(20, 'a') << std::string(123, 'b') << R"("},
      {"code": "Q2", "name": "天気予報", "start": {"reply": "", "state": null}}]})";
  WireBench bench(scenario.string());
  ASSERT_TRUE(bench.Open());
  EXPECT_EQ(bench.ListRows(), (Rows{{u"", u"天気予報"}, {u"", std::u16string(123, u'b')}}));

  ASSERT_TRUE(bench.Act(0, kLaunch));
  EXPECT_TRUE(bench.screen.busy());
  EXPECT_EQ(bench.boxes.size(), 1u) << "only the question so far";
  bench.Advance(70000);
  ASSERT_EQ(bench.boxes.size(), 2u);
  EXPECT_EQ(bench.boxes[1], (Box{u"デバイスからの応答がありません。処理を中断します。", MessageBoxButtons::Ok,
                                 MessageBoxIcon::None}));
  EXPECT_FALSE(bench.screen.busy());
  EXPECT_EQ(bench.closeRequests, 0);
}

}  // namespace
}  // namespace p42r::apps
