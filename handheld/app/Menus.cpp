#include "app/Menus.h"

namespace p42r::app {

ClsConsumerMain::ClsConsumerMain(Services& services, Navigator& navigator)
    : MenuScreen(services, navigator,
                 Layout{216, "ClsConsumerMain", 20023, {{1073, 8}, {1074, kCloseRequest}}, 1073, true}) {}

ClsGeneralMain::ClsGeneralMain(Services& services, Navigator& navigator)
    : MenuScreen(services, navigator,
                 Layout{205, "ClsGeneralMain", 20004, {{1016, 8}, {1017, 10}, {1018, 13}, {1019, kCloseRequest}}, 0,
                        false}) {}

void ClsGeneralMain::OnInitialUpdate() {
  HideControl(1016);
  HideControl(1018);
}

ClsAdminMainCon::ClsAdminMainCon(Services& services, Navigator& navigator)
    : MenuScreen(services, navigator,
                 Layout{206, "ClsAdminMainCon", 20014, {{1021, 12}, {1024, 4}, {1022, kCloseRequest}}, 1021, false}) {}

ClsAdminMainSec::ClsAdminMainSec(Services& services, Navigator& navigator)
    : MenuScreen(services, navigator,
                 Layout{207, "ClsAdminMainSec", 20020, {{1024, 14}, {1027, 4}, {1025, kCloseRequest}}, 1024, false}) {}

}  // namespace p42r::app
