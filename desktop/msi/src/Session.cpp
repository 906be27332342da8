#include "Session.h"

#include "DirectoryResolver.h"

namespace standin {

namespace {

// Folders the installer sets before any custom action runs.
const std::pair<const char*, const char*> kSystemFolders[] = {
    {"ROOTDRIVE", "C:\\"},
    {"ProgramFilesFolder", "C:\\Program Files\\"},
    {"CommonFilesFolder", "C:\\Program Files\\Common Files\\"},
    {"WindowsFolder", "C:\\Windows\\"},
    {"SystemFolder", "C:\\Windows\\System32\\"},
    {"TempFolder", "C:\\Windows\\Temp\\"},
    {"DesktopFolder", "C:\\Users\\Public\\Desktop\\"},
    {"AppDataFolder", "C:\\Users\\Default\\AppData\\Roaming\\"},
    {"ProgramMenuFolder", "C:\\Users\\Public\\Start Menu\\Programs\\"},
};

}  // namespace

std::shared_ptr<Session> Session::open(const SessionSetup& setup, std::string& message) {
  auto database = Database::open(setup.package, message);
  if (!database) {
    return nullptr;
  }
  auto session = std::make_shared<Session>();
  session->database_ = std::move(database);
  session->loadProperties(setup);
  session->resolveTargetPaths();
  if (const auto rows = session->database_->rowsOf("Component")) {
    for (const auto& row : *rows) {
      if (!row.empty()) {
        session->components_.insert(row[0]);
      }
    }
  }
  session->plan_ = setup.components;
  session->otherComponents_ = setup.otherComponents;
  return session;
}

void Session::loadProperties(const SessionSetup& setup) {
  if (const auto rows = database_->rowsOf("Property")) {
    for (const auto& row : *rows) {
      if (row.size() >= 2) {
        properties_[row[0]] = row[1];
      }
    }
  }
  for (const auto& [name, value] : setup.properties) {
    properties_[name] = value;
  }
  for (const auto& [name, value] : kSystemFolders) {
    if (properties_.count(name) == 0) {
      properties_[name] = value;
    }
  }
}

void Session::resolveTargetPaths() {
  std::vector<DirectoryRow> rows;
  if (const auto table = database_->rowsOf("Directory")) {
    for (const auto& row : *table) {
      if (row.size() >= 3) {
        rows.push_back(DirectoryRow{row[0], row[1], row[2]});
      }
    }
  }
  targetPaths_ = resolveDirectories(rows, [this](const std::string& name) {
    const auto found = properties_.find(name);
    return found == properties_.end() ? std::string() : found->second;
  });
  for (const auto& [key, path] : targetPaths_) {
    properties_[key] = path;
  }
}

std::optional<std::string> Session::property(const std::string& name) const {
  std::lock_guard guard(lock_);
  const auto found = properties_.find(name);
  return found == properties_.end() ? std::nullopt : std::optional<std::string>(found->second);
}

std::optional<std::string> Session::targetPath(const std::string& directory) const {
  std::lock_guard guard(lock_);
  const auto found = targetPaths_.find(directory);
  return found == targetPaths_.end() ? std::nullopt : std::optional<std::string>(found->second);
}

UINT Session::componentState(const std::string& component, ComponentPlan& state) const {
  std::lock_guard guard(lock_);
  if (components_.count(component) == 0) {
    return ERROR_UNKNOWN_COMPONENT;
  }
  const auto planned = plan_.find(component);
  state = planned == plan_.end() ? otherComponents_ : planned->second;
  return ERROR_SUCCESS;
}

void Session::appendLog(std::string line) {
  std::lock_guard guard(lock_);
  log_.push_back(std::move(line));
}

std::vector<std::string> Session::log() const {
  std::lock_guard guard(lock_);
  return log_;
}

}  // namespace standin
