// Shared ownership of a GObject (libmsi's databases, queries, records and
// streams): one reference per owner, released with g_object_unref.
#pragma once

#include <glib-object.h>
#include <utility>

namespace standin {

template <typename Object>
class GObjectRef {
public:
  GObjectRef() = default;
  // Takes over a reference the caller owns.
  static GObjectRef adopt(Object* object) {
    GObjectRef ref;
    ref.object_ = object;
    return ref;
  }
  GObjectRef(const GObjectRef& other) : object_(other.object_) {
    if (object_ != nullptr) {
      g_object_ref(object_);
    }
  }
  GObjectRef(GObjectRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  GObjectRef& operator=(GObjectRef other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  ~GObjectRef() {
    if (object_ != nullptr) {
      g_object_unref(object_);
    }
  }

  Object* get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

private:
  Object* object_ = nullptr;
};

}  // namespace standin
