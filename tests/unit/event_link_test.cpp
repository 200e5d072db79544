#include "common/event_link.h"

#include <gtest/gtest.h>

#include <optional>

namespace panelia {
namespace {

struct Target {
  int events = 0;
};

// What reaches the target through the link at each moment of its life: nothing before the join,
// everything while joined, nothing after a part or after the connection went (the target may be
// gone too then).
TEST(EventLinkTest, ReachesItsTargetOnlyWhileJoined) {
  int joins = 0;
  EventLink<Target> link([&] { ++joins; });
  auto send = [&] {
    if (link) ++link->events;
  };
  Target target;
  send();
  {
    EventLink<Target>::Connection joined(link, target);
    EXPECT_EQ(joins, 1) << "the sender is told at once";
    send();
    send();
    joined.Part();
    send();
  }
  send();
  EXPECT_EQ(target.events, 2);
  EXPECT_FALSE(link);
}

// A second connection to another target that outlives an earlier one keeps the link: the earlier
// one's end does not part what it no longer joins.
TEST(EventLinkTest, AnOlderConnectionDoesNotPartANewerOne) {
  EventLink<Target> link;
  Target first, second;
  std::optional<EventLink<Target>::Connection> old_one(std::in_place, link, first);
  EventLink<Target>::Connection new_one(link, second);
  old_one.reset();
  ASSERT_TRUE(link);
  ++link->events;
  EXPECT_EQ(second.events, 1);
  EXPECT_EQ(first.events, 0);
}

}  // namespace
}  // namespace panelia
