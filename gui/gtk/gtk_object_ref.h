#pragma once
#include <glib-object.h>

#include <utility>

namespace qm {

// Holds one GObject reference and drops it when it goes, so every GTK object
// the binding keeps has exactly one owner on our side.
template <typename T>
class GObjectRef {
 public:
  GObjectRef() = default;
  // Takes over the reference the caller owns (a fresh non-floating object).
  static GObjectRef Adopt(T* object) {
    GObjectRef ref;
    ref.object_ = object;
    return ref;
  }
  // Takes a reference of its own; a floating reference is sunk instead.
  static GObjectRef Hold(T* object) {
    GObjectRef ref;
    if (object) ref.object_ = static_cast<T*>(g_object_ref_sink(object));
    return ref;
  }
  GObjectRef(const GObjectRef&) = delete;
  GObjectRef& operator=(const GObjectRef&) = delete;
  GObjectRef(GObjectRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  GObjectRef& operator=(GObjectRef&& other) noexcept {
    if (this != &other) {
      Reset();
      object_ = std::exchange(other.object_, nullptr);
    }
    return *this;
  }
  ~GObjectRef() { Reset(); }

  void Reset() {
    if (object_) g_object_unref(std::exchange(object_, nullptr));
  }
  T* get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  T* object_ = nullptr;
};

}  // namespace qm
