#include "app/AboutDialog.h"

namespace p42r::app {

AboutDialog::AboutDialog(Services& services, bool landscape)
    : Form(services.windows, services.display, landscape ? kLandscapeTemplate : kPortraitTemplate, "CAboutDlg") {}

int AboutDialog::DoModal() { return display().runModalDialog(*this); }

void AboutDialog::onCommand(std::uint16_t controlId, std::uint16_t) {
  if (controlId == platform::IDOK || controlId == platform::IDCANCEL) display().endDialog(*this, controlId);
}

}  // namespace p42r::app
