#include "UpdateDriver.h"

#include <csignal>

#include <QApplication>
#include <QTest>

#include "frontends/gui/ScreenWidget.h"
#include "frontends/render/DisplayRenderer.h"
#include "platform/Form.h"
#include "resources/ScreenIds.h"

namespace p42r::frontends::gui {

namespace {

namespace screens = resources::screens;
namespace controls = resources::controls;
constexpr std::u16string_view kSucceeded = u"ケータイアップデートが正常に完了しました。";

std::string Utf8(const std::u16string& text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())).toStdString();
}

}  // namespace

ScreenWidget* FindProgramWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->objectName() == QStringLiteral("p42r-screen") && widget->isVisible()) {
      return static_cast<ScreenWidget*>(widget);
    }
  }
  return nullptr;
}

UpdateDriver::UpdateDriver(std::chrono::seconds deadline, std::function<void(std::function<void()>)> onConsumerMenu)
    : deadline_(std::chrono::steady_clock::now() + deadline), onConsumerMenu_(std::move(onConsumerMenu)) {
  QObject::connect(&ticker_, &QTimer::timeout, [this] { tick(); });
  ticker_.start(20);
}

bool UpdateDriver::clickControl(ScreenWidget& window, std::uint16_t controlId) {
  // Only where it was painted: a click meets what a person would have seen.
  for (const auto& hit : window.hits().hits()) {
    if (hit.kind != render::Hit::Kind::Control || hit.controlId != controlId) continue;
    const QPoint centre(hit.area.x + hit.area.width / 2, hit.area.y + hit.area.height / 2);
    QTest::mouseClick(&window, Qt::LeftButton, Qt::NoModifier, window.windowPoint(centre));
    return true;
  }
  return false;
}

void UpdateDriver::tick() {
  ScreenWidget* window = FindProgramWindow();
  if (window == nullptr) return;
  if (std::chrono::steady_clock::now() > deadline_ && seen_.failure.empty()) {
    seen_.failure = "the update did not end in time";
    ticker_.stop();
    std::raise(SIGTERM);  // the program's close request, at once
    return;
  }
  const platform::Display& display = window->display();
  if (!display.openMessageBoxes().empty()) {
    const std::u16string& text = display.openMessageBoxes().back()->text;
    if (seen_.boxes.empty() || seen_.boxes.back() != Utf8(text)) seen_.boxes.push_back(Utf8(text));
    if (text.find(render::kCloseAnyway) != std::u16string::npos) {
      seen_.closeAsked = true;
      QTest::keyClick(window, Qt::Key_Escape);  // no: the update goes on
    } else {
      QTest::keyClick(window, Qt::Key_Return);  // the box's default button
    }
    return;
  }
  const platform::Form* form = display.activeForm();
  if (form == nullptr) return;
  switch (form->number()) {
    case screens::kConsumerMenu:
      if (!consumerMenuSeen_ && onConsumerMenu_ && window->hits().hits().size() > 0) {
        consumerMenuSeen_ = true;
        ticker_.stop();
        onConsumerMenu_([this] { ticker_.start(20); });
        return;
      }
      clickControl(*window, controls::consumer_menu::kUpdate);
      return;
    case screens::kUpdateStart:
      seen_.startPage = true;
      clickControl(*window, controls::update_start::kStart);
      return;
    case screens::kUpdating: {
      const int progress = form->control(controls::updating::kProgressBar)->position();
      if (!closeTried_ && progress > 0) {
        closeTried_ = true;
        window->close();  // the title bar's close button
        return;
      }
      if (seen_.closeAsked && progress > 0) seen_.updatedAfterAsking = true;
      if (form->control(controls::updating::kStatusText)->text() == kSucceeded && !closing_) {
        seen_.succeeded = true;
        closing_ = true;
        window->close();  // nothing warns any more: the program ends
      }
      return;
    }
    default: return;
  }
}

}  // namespace p42r::frontends::gui
