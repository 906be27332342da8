#include "start/ClsStart.h"

namespace p42r::start {

namespace {
constexpr std::uint16_t kPicturePlaceholder = 1077;
}

ClsStart::ClsStart(app::Services& services, app::Navigator& navigator)
    : ScreenView(services, navigator, kTemplate, "ClsStart") {}

void ClsStart::OnInitialUpdate() { HideControl(kPicturePlaceholder); }

}  // namespace p42r::start
