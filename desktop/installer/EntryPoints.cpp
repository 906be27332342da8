#include "EntryPoints.h"

#include "AnsiText.h"
#include "AppManagerLauncher.h"
#include "EntryFiles.h"
#include "InstallerQueries.h"
#include "LogMessages.h"

#include <algorithm>
#include <iterator>

namespace desksetup {

namespace {

constexpr const char* kAppManagerProperty = "CEAPPMGRLOC";

bool hasComponent(const TableEntry& entry) { return !entry.componentName.empty(); }

ComponentStates statesOf(const InstallerContext& context, const TableEntry& entry) {
  return componentStatesOf(context.install(), toAnsi(entry.componentName));
}

bool isBeingInstalled(const InstallerContext& context, const TableEntry& entry) {
  return !hasComponent(entry) || statesOf(context, entry).action == INSTALLSTATE_LOCAL;
}

bool isBeingRemoved(const InstallerContext& context, const TableEntry& entry) {
  if (!hasComponent(entry)) {
    return true;
  }
  const ComponentStates states = statesOf(context, entry);
  return states.installed == INSTALLSTATE_LOCAL && states.action == INSTALLSTATE_ABSENT;
}

bool writeAllFiles(InstallerContext& context) {
  const auto& entries = context.entries();
  if (entries.empty()) {
    return false;
  }
  for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
    if (!isBeingInstalled(context, *entry)) {
      continue;
    }
    if (writeEntryFiles(context.install(), context.database(), *entry, context.iniFileList) ==
        EntryResult::Failed) {
      return false;
    }
  }
  return true;
}

bool appManagerIsNeeded(const InstallerContext& context) {
  return std::any_of(context.entries().begin(), context.entries().end(), [&](const TableEntry& entry) {
    if (!hasComponent(entry)) {
      return false;
    }
    const INSTALLSTATE action = statesOf(context, entry).action;
    return action == INSTALLSTATE_LOCAL || action == INSTALLSTATE_ABSENT;
  });
}

template <typename Work>
void removalWalk(InstallerContext& context, Work work, const char* failureMessage) {
  bool anyFailed = false;
  for (const TableEntry& entry : context.entries()) {
    if (isBeingRemoved(context, entry) && work(context.install(), entry) == EntryResult::Failed) {
      anyFailed = true;
    }
  }
  if (anyFailed) {
    context.log(failureMessage);
  }
}

std::string summaryMessage(EntryPoint which) {
  switch (which) {
    case EntryPoint::InstallCEApps:
      return fillIn(messages::kInstallFailed, {messages::kTableName});
    case EntryPoint::RemoveCEApps:
      return messages::kRemoveFailed;
    case EntryPoint::CEObjectCleanup:
      return messages::kCleanupFailed;
  }
  return {};
}

void runWalk(EntryPoint which, InstallerContext& context) {
  switch (which) {
    case EntryPoint::InstallCEApps:
      installApps(context);
      return;
    case EntryPoint::RemoveCEApps:
      removeApps(context);
      return;
    case EntryPoint::CEObjectCleanup:
      cleanupObjects(context);
      return;
  }
}

}  // namespace

void installApps(InstallerContext& context) {
  const std::string location = propertyOf(context.install(), kAppManagerProperty).text;
  if (location.empty()) {
    context.log(messages::kNoAppManager);
    return;
  }
  context.appManagerCommand = L'"' + toWide(location) + L'"';
  if (!writeAllFiles(context)) {
    context.log(fillIn(messages::kInstallFailed, {messages::kTableName}));
    return;
  }
  if (!appManagerIsNeeded(context)) {
    return;
  }
  std::wstring commandLine = context.appManagerCommand + L' ';
  if (!context.iniFileList.empty()) {
    commandLine += context.iniFileList;
  }
  if (runAppManager(commandLine) == LaunchResult::NotStarted) {
    context.log(messages::kLaunchFailed);
  }
}

void removeApps(InstallerContext& context) { removalWalk(context, deleteEntryFiles, messages::kRemoveFailed); }

void cleanupObjects(InstallerContext& context) {
  removalWalk(context, removeEntryDirectories, messages::kCleanupFailed);
}

UINT runEntryPoint(EntryPoint which, MSIHANDLE install) {
  try {
    InstallerContext context(install);
    try {
      context.populate();
      runWalk(which, context);
    } catch (const std::exception& failure) {
      context.log(failure.what());
      context.log(summaryMessage(which));
    } catch (...) {
      context.log(fillIn(messages::kUnexpectedFailure, {"unknown exception"}));
      context.log(summaryMessage(which));
    }
  } catch (...) {
    // Even the context could not be built or released; nothing can be logged.
  }
  return ERROR_SUCCESS;
}

}  // namespace desksetup
