// Windows: the targets of messages. A window has a handle that other threads
// may post to; the window itself lives on the user-interface thread. Messages
// posted to a window that is gone are dropped with their payload.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>

#include "platform/EventLoop.h"
#include "platform/Message.h"

namespace p42r::platform {

class WindowSystem;

class Window {
 public:
  explicit Window(WindowSystem& system);
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  virtual ~Window();

  WindowHandle handle() const { return handle_; }
  WindowSystem& system() const { return system_; }

  // The child-window identifier (what screen switching exchanges).
  std::uint32_t childId() const { return childId_; }
  void setChildId(std::uint32_t id) { childId_ = id; }

  bool isVisible() const { return visible_; }
  virtual void show(bool visible) { visible_ = visible; }

  // Called on the user-interface thread for every message delivered to this
  // window. The default ignores it.
  virtual void handleMessage(Message& message);

 private:
  WindowSystem& system_;
  WindowHandle handle_;
  std::uint32_t childId_ = 0;
  bool visible_ = false;
};

class WindowSystem {
 public:
  explicit WindowSystem(EventLoop& loop);
  WindowSystem(const WindowSystem&) = delete;
  WindowSystem& operator=(const WindowSystem&) = delete;

  EventLoop& loop() { return loop_; }

  Window* find(WindowHandle handle) const;

  // PostMessage: any thread; the window may be gone by the time it arrives.
  void post(WindowHandle window, MessageId id, std::uint64_t wParam = 0, std::int64_t lParam = 0,
            std::unique_ptr<Payload> payload = nullptr);
  // SendMessage: synchronous, user-interface thread only.
  void send(WindowHandle window, MessageId id, std::uint64_t wParam = 0, std::int64_t lParam = 0);

  // Sees every message just before it is delivered to a window (tests, tracing).
  using Tap = std::function<void(const Message&)>;
  void setTap(Tap tap) { tap_ = std::move(tap); }

 private:
  friend class Window;
  WindowHandle add(Window& window);
  void remove(WindowHandle handle);
  void dispatch(Message& message);

  EventLoop& loop_;
  std::unordered_map<WindowHandle, Window*> windows_;
  WindowHandle nextHandle_ = 0x100;
  Tap tap_;
};

}  // namespace p42r::platform
