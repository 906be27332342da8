// The four menus: consumer (15), general (5) and the two administrator
// menus (6: connection limit, 7: ID registration).
#pragma once

#include "app/MenuScreen.h"

namespace p42r::app {

class ClsConsumerMain final : public MenuScreen {
 public:
  ClsConsumerMain(Services& services, Navigator& navigator);
};

class ClsGeneralMain final : public MenuScreen {
 public:
  ClsGeneralMain(Services& services, Navigator& navigator);

 protected:
  // The phone-update and run-application buttons stay wired but hidden.
  void OnInitialUpdate() override;
};

class ClsAdminMainCon final : public MenuScreen {
 public:
  ClsAdminMainCon(Services& services, Navigator& navigator);
};

class ClsAdminMainSec final : public MenuScreen {
 public:
  ClsAdminMainSec(Services& services, Navigator& navigator);
};

}  // namespace p42r::app
