#include "apps/ClsRunAppli.h"

namespace p42r::apps {

namespace {
constexpr std::uint16_t kList = 1052;
constexpr std::uint16_t kBack = 1057;
// Column 0 is as wide as "12345678" in the list's font, column 1 four times that.
constexpr int kStateColumnWidth = 8 * 6;
}  // namespace

ClsRunAppli::ClsRunAppli(app::Services& services, app::Navigator& navigator)
    : ScreenView(services, navigator, kTemplate, "ClsRunAppli") {}

void ClsRunAppli::OnInitialUpdate() {
  if (platform::Control* list = control(kList)) {
    list->insertColumn(0, platform::ListColumn{u"", kStateColumnWidth});
    list->insertColumn(1, platform::ListColumn{u"", 4 * kStateColumnWidth});
  }
}

void ClsRunAppli::onCommand(std::uint16_t controlId, std::uint16_t) {
  if (controlId == kBack) {
    if (platform::Control* list = control(kList)) list->deleteAllRows();
    navigator().SwitchScreen(5);
  }
}

}  // namespace p42r::apps
