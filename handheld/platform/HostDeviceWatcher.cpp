#include "platform/HostDeviceWatcher.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace p42r::platform {

namespace {

// What a directory on the way to the device is watched for: an entry of ours
// going or being replaced, and the directory itself going.
constexpr std::uint32_t kDirectoryEvents =
    IN_DELETE | IN_MOVED_FROM | IN_CREATE | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
// What the device node itself is watched for.
constexpr std::uint32_t kNodeEvents = IN_DELETE_SELF | IN_MOVE_SELF;
// A watched inode that went, moved, or whose file system went.
constexpr std::uint32_t kSelfGone = IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED;
constexpr int kMaxLinks = 40;  // as the kernel's own limit on a path's links

// The path as given and every symbolic link on the way to the device node,
// the node last.
std::vector<std::filesystem::path> LinkChain(const std::string& hostDevice) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::path path = fs::absolute(hostDevice, error);
  if (error) path = hostDevice;
  path = path.lexically_normal();
  std::vector<fs::path> chain{path};
  for (int hop = 0; hop < kMaxLinks && fs::is_symlink(path, error); ++hop) {
    const fs::path target = fs::read_symlink(path, error);
    if (error) break;
    path = (target.is_absolute() ? target : path.parent_path() / target).lexically_normal();
    chain.push_back(path);
  }
  return chain;
}

void CloseDescriptor(int& descriptor) {
  if (descriptor >= 0) ::close(descriptor);
  descriptor = -1;
}

}  // namespace

struct HostDeviceWatcher::Watch {
  struct Entry {
    int watchDescriptor;
    std::string name;  // the entry of ours in a watched directory; empty: the node itself
  };

  std::string hostDevice;
  int hangUpDescriptor = -1;  // the open port's duplicate; -1 while the port is closed
  int inotifyDescriptor = -1;
  std::vector<Entry> entries;
  // The device as it was opened: the path must still lead to this node.
  bool identityKnown = false;
  dev_t fileSystem = 0;
  ino_t inode = 0;
  dev_t device = 0;

  Watch(std::string path, int openDescriptor) : hostDevice(std::move(path)), hangUpDescriptor(openDescriptor) {
    struct stat status {};
    if (openDescriptor >= 0 && ::fstat(openDescriptor, &status) == 0) {
      identityKnown = true;
      fileSystem = status.st_dev;
      inode = status.st_ino;
      device = status.st_rdev;
    }
    inotifyDescriptor = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotifyDescriptor < 0) return;  // only the hang-up is watched then
    const auto chain = LinkChain(hostDevice);
    for (const auto& link : chain) {
      const int directory = ::inotify_add_watch(inotifyDescriptor, link.parent_path().c_str(), kDirectoryEvents);
      if (directory >= 0) entries.push_back({directory, link.filename().string()});
    }
    const int node = ::inotify_add_watch(inotifyDescriptor, chain.back().c_str(), kNodeEvents);
    if (node >= 0) entries.push_back({node, std::string()});
  }

  // Whether the path still leads to the node that was opened.
  bool stillThere() const {
    struct stat status {};
    if (::stat(hostDevice.c_str(), &status) != 0) return false;
    return !identityKnown ||
           (status.st_dev == fileSystem && status.st_ino == inode && status.st_rdev == device);
  }

  // Reads what inotify has to say; true when the device or a link to it went.
  bool vanished() const {
    alignas(inotify_event) char buffer[4096];
    bool gone = false;
    bool lookAgain = false;
    for (;;) {
      const ssize_t length = ::read(inotifyDescriptor, buffer, sizeof buffer);
      if (length < 0 && errno == EINTR) continue;
      if (length <= 0) break;
      for (ssize_t at = 0; at < length;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        if (event->mask & IN_Q_OVERFLOW) lookAgain = true;
        const std::string name = event->len > 0 ? std::string(event->name) : std::string();
        for (const auto& entry : entries) {
          if (entry.watchDescriptor != event->wd) continue;
          if (event->mask & kSelfGone) {
            gone = true;
          } else if (!entry.name.empty() && name == entry.name) {
            if (event->mask & (IN_DELETE | IN_MOVED_FROM)) gone = true;
            // A link put back in place may lead elsewhere now.
            if (event->mask & (IN_CREATE | IN_MOVED_TO)) lookAgain = true;
          }
        }
      }
    }
    return gone || (lookAgain && !stillThere());
  }
};

HostDeviceWatcher::HostDeviceWatcher(Removed removed) : removed_(std::move(removed)) {
  wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wakeFd_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd for the device watcher");
  running_ = true;
  try {
    thread_ = std::thread([this] { run(); });
  } catch (...) {
    CloseDescriptor(wakeFd_);
    throw;
  }
}

HostDeviceWatcher::~HostDeviceWatcher() {
  stop();
  CloseDescriptor(wakeFd_);
}

void HostDeviceWatcher::wake() const {
  const std::uint64_t one = 1;
  [[maybe_unused]] const auto written = ::write(wakeFd_, &one, sizeof one);
}

void HostDeviceWatcher::stop() {
  {
    std::lock_guard lock(mutex_);
    if (!thread_.joinable()) return;
    stopping_ = true;
  }
  wake();
  thread_.join();
  // A removal being told from another thread is told to its end first.
  std::lock_guard telling(tellMutex_);
}

void HostDeviceWatcher::retire(std::unique_ptr<Watch> watch) {
  if (watch->hangUpDescriptor >= 0) retiredDescriptors_.push_back(watch->hangUpDescriptor);
  if (watch->inotifyDescriptor >= 0) retiredDescriptors_.push_back(watch->inotifyDescriptor);
  ++changes_;
}

void HostDeviceWatcher::awaitRetired(std::unique_lock<std::mutex>& lock) {
  if (running_) {
    const std::uint64_t target = changes_;
    wake();
    applied_.wait(lock, [&] { return appliedChanges_ >= target || !running_; });
  }
  if (!running_) {
    for (int descriptor : retiredDescriptors_) ::close(descriptor);
    retiredDescriptors_.clear();
  }
}

void HostDeviceWatcher::portOpened(std::u16string_view portName, const std::string& hostDevice, int descriptor) {
  const int duplicate = descriptor >= 0 ? ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0) : -1;
  // Every opening watches afresh: the node behind the path may be another one
  // than last time.
  auto watch = std::make_unique<Watch>(hostDevice, duplicate);
  const bool present = watch->stillThere();
  const std::u16string name(portName);
  {
    std::unique_lock lock(mutex_);
    if (!running_ || stopping_) {
      retire(std::move(watch));
      awaitRetired(lock);
      return;
    }
    told_.erase(name);
    if (const auto it = watches_.find(name); it != watches_.end()) {
      retire(std::move(it->second));
      watches_.erase(it);
    }
    watches_.emplace(name, std::move(watch));
    ++changes_;
  }
  wake();
  // It went between its opening and the watch taking hold.
  if (!present) report(name);
}

void HostDeviceWatcher::portClosed(std::u16string_view portName) {
  std::unique_lock lock(mutex_);
  if (const auto it = watches_.find(std::u16string(portName)); it != watches_.end()) {
    Watch& watch = *it->second;
    if (watch.hangUpDescriptor >= 0) {
      retiredDescriptors_.push_back(watch.hangUpDescriptor);
      watch.hangUpDescriptor = -1;
      ++changes_;
    }
  }
  // Also a duplicate retired by a removal just told must be gone: the
  // device is only free again once the last descriptor on it is closed.
  awaitRetired(lock);
}

void HostDeviceWatcher::removedElsewhere(std::u16string_view portName) { report(std::u16string(portName)); }

bool HostDeviceWatcher::watching(std::u16string_view portName) const {
  std::lock_guard lock(mutex_);
  return watches_.count(std::u16string(portName)) > 0;
}

void HostDeviceWatcher::report(const std::u16string& portName) {
  std::lock_guard telling(tellMutex_);
  {
    std::lock_guard lock(mutex_);
    if (stopping_ || told_.count(portName) > 0) return;
    told_.insert(portName);
    if (const auto it = watches_.find(portName); it != watches_.end()) {
      retire(std::move(it->second));
      watches_.erase(it);
    }
  }
  wake();
  removed_(portName);
}

void HostDeviceWatcher::run() {
  std::vector<pollfd> descriptors;
  std::vector<std::u16string> owners;
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      for (int descriptor : retiredDescriptors_) ::close(descriptor);
      retiredDescriptors_.clear();
      if (stopping_) {
        for (auto& [name, watch] : watches_) {
          CloseDescriptor(watch->hangUpDescriptor);
          CloseDescriptor(watch->inotifyDescriptor);
        }
        watches_.clear();
        running_ = false;
        applied_.notify_all();
        return;
      }
      descriptors.assign(1, pollfd{wakeFd_, POLLIN, 0});
      owners.assign(1, std::u16string());
      for (const auto& [name, watch] : watches_) {
        if (watch->inotifyDescriptor >= 0) {
          descriptors.push_back({watch->inotifyDescriptor, POLLIN, 0});
          owners.push_back(name);
        }
        // No events asked: a hang-up or error is reported whatever is asked.
        if (watch->hangUpDescriptor >= 0) {
          descriptors.push_back({watch->hangUpDescriptor, 0, 0});
          owners.push_back(name);
        }
      }
      appliedChanges_ = changes_;
      applied_.notify_all();
    }
    if (::poll(descriptors.data(), descriptors.size(), -1) < 0) {
      if (errno == EINTR) continue;
      // Nothing can be watched any more; the serial calls still report a
      // device that is gone when they are used.
      std::lock_guard lock(mutex_);
      running_ = false;
      applied_.notify_all();
      return;
    }
    if (descriptors[0].revents & POLLIN) {
      std::uint64_t count = 0;
      [[maybe_unused]] const auto drained = ::read(wakeFd_, &count, sizeof count);
    }
    std::vector<std::u16string> gone;
    for (std::size_t i = 1; i < descriptors.size(); ++i) {
      if (descriptors[i].revents == 0) continue;
      std::lock_guard lock(mutex_);
      const auto it = watches_.find(owners[i]);
      if (it == watches_.end()) continue;  // told or replaced meanwhile
      const Watch& watch = *it->second;
      if (descriptors[i].fd == watch.inotifyDescriptor) {
        if (watch.vanished()) gone.push_back(owners[i]);
      } else if (descriptors[i].fd == watch.hangUpDescriptor) {
        if (descriptors[i].revents & (POLLHUP | POLLERR | POLLNVAL)) gone.push_back(owners[i]);
      }
    }
    for (const auto& name : gone) report(name);
  }
}

}  // namespace p42r::platform
