#include "standin/InstallerSession.h"

#include "KernelObjects.h"
#include "Session.h"

#include <glib.h>

namespace standin {

namespace {

void dropMessage(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

}  // namespace

std::unique_ptr<InstallerSession> InstallerSession::open(const SessionSetup& setup, std::string& message) {
  auto session = Session::open(setup, message);
  if (!session) {
    return nullptr;
  }
  return std::unique_ptr<InstallerSession>(new InstallerSession(std::move(session)));
}

InstallerSession::InstallerSession(std::shared_ptr<Session> session) : session_(std::move(session)) {}

InstallerSession::~InstallerSession() = default;

MSIHANDLE InstallerSession::newInstallerHandle() const { return addMsiObject(session_); }

std::vector<std::string> InstallerSession::log() const { return session_->log(); }

std::optional<std::string> InstallerSession::property(const std::string& name) const {
  return session_->property(name);
}

std::optional<std::string> InstallerSession::targetPath(const std::string& directory) const {
  return session_->targetPath(directory);
}

std::size_t openInstallerHandleCount() { return openMsiHandleCountInTable(); }

std::size_t openKernelHandles() { return openKernelHandleCount(); }

void quietLibraryWarnings() {
  g_log_set_handler(nullptr, static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE), dropMessage,
                    nullptr);
}

}  // namespace standin
