#include "InstallerLog.h"

#include "ScopedHandles.h"

namespace desksetup {

void logMessage(MSIHANDLE install, const std::string& text) {
  ScopedMsiHandle record(MsiCreateRecord(1));
  MsiRecordSetStringA(record.get(), 1, text.c_str());
  MsiProcessMessage(install, INSTALLMESSAGE_INFO, record.get());
}

}  // namespace desksetup
