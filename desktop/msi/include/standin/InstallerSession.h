// The installer session that a host runs custom actions in: a package
// opened read-only, its properties (the Property table, then the host's
// PROPERTY=VALUE settings, then the resolved directories), each
// component's installed and action state from the host's plan, and the
// installation log that messages are collected in.
#pragma once

#include "Win32Msi.h"

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace standin {

class Session;

struct ComponentPlan {
  INSTALLSTATE installed = INSTALLSTATE_UNKNOWN;
  INSTALLSTATE action = INSTALLSTATE_UNKNOWN;
};

struct SessionSetup {
  std::filesystem::path package;
  std::vector<std::pair<std::string, std::string>> properties;  // UTF-8, applied in order
  std::map<std::string, ComponentPlan> components;              // by component name
  ComponentPlan otherComponents;  // every component of the package not named above
};

class InstallerSession {
public:
  // nullptr with a message when the package cannot be opened.
  static std::unique_ptr<InstallerSession> open(const SessionSetup& setup, std::string& message);
  ~InstallerSession();
  InstallerSession(const InstallerSession&) = delete;
  InstallerSession& operator=(const InstallerSession&) = delete;

  // A fresh installer handle, as the installer gives one to each custom action.
  MSIHANDLE newInstallerHandle() const;

  std::vector<std::string> log() const;  // UTF-8 lines, in order
  std::optional<std::string> property(const std::string& name) const;
  std::optional<std::string> targetPath(const std::string& directory) const;

private:
  explicit InstallerSession(std::shared_ptr<Session> session);
  std::shared_ptr<Session> session_;
};

// Handles that are still open: installer handles (sessions, databases,
// views, records) and kernel handles (files, processes).
std::size_t openInstallerHandleCount();
std::size_t openKernelHandles();

// Drops GLib's warnings of libmsi (for example "table not found"), which
// say nothing that the installer's results do not.
void quietLibraryWarnings();

}  // namespace standin
