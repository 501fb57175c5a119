// The window's view layer: which view a pointer lands on, and what the controller receives
// from mouse and touch-screen events.
#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "adapters/sdl2/main_screen_layout.h"
#include "adapters/sdl2/sdl_input.h"
#include "adapters/sdl2/touch_router.h"

namespace vora {
namespace {

/// Records what the router sends, as lines ("began pad 10,20", "tap mode").
class RecordingInput final : public MainScreenInput {
 public:
  void touchesBegan(TouchSet t) override { record("began", t); }
  void touchesMoved(TouchSet t) override { record("moved", t); }
  void touchesEnded(TouchSet t) override { record("ended", t); }
  void touchesCancelled(TouchSet t) override { record("cancelled", t); }
  void buttonTapped(HitView b) override { lines.push_back("tap " + std::to_string(int(b))); }

  std::vector<std::string> lines;
  std::vector<TouchRef> seen;  // every touch delivered, as the controller may keep them

 private:
  void record(const char* phase, TouchSet t) {
    ASSERT_EQ(t.size(), 1u);
    const Touch& touch = *t[0];
    const char* view = touch.view == TouchView::pad    ? "pad"
                       : touch.view == TouchView::lock ? "lock"
                                                       : "other";
    lines.push_back(std::string(phase) + " " + view + " " + std::to_string(int(touch.location.x)) +
                    "," + std::to_string(int(touch.location.y)));
    seen.push_back(t[0]);
  }
};

class RouterTest : public ::testing::Test {
 protected:
  // No border: pad points are window points.
  RouterTest() { layoutMainScreen(elements, {1024, 600}, 0, true); }
  MainScreenElements elements;
  RecordingInput input;
  TouchRouter router{elements, input};
};

std::string tap(HitView v) { return "tap " + std::to_string(int(v)); }

TEST_F(RouterTest, HitTestingFindsTheTopmostVisibleView) {
  elements.lockView.hidden = false;
  elements.leftButton.hidden = true;
  struct Case {
    Point p;
    HitView expected;
  } cases[] = {
      {{57, 57}, HitView::settingsButton},
      {{966, 57}, HitView::modeButton},
      {{966, 147}, HitView::pinButton},
      {{966, 542}, HitView::rightButton},
      {{57, 147}, HitView::lockEnableButton},
      {{79, 521}, HitView::lockView},
      {{876, 542}, HitView::pad},  // the left arrow is hidden: its place is pad
      {{512, 300}, HitView::pad},
      {{0, 0}, HitView::pad},
      {{1024, 300}, HitView::other},  // right edge excluded
      {{-1, 300}, HitView::other},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.p.x << "," << c.p.y);
    EXPECT_EQ(hitTest(elements, c.p), c.expected);
  }
  elements.lockView.hidden = true;
  EXPECT_EQ(hitTest(elements, {79, 521}), HitView::pad);
}

TEST_F(RouterTest, AButtonFiresWhenLiftedOnItAndNeverReachesThePad) {
  router.pointerDown({1, 1}, {966, 57});
  EXPECT_TRUE(router.isHeld(HitView::modeButton));
  router.pointerMoved({1, 1}, {970, 60});
  router.pointerUp({1, 1}, {970, 60});
  // Dragged far off before lifting: no tap, and still not a pad touch.
  router.pointerDown({1, 2}, {966, 147});
  router.pointerMoved({1, 2}, {500, 300});
  EXPECT_FALSE(router.isHeld(HitView::pinButton));
  router.pointerUp({1, 2}, {500, 300});
  // Cancelled: no tap.
  router.pointerDown({1, 3}, {57, 57});
  router.cancelAll();
  EXPECT_EQ(input.lines, std::vector<std::string>{tap(HitView::modeButton)});
  EXPECT_FALSE(router.anyDown());
}

TEST_F(RouterTest, PadAndLockTouchesKeepTheViewTheyBeganIn) {
  elements.lockView.hidden = false;
  router.pointerDown({1, 1}, {79, 521});    // lock view
  router.pointerDown({1, 2}, {500, 300});   // pad, a second finger
  router.pointerMoved({1, 1}, {300, 300});  // the lock finger slides onto the pad
  router.pointerUp({1, 2}, {510, 310});
  router.pointerCancelled({1, 1});
  EXPECT_EQ(input.lines, (std::vector<std::string>{"began lock 79,521", "began pad 500,300",
                                                   "moved lock 300,300", "ended pad 510,310",
                                                   "cancelled lock 300,300"}));
  // Each finger is one touch object from its begin to its end.
  EXPECT_EQ(input.seen[0], input.seen[2]);
  EXPECT_EQ(input.seen[1], input.seen[3]);
  EXPECT_NE(input.seen[0], input.seen[1]);
}

TEST(PadBorderTest, ThePadLiesInsideTheWindowAndItsBorderIsAnotherView) {
  MainScreenElements elements;
  layoutMainScreen(elements, {1024, 600}, 30, true);
  EXPECT_EQ(elements.touchArea.size, (Size{964, 540}));
  EXPECT_EQ(padOrigin(elements, {1024, 600}), (Point{30, 30}));
  // The buttons stay in the window's corners, in pad points.
  EXPECT_EQ(hitTest(elements, {57 - 30, 57 - 30}), HitView::settingsButton);
  RecordingInput input;
  TouchRouter router(elements, input);
  router.setPadOrigin(padOrigin(elements, {1024, 600}));
  router.pointerDown({1, 1}, {10, 300});   // in the border
  router.pointerMoved({1, 1}, {30, 300});  // onto the pad's left edge
  router.pointerUp({1, 1}, {30, 300});
  EXPECT_EQ(input.lines, (std::vector<std::string>{"began other -20,270", "moved other 0,270",
                                                   "ended other 0,270"}));
}

TEST_F(RouterTest, ATouchTheControllerStillHoldsIsNeverHandedOutAgain) {
  router.pointerDown({1, 1}, {100, 100});
  router.pointerUp({1, 1}, {100, 100});
  const TouchRef kept = input.seen[0];  // as the controller keeps its slide touch
  input.seen.clear();
  for (int i = 0; i < 100; ++i) {
    router.pointerDown({1, i + 2}, {200, 200});
    ASSERT_NE(input.seen.back(), kept);
    router.pointerUp({1, i + 2}, {200, 200});
    input.seen.clear();
  }
  EXPECT_EQ(kept->location.x, 100);
}

TEST(SdlInputTest, TheMouseIsOneFingerAndSynthesizedEventsAreDropped) {
  MainScreenElements elements;
  layoutMainScreen(elements, {1024, 600}, 0, true);
  RecordingInput input;
  TouchRouter router(elements, input);
  const Size size{1024, 600};

  SDL_Event e{};
  auto mouse = [&](Uint32 type, int x, int y, Uint8 button, Uint32 which, Uint32 state = 0) {
    e = SDL_Event{};
    e.type = type;
    if (type == SDL_MOUSEMOTION) {
      e.motion.x = x;
      e.motion.y = y;
      e.motion.which = which;
      e.motion.state = state;
    } else {
      e.button.x = x;
      e.button.y = y;
      e.button.button = button;
      e.button.which = which;
    }
    EXPECT_TRUE(routePointerEvent(e, router, size));
  };
  auto finger = [&](Uint32 type, float x, float y, SDL_TouchID device) {
    e = SDL_Event{};
    e.type = type;
    e.tfinger.x = x;
    e.tfinger.y = y;
    e.tfinger.touchId = device;
    e.tfinger.fingerId = 7;
    EXPECT_TRUE(routePointerEvent(e, router, size));
  };

  mouse(SDL_MOUSEMOTION, 10, 10, 0, 0);                       // hovering: nothing
  mouse(SDL_MOUSEBUTTONDOWN, 400, 300, SDL_BUTTON_RIGHT, 0);  // another button: nothing
  mouse(SDL_MOUSEBUTTONDOWN, 400, 300, SDL_BUTTON_LEFT, 0);   // touching
  mouse(SDL_MOUSEMOTION, 410, 300, 0, 0, SDL_BUTTON_LMASK);
  mouse(SDL_MOUSEBUTTONUP, 410, 300, SDL_BUTTON_LEFT, 0);
  // A touch screen's finger, and the mouse events SDL makes up from it.
  finger(SDL_FINGERDOWN, 0.25f, 0.5f, 3);
  mouse(SDL_MOUSEBUTTONDOWN, 256, 300, SDL_BUTTON_LEFT, SDL_TOUCH_MOUSEID);
  finger(SDL_FINGERUP, 0.25f, 0.5f, 3);
  mouse(SDL_MOUSEBUTTONUP, 256, 300, SDL_BUTTON_LEFT, SDL_TOUCH_MOUSEID);
  // Finger events made up from the mouse.
  finger(SDL_FINGERDOWN, 0.5f, 0.5f, SDL_MOUSE_TOUCHID);

  EXPECT_EQ(input.lines,
            (std::vector<std::string>{"began pad 400,300", "moved pad 410,300", "ended pad 410,300",
                                      "began pad 256,300", "ended pad 256,300"}));
  e = SDL_Event{};
  e.type = SDL_KEYDOWN;
  EXPECT_FALSE(routePointerEvent(e, router, size));
}

}  // namespace
}  // namespace vora
