#include "program/ScreenTable.h"

#include <stdexcept>

#include "access/PasswordScreens.h"
#include "admin/AdminScreens.h"
#include "app/Menus.h"
#include "apps/ClsRunAppli.h"
#include "resources/ScreenIds.h"
#include "start/ClsStart.h"
#include "status/StatusScreens.h"
#include "update/UpdateScreens.h"

namespace p42r::program {

app::CPocketPCApp::ScreenFactory ScreenTableFor(app::CPocketPCApp::Options::Entry entry) {
  return [entry](app::Services& services, app::Navigator& navigator) {
    using Entry = app::CPocketPCApp::Options::Entry;
    namespace screens = resources::screens;
    std::vector<std::unique_ptr<app::ScreenView>> table;
    // A screen's number is its place in the table; placing one out of turn is a slip worth stopping at.
    const auto place = [&table](int number, std::unique_ptr<app::ScreenView> screen) {
      if (number != static_cast<int>(table.size()) + 1) throw std::logic_error("screen table out of order");
      table.push_back(std::move(screen));
    };
    place(screens::kStart, std::make_unique<start::ClsStart>(services, navigator));
    auto check = std::make_unique<access::ClsCheckPswd>(services, navigator);
    auto change = std::make_unique<access::ClsChangePswd>(services, navigator);
    // The way in to an administrator menu passes the password screens, which
    // then lead to that menu.
    if (entry == Entry::AdminConnection || entry == Entry::AdminId) {
      const int menu = entry == Entry::AdminConnection ? screens::kConnectionMenu : screens::kSecurityMenu;
      check->SetScreenAfterAuthentication(menu);
      change->SetScreenAfterChange(menu);
    }
    place(screens::kCheckPassword, std::move(check));
    place(screens::kUnlock, std::make_unique<access::ClsUnlock>(services, navigator));
    place(screens::kChangePassword, std::move(change));
    place(screens::kGeneralMenu, std::make_unique<app::ClsGeneralMain>(services, navigator));
    place(screens::kConnectionMenu, std::make_unique<app::ClsAdminMainCon>(services, navigator));
    place(screens::kSecurityMenu, std::make_unique<app::ClsAdminMainSec>(services, navigator));
    place(screens::kUpdateStart, std::make_unique<update::ClsPortableUpdate>(services, navigator));
    place(screens::kUpdating, std::make_unique<update::ClsUpdating>(services, navigator));
    place(screens::kState, std::make_unique<status::ClsDispState>(services, navigator));
    place(screens::kLedSetting, std::make_unique<status::ClsLEDDispChange>(services, navigator));
    place(screens::kDomains, std::make_unique<admin::ClsLimitConnect>(services, navigator));
    place(screens::kApplications, std::make_unique<apps::ClsRunAppli>(services, navigator));
    place(screens::kIdRegistration, std::make_unique<admin::ClsSecurity>(services, navigator));
    place(screens::kConsumerMenu, std::make_unique<app::ClsConsumerMain>(services, navigator));
    return table;
  };
}

}  // namespace p42r::program
