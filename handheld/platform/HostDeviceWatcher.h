// Watches the host devices behind the handheld's ports, the way the
// handheld's system notices a card or adapter going away whatever the
// program is doing. A port is watched from the moment it is first opened
// (its CE name resolved to a host device) until the program ends:
//
// - while it is open, a duplicate of its descriptor shows the device's
//   hang-up (the other end of a pseudo-terminal closed, a USB adapter
//   disconnected): poll reports POLLHUP or POLLERR;
// - open or not, inotify on the directories of the device node and of every
//   symbolic link leading to it (/dev/serial/by-id/...) shows the node or a
//   link vanishing.
//
// Each removal is told once per port, through `removed`, on the watcher's
// own thread, which blocks in poll on those descriptors and an eventfd: no
// polling loop, no timeouts. A port opened again after its removal was told
// is watched afresh. stop() (or destruction) ends and joins the thread.
#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/PortWatch.h"

namespace p42r::platform {

class HostDeviceWatcher final : public PortWatch {
 public:
  using Removed = std::function<void(const std::u16string& portName)>;

  // Starts the watcher's thread; throws std::system_error when it cannot.
  explicit HostDeviceWatcher(Removed removed);
  ~HostDeviceWatcher();
  HostDeviceWatcher(const HostDeviceWatcher&) = delete;
  HostDeviceWatcher& operator=(const HostDeviceWatcher&) = delete;

  void portOpened(std::u16string_view portName, const std::string& hostDevice, int descriptor) override;
  void portClosed(std::u16string_view portName) override;

  // A removal learnt another way (a device that reports its own removal):
  // told under the same once-per-port rule as the watcher's own findings.
  void removedElsewhere(std::u16string_view portName);

  // Whether `portName` is being watched (opened, and its removal not yet told).
  bool watching(std::u16string_view portName) const;

  // Ends the thread and releases every descriptor; nothing is told afterwards.
  void stop();

 private:
  struct Watch;

  void run();
  // Under the lock: the watch leaves the set and its descriptors go to the
  // thread to close.
  void retire(std::unique_ptr<Watch> watch);
  // Tells `portName`'s removal unless it was told since its last opening.
  void report(const std::u16string& portName);
  // Waits until the thread polls nothing that was retired before this call.
  void awaitRetired(std::unique_lock<std::mutex>& lock);
  void wake() const;

  Removed removed_;
  int wakeFd_ = -1;
  // Held while a removal is told, so that stop() returns only once no
  // removal is being told any more.
  std::mutex tellMutex_;
  mutable std::mutex mutex_;
  std::condition_variable applied_;
  std::map<std::u16string, std::unique_ptr<Watch>> watches_;
  std::set<std::u16string> told_;
  std::vector<int> retiredDescriptors_;
  std::uint64_t changes_ = 0;         // bumped by every change to the watched set
  std::uint64_t appliedChanges_ = 0;  // the last change the thread has taken in
  bool stopping_ = false;
  bool running_ = false;
  std::thread thread_;
};

}  // namespace p42r::platform
