#include "browse/touch_gate.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace panelia {
namespace {

using P = TouchGate::Phase;

struct Event {
  P phase;
  uintptr_t finger;
  bool passes;
};

// Finger sequences as a touch screen reports them, and which events reach the engine.
TEST(TouchGateTest, ASecondFingerReachesTheEngineOnlyWherePinchZoomIsAllowed) {
  const struct {
    const char* what;
    bool pinch_zoom;
    std::vector<Event> events;
  } cases[] = {
      {"a tap", false, {{P::Begin, 1, true}, {P::End, 1, true}}},
      {"a drag", false, {{P::Begin, 1, true}, {P::Update, 1, true}, {P::Update, 1, true}, {P::End, 1, true}}},
      {"a pinch, not allowed",
       false,
       {{P::Begin, 1, true},
        {P::Begin, 2, false},
        {P::Update, 1, true},
        {P::Update, 2, false},
        {P::End, 2, false},
        {P::End, 1, true}}},
      {"a pinch, allowed",
       true,
       {{P::Begin, 1, true}, {P::Begin, 2, true}, {P::Update, 2, true}, {P::End, 1, true}, {P::End, 2, true}}},
      {"the first finger lifted first: the second stays swallowed to its end",
       false,
       {{P::Begin, 1, true}, {P::Begin, 2, false}, {P::End, 1, true}, {P::Update, 2, false}, {P::End, 2, false}}},
      {"a new touch after all fingers went passes again",
       false,
       {{P::Begin, 1, true}, {P::Begin, 2, false}, {P::Cancel, 2, false}, {P::Cancel, 1, true}, {P::Begin, 3, true}}},
      {"three fingers", false, {{P::Begin, 1, true}, {P::Begin, 2, false}, {P::Begin, 3, false}, {P::End, 3, false}}},
      {"an end the gate never saw begin", false, {{P::End, 7, true}, {P::Begin, 8, true}}},
  };
  for (const auto& c : cases) {
    TouchGate gate(c.pinch_zoom);
    for (size_t i = 0; i < c.events.size(); ++i)
      EXPECT_EQ(gate.Passes(c.events[i].phase, c.events[i].finger), c.events[i].passes) << c.what << ", event " << i;
  }
}

TEST(TouchGateTest, AMenuAskedForAfterAFingersPressIsALongPressUntilAMouseButtonGoesDown) {
  TouchGate gate(false);
  EXPECT_FALSE(gate.TouchedLast());
  gate.Passes(P::Begin, 1);
  EXPECT_TRUE(gate.FingerDown());
  EXPECT_TRUE(gate.TouchedLast());
  gate.Passes(P::Begin, 2);
  gate.Passes(P::End, 1);
  EXPECT_FALSE(gate.FingerDown()) << "a swallowed finger is not one the engine holds";
  EXPECT_TRUE(gate.TouchedLast()) << "the engine's request may come after the finger left";
  gate.OnMousePress();
  EXPECT_FALSE(gate.TouchedLast()) << "a right click";
}

TEST(TouchGateTest, WhoAnswersAMenuRequest) {
  using M = MenuAnswer;
  const struct {
    bool no_menu, kiosk_site, long_press, long_press_menu;
    M answer;
  } cases[] = {
      {false, true, false, false, M::Kiosk},    // a right click: the kiosk's menu
      {false, true, true, false, M::Nothing},   // a long press, not allowed
      {false, true, true, true, M::Kiosk},      // a long press, allowed
      {false, false, false, false, M::Engine},  // without the kiosk's host: the engine's menu
      {false, false, true, false, M::Nothing}, {true, true, false, true, M::Nothing},  // the bar: never a menu
      {true, false, true, true, M::Nothing},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MenuFor(c.no_menu, c.kiosk_site, c.long_press, c.long_press_menu), c.answer)
        << c.no_menu << c.kiosk_site << c.long_press << c.long_press_menu;
}

}  // namespace
}  // namespace panelia
