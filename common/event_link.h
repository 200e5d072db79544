// The way from an object to one that is made after it and that it must reach: an adapter's events
// to the logic that takes the adapter as its port, the main view to the bar made after it.
#pragma once

#include <functional>
#include <utility>

namespace panelia {

// The object that sends holds the link. A Connection made after both objects joins them, and parts
// them again when it goes (or at Part()), so an object graph is built in order by its constructors,
// and nothing is reached through the link before it is joined or after its target is gone: meanwhile
// the link is empty and the sender drops what it would have sent.
template <typename Target>
class EventLink {
 public:
  EventLink() = default;
  // `on_join` runs each time a target is joined (the sender brings itself up to date with it).
  explicit EventLink(std::function<void()> on_join) : on_join_(std::move(on_join)) {}
  EventLink(const EventLink&) = delete;
  EventLink& operator=(const EventLink&) = delete;

  Target* operator->() const { return target_; }
  Target& operator*() const { return *target_; }
  explicit operator bool() const { return target_ != nullptr; }

  class Connection {
   public:
    Connection(EventLink& link, Target& target) : link_(link), target_(&target) {
      link_.target_ = target_;
      if (link_.on_join_) link_.on_join_();
    }
    ~Connection() { Part(); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    // Parted before the objects go (a window closing while its parts still send events).
    void Part() {
      if (link_.target_ == target_) link_.target_ = nullptr;
    }

   private:
    EventLink& link_;
    Target* target_;
  };

 private:
  Target* target_ = nullptr;
  std::function<void()> on_join_;
};

}  // namespace panelia
