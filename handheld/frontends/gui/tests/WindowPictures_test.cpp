// The window's pictures: every template, the states a person meets on the
// way and a message box, painted off-screen and compared with the reference
// images in testdata/ (P42R_UPDATE_SNAPSHOTS=1 writes them anew, for a
// reviewed change of the look). The README's screenshots are three of them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QTest>

#include "../../render/tests/RenderFixture.h"
#include "frontends/gui/ScreenWidget.h"
#include "frontends/gui/WindowPainter.h"
#include "platform/Form.h"
#include "resources/Bitmaps.h"
#include "resources/DialogTemplate.h"

namespace p42r::frontends::gui {
namespace {

using platform::Picture;
using render::testing::kDownloadCompleteText;
using platform::PictureMode;

// Off-screen, so no display is needed; one application for the whole run.
void EnsureApplication() {
  if (QCoreApplication::instance() != nullptr) return;
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char name[] = "gui_test";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
}

// Pixels may differ a little where font rasterisers differ; a changed layout
// or colour shows in far more of them.
void ExpectPicture(const QImage& actual, const std::string& name) {
  const QString path = QString::fromStdString(std::string(P42R_GUI_TESTDATA) + "/" + name + ".png");
  if (const char* update = std::getenv("P42R_UPDATE_SNAPSHOTS"); update != nullptr && std::string(update) == "1") {
    ASSERT_TRUE(actual.save(path)) << path.toStdString();
    return;
  }
  QImage expected(path);
  ASSERT_FALSE(expected.isNull()) << "no reference image " << path.toStdString();
  expected = expected.convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(actual.size(), expected.size()) << name;
  long differing = 0;
  for (int y = 0; y < actual.height(); ++y) {
    for (int x = 0; x < actual.width(); ++x) {
      const QRgb a = actual.pixel(x, y);
      const QRgb e = expected.pixel(x, y);
      if (std::abs(qRed(a) - qRed(e)) > 48 || std::abs(qGreen(a) - qGreen(e)) > 48 || std::abs(qBlue(a) - qBlue(e)) > 48) {
        ++differing;
      }
    }
  }
  const long allowed = static_cast<long>(actual.width()) * actual.height() / 200;  // 0.5 %
  if (differing > allowed) {
    actual.save(QString::fromStdString(::testing::TempDir() + name + "-actual.png"));
  }
  EXPECT_LE(differing, allowed) << name << ": " << differing << " pixels differ from " << path.toStdString()
                                << "; drawn: " << ::testing::TempDir() << name << "-actual.png";
}

struct WindowPictures : render::testing::RenderFixture {
  WindowPictures() {
    EnsureApplication();
    display.setApplicationTitle(u"P42RApplication");
  }
  QImage Paint(int selectedButton = 0, int scale = 1) {
    return RenderWindow(display, pictures, PaintOptions{selectedButton, 0}, scale);
  }
  // Opens a message box, paints it from inside its modal loop and answers it.
  QImage PaintWithBox(const std::u16string& text, std::uint32_t style, int selected) {
    std::optional<QImage> drawn;
    loop.postTask([&] {
      drawn = Paint(selected);
      display.answerMessageBox(platform::IDOK);
    });
    display.messageBox(text, style);
    return *drawn;
  }
};

struct EveryTemplate : WindowPictures, ::testing::WithParamInterface<std::uint16_t> {};

TEST_P(EveryTemplate, MatchesItsReferenceImage) {
  Show(GetParam());
  ExpectPicture(Paint(), "template-" + std::to_string(GetParam()));
}

std::vector<std::uint16_t> TemplateIds() {
  std::vector<std::uint16_t> ids;
  for (const auto& dialog : resources::AllDialogs()) ids.push_back(dialog.id);
  return ids;
}

INSTANTIATE_TEST_SUITE_P(Window, EveryTemplate, ::testing::ValuesIn(TemplateIds()),
                         [](const auto& param) { return std::to_string(param.param); });

TEST_F(WindowPictures, ConsumerMenuWithTheFocusAtTwiceTheSize) {
  platform::Form& menu = Show(216);
  ASSERT_TRUE(menu.setFocus(1073));
  const QImage picture = Paint(0, 2);
  EXPECT_EQ(picture.size(), kScreenSize * 2);
  ExpectPicture(picture, "consumer-menu");
}

// The update screen as the program shows it at 50 %: the card's notice that
// the download is complete, Back disabled, an animation frame.
TEST_F(WindowPictures, UpdateHalfwayWithItsAnimationFrame) {
  platform::Form& screen = Show(209);
  for (int hidden : {1030, 1062, 1079}) screen.control(static_cast<std::uint16_t>(hidden))->show(false);
  screen.control(1061)->enable(false);
  screen.control(1072)->setText(resources::LoadString(kDownloadCompleteText));
  screen.control(1031)->setPosition(50);
  display.postDraw(screen.handle(), 1079, Picture{resources::kBitmapAnimationFirst + 3, PictureMode::Stretch, 0, 0});
  Flush();
  ExpectPicture(Paint(0, 2), "update-halfway");
}

TEST_F(WindowPictures, PicturesPasswordsListsAndRadios) {
  platform::Form& start = Show(201);
  start.control(1077)->setPicture(Picture{resources::kBitmapStartup, PictureMode::Stretch, 13, 13});
  ExpectPicture(Paint(), "startup-picture");

  platform::Form& password = Show(204);
  password.control(1011)->setText(u"secret");
  ASSERT_TRUE(password.setFocus(1011));
  const QImage masked = Paint();
  ExpectPicture(masked, "change-password-typed");

  platform::Form& apps = Show(214);
  platform::Control& list = *apps.control(1052);
  FillApplications(list);
  ASSERT_TRUE(apps.setFocus(1052));
  ExpectPicture(Paint(), "run-appli-rows");
  // Busy with the card: its buttons wait, and the title bar shows the wait badge.
  display.setWaitCursor(true);
  for (int button : {1053, 1054, 1057}) apps.control(static_cast<std::uint16_t>(button))->enable(false);
  ExpectPicture(Paint(), "run-appli-busy");
  display.setWaitCursor(false);

  platform::Form& led = Show(211);
  led.control(1037)->setChecked(true);
  ASSERT_TRUE(led.setFocus(1037));
  ExpectPicture(Paint(), "led-off-checked");
}

TEST_F(WindowPictures, ConfirmationBoxWithItsIconAndTheChosenButton) {
  Show(208);
  const QImage picture = PaintWithBox(
      u"ケータイアップデートを始める前にAC電源を接続してください。\r\nケータイアップデート中はP42Rを取り外さないでください。\r\n"
      u"開始後は完了するまで中止できません。",
      platform::MB_OKCANCEL | platform::MB_ICONEXCLAMATION, 1);
  ExpectPicture(picture, "power-warning-box");
}

// While a box is open, a click meets only the box's buttons.
TEST_F(WindowPictures, OnlyTheBoxsButtonsTakeClicksWhileItIsOpen) {
  platform::Form& menu = Show(216);
  const resources::DialogRect update = menu.control(1073)->rect();
  QImage image(kScreenSize, QImage::Format_RGB32);
  QPainter painter(&image);
  std::optional<render::HitMap> boxHits;
  loop.postTask([&] {
    boxHits = PaintWindow(painter, display, pictures, {});
    display.answerMessageBox(platform::IDOK);
  });
  display.messageBox(u"確認", platform::MB_OKCANCEL | platform::MB_ICONQUESTION);
  ASSERT_TRUE(boxHits.has_value());
  ASSERT_EQ(boxHits->hits().size(), 2U);
  EXPECT_EQ(boxHits->hits()[0].answer, platform::IDOK);
  EXPECT_EQ(boxHits->hits()[1].answer, platform::IDCANCEL);
  EXPECT_FALSE(boxHits->at(update.x * 2 + 2, kTitleBarHeight + update.y * 2 + 2).has_value());
}

// A tap acts when the finger lifts over what it went down on, as on a touch
// screen; sliding off lets the button go. Keys reach the frontend as they are.
TEST_F(WindowPictures, ATapActsOnReleaseOverTheSameButton) {
  platform::Form& menu = Show(216);
  std::vector<tui::KeyEvent> received;
  ScreenWidget widget(display, pictures, 2, [&](const tui::KeyEvent& event) { received.push_back(event); }, [] {});
  widget.resize(widget.sizeHint());
  widget.show();
  QApplication::processEvents();  // painted: the hits are there
  const resources::DialogRect update = menu.control(1073)->rect();
  const QPoint button = widget.windowPoint({update.x * 2 + 4, kTitleBarHeight + update.y * 2 + 4});
  QTest::mousePress(&widget, Qt::LeftButton, Qt::NoModifier, button);
  QTest::mouseRelease(&widget, Qt::LeftButton, Qt::NoModifier, widget.windowPoint({2, 2}));
  EXPECT_TRUE(received.empty()) << "slid off the button";
  QTest::mouseClick(&widget, Qt::LeftButton, Qt::NoModifier, button);
  ASSERT_EQ(received.size(), 1U);
  EXPECT_EQ(received[0].kind, tui::KeyEvent::Kind::MousePress);
  EXPECT_EQ(widget.hits().at(received[0].column, received[0].row)->controlId, 1073);
  QTest::keyClick(&widget, Qt::Key_Backtab);
  QKeyEvent typed(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("あa"));
  QApplication::sendEvent(&widget, &typed);
  ASSERT_EQ(received.size(), 4U);
  EXPECT_EQ(received[1].kind, tui::KeyEvent::Kind::BackTab);
  EXPECT_EQ(received[2].character, U'あ');
  EXPECT_EQ(received[3].character, U'a');
}

}  // namespace
}  // namespace p42r::frontends::gui
