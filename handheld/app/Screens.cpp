// The screen table's fifteen screens, in table order.
#include "access/PasswordScreens.h"
#include "admin/AdminScreens.h"
#include "app/CPocketPCApp.h"
#include "app/Menus.h"
#include "apps/ClsRunAppli.h"
#include "start/ClsStart.h"
#include "status/StatusScreens.h"
#include "update/UpdateScreens.h"

namespace p42r::app {

std::vector<std::unique_ptr<ScreenView>> CreateScreenViews(Services& services, Navigator& navigator) {
  std::vector<std::unique_ptr<ScreenView>> screens;
  screens.push_back(std::make_unique<start::ClsStart>(services, navigator));            // 1
  screens.push_back(std::make_unique<access::ClsCheckPswd>(services, navigator));       // 2
  screens.push_back(std::make_unique<access::ClsUnlock>(services, navigator));          // 3
  screens.push_back(std::make_unique<access::ClsChangePswd>(services, navigator));      // 4
  screens.push_back(std::make_unique<ClsGeneralMain>(services, navigator));             // 5
  screens.push_back(std::make_unique<ClsAdminMainCon>(services, navigator));            // 6
  screens.push_back(std::make_unique<ClsAdminMainSec>(services, navigator));            // 7
  screens.push_back(std::make_unique<update::ClsPortableUpdate>(services, navigator));  // 8
  screens.push_back(std::make_unique<update::ClsUpdating>(services, navigator));        // 9
  screens.push_back(std::make_unique<status::ClsDispState>(services, navigator));       // 10
  screens.push_back(std::make_unique<status::ClsLEDDispChange>(services, navigator));   // 11
  screens.push_back(std::make_unique<admin::ClsLimitConnect>(services, navigator));     // 12
  screens.push_back(std::make_unique<apps::ClsRunAppli>(services, navigator));          // 13
  screens.push_back(std::make_unique<admin::ClsSecurity>(services, navigator));         // 14
  screens.push_back(std::make_unique<ClsConsumerMain>(services, navigator));            // 15
  return screens;
}

}  // namespace p42r::app
