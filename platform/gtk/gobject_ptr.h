// Owning pointers for GLib/GObject and X11 resources, so no logic path unrefs by hand.
#pragma once

#include <glib-object.h>

#include <memory>
#include <utility>

namespace panelia {

// Holds one reference to a GObject. Adopt() takes over a reference the caller owns.
template <typename T>
class GObjectPtr {
 public:
  GObjectPtr() = default;
  static GObjectPtr Adopt(T* object) {
    GObjectPtr p;
    p.object_ = object;
    return p;
  }
  static GObjectPtr Ref(T* object) {
    if (object) g_object_ref(object);
    return Adopt(object);
  }
  GObjectPtr(const GObjectPtr& other) : object_(other.object_) {
    if (object_) g_object_ref(object_);
  }
  GObjectPtr(GObjectPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  GObjectPtr& operator=(GObjectPtr other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  ~GObjectPtr() {
    if (object_) g_object_unref(object_);
  }
  T* get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  void reset() { GObjectPtr().swap(*this); }
  void swap(GObjectPtr& other) noexcept { std::swap(object_, other.object_); }

 private:
  T* object_ = nullptr;
};

struct GFreeDeleter {
  void operator()(void* p) const { g_free(p); }
};
using GCharPtr = std::unique_ptr<char, GFreeDeleter>;

// A signal connection that disconnects itself when the owner goes first.
class ScopedSignal {
 public:
  ScopedSignal() = default;
  ScopedSignal(gpointer instance, const char* signal, GCallback callback, gpointer data)
      : instance_(instance), id_(g_signal_connect(instance, signal, callback, data)) {
    g_object_add_weak_pointer(G_OBJECT(instance_), &instance_);
  }
  ScopedSignal(const ScopedSignal&) = delete;
  ScopedSignal& operator=(const ScopedSignal&) = delete;
  ScopedSignal(ScopedSignal&& other) noexcept { *this = std::move(other); }
  ScopedSignal& operator=(ScopedSignal&& other) noexcept {
    if (this != &other) {
      Disconnect();
      instance_ = other.instance_;
      id_ = other.id_;
      if (instance_) {
        g_object_remove_weak_pointer(G_OBJECT(instance_), &other.instance_);
        g_object_add_weak_pointer(G_OBJECT(instance_), &instance_);
      }
      other.instance_ = nullptr;
      other.id_ = 0;
    }
    return *this;
  }
  ~ScopedSignal() { Disconnect(); }
  void Disconnect() {
    if (instance_) {
      g_signal_handler_disconnect(instance_, id_);
      g_object_remove_weak_pointer(G_OBJECT(instance_), &instance_);
      instance_ = nullptr;
    }
  }

 private:
  gpointer instance_ = nullptr;
  gulong id_ = 0;
};

}  // namespace panelia
