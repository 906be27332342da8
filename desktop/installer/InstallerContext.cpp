#include "InstallerContext.h"

#include "AnsiText.h"
#include "InstallerLog.h"
#include "LogMessages.h"
#include "TableReader.h"

namespace desksetup {

InstallerContext::InstallerContext(MSIHANDLE install) : install_(install), database_(0) {
  CoInitialize(nullptr);
  database_ = MsiGetActiveDatabase(install_);
}

InstallerContext::~InstallerContext() {
  entries_.clear();
  CoUninitialize();
  if (database_ != 0) {
    MsiCloseHandle(database_);
  }
  MsiCloseHandle(install_);
}

void InstallerContext::populate() {
  if (database_ == 0) {
    log(messages::kNoDatabase);
    return;
  }
  if (readTable(install_, database_, entries_) == TableRead::Failed) {
    log(fillIn(messages::kTableNotRead, {messages::kTableName}));
  } else if (entries_.empty()) {
    log(fillIn(messages::kTableEmpty, {messages::kTableName}));
  }
}

void InstallerContext::log(const std::string& text) const { logMessage(install_, text); }

}  // namespace desksetup
