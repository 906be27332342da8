// The frame's initial view: a form on the empty template 101, visible only
// until the start-up screen is switched in.
#pragma once

#include "app/Services.h"
#include "platform/Form.h"

namespace p42r::app {

class CPocketPCView final : public platform::Form {
 public:
  static constexpr std::uint16_t kTemplate = 101;
  explicit CPocketPCView(Services& services)
      : Form(services.windows, services.display, kTemplate, "CPocketPCView") {}
};

}  // namespace p42r::app
