// The stand-in's installer session object behind an installer handle.
#pragma once

#include "MsiDatabase.h"
#include "standin/InstallerSession.h"

#include <mutex>
#include <set>

namespace standin {

class Session : public MsiObject {
public:
  static std::shared_ptr<Session> open(const SessionSetup& setup, std::string& message);

  std::shared_ptr<Database> database() const { return database_; }
  // An unset property reads as nullopt.
  std::optional<std::string> property(const std::string& name) const;
  std::optional<std::string> targetPath(const std::string& directory) const;
  // ERROR_SUCCESS or ERROR_UNKNOWN_COMPONENT.
  UINT componentState(const std::string& component, ComponentPlan& state) const;

  void appendLog(std::string line);
  std::vector<std::string> log() const;

private:
  void loadProperties(const SessionSetup& setup);
  void resolveTargetPaths();

  std::shared_ptr<Database> database_;
  mutable std::mutex lock_;
  std::map<std::string, std::string> properties_;
  std::map<std::string, std::string> targetPaths_;
  std::set<std::string> components_;
  std::map<std::string, ComponentPlan> plan_;
  ComponentPlan otherComponents_;
  std::vector<std::string> log_;
};

}  // namespace standin
