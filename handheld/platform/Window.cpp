#include "platform/Window.h"

namespace p42r::platform {

Window::Window(WindowSystem& system) : system_(system), handle_(system.add(*this)) {}

Window::~Window() {
  system_.loop().killTimersOf(handle_);
  system_.remove(handle_);
}

void Window::handleMessage(Message&) {}

WindowSystem::WindowSystem(EventLoop& loop) : loop_(loop) {
  loop_.setDispatcher([this](Message& message) { dispatch(message); });
}

Window* WindowSystem::find(WindowHandle handle) const {
  const auto it = windows_.find(handle);
  return it == windows_.end() ? nullptr : it->second;
}

void WindowSystem::post(WindowHandle window, MessageId id, std::uint64_t wParam, std::int64_t lParam,
                        std::unique_ptr<Payload> payload) {
  loop_.post(Message{window, id, wParam, lParam, std::move(payload)});
}

void WindowSystem::send(WindowHandle window, MessageId id, std::uint64_t wParam, std::int64_t lParam) {
  Message message{window, id, wParam, lParam, nullptr};
  dispatch(message);
}

WindowHandle WindowSystem::add(Window& window) {
  const WindowHandle handle = nextHandle_++;
  windows_.emplace(handle, &window);
  return handle;
}

void WindowSystem::remove(WindowHandle handle) { windows_.erase(handle); }

void WindowSystem::dispatch(Message& message) {
  Window* window = find(message.window);
  if (window == nullptr) return;
  if (tap_) tap_(message);
  window->handleMessage(message);
}

}  // namespace p42r::platform
