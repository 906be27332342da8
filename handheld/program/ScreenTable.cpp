#include "program/ScreenTable.h"

#include "access/PasswordScreens.h"
#include "admin/AdminScreens.h"
#include "app/Menus.h"
#include "apps/ClsRunAppli.h"
#include "start/ClsStart.h"
#include "status/StatusScreens.h"
#include "update/UpdateScreens.h"

namespace p42r::program {

app::CPocketPCApp::ScreenFactory ScreenTableFor(app::CPocketPCApp::Options::Entry entry) {
  return [entry](app::Services& services, app::Navigator& navigator) {
    using Entry = app::CPocketPCApp::Options::Entry;
    std::vector<std::unique_ptr<app::ScreenView>> screens;
    screens.push_back(std::make_unique<start::ClsStart>(services, navigator));  // 1
    auto check = std::make_unique<access::ClsCheckPswd>(services, navigator);
    auto change = std::make_unique<access::ClsChangePswd>(services, navigator);
    // The way in to an administrator menu passes the password screens, which
    // then lead to that menu.
    if (entry == Entry::AdminConnection || entry == Entry::AdminId) {
      const int menu = entry == Entry::AdminConnection ? 6 : 7;
      check->SetScreenAfterAuthentication(menu);
      change->SetScreenAfterChange(menu);
    }
    screens.push_back(std::move(check));                                                     // 2
    screens.push_back(std::make_unique<access::ClsUnlock>(services, navigator));             // 3
    screens.push_back(std::move(change));                                                    // 4
    screens.push_back(std::make_unique<app::ClsGeneralMain>(services, navigator));           // 5
    screens.push_back(std::make_unique<app::ClsAdminMainCon>(services, navigator));          // 6
    screens.push_back(std::make_unique<app::ClsAdminMainSec>(services, navigator));          // 7
    screens.push_back(std::make_unique<update::ClsPortableUpdate>(services, navigator));     // 8
    screens.push_back(std::make_unique<update::ClsUpdating>(services, navigator));           // 9
    screens.push_back(std::make_unique<status::ClsDispState>(services, navigator));          // 10
    screens.push_back(std::make_unique<status::ClsLEDDispChange>(services, navigator));      // 11
    screens.push_back(std::make_unique<admin::ClsLimitConnect>(services, navigator));        // 12
    screens.push_back(std::make_unique<apps::ClsRunAppli>(services, navigator));             // 13
    screens.push_back(std::make_unique<admin::ClsSecurity>(services, navigator));            // 14
    screens.push_back(std::make_unique<app::ClsConsumerMain>(services, navigator));          // 15
    return screens;
  };
}

}  // namespace p42r::program
