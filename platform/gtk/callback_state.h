// The state a GLib callback carries, with who frees it written in the code rather than in a comment:
// Give() makes it and hands it to GLib as the callback's `gpointer`; the one callback that ends its
// life takes it back with Take(), which frees it when that callback returns (or passes it on with
// release() to the next step); callbacks that run again only Peek() at it; a destroy notification
// frees it with Free or FreeClosure.
#pragma once

#include <glib-object.h>

#include <memory>
#include <utility>

namespace panelia {

template <typename T>
struct CallbackState {
  template <typename... Args>
  static gpointer Give(Args&&... args) {
    return new T{std::forward<Args>(args)...};
  }
  static std::unique_ptr<T> Take(gpointer data) { return std::unique_ptr<T>(static_cast<T*>(data)); }
  static T& Peek(gpointer data) { return *static_cast<T*>(data); }
  static void Free(gpointer data) { delete static_cast<T*>(data); }
  static void FreeClosure(gpointer data, GClosure*) { Free(data); }
};

}  // namespace panelia
