// The window's life cycle as the app sees it: the delegate's log lines from focus and
// minimising, and the run loop that SDL's event wait wakes for work from other threads.
#include <SDL.h>
#include <gtest/gtest.h>

#include <thread>

#include "adapters/sdl2/sdl_run_loop.h"
#include "app/app_delegate.h"
#include "support/fakes.h"

namespace vora {
namespace {

TEST(AppDelegateTest, FocusAndMinimisingBecomeTheTwoLifeCycleMessages) {
  test::RecordingLog log;
  AppDelegate delegate(log);
  EXPECT_EQ(delegate.supportedInterfaceOrientations(), 24);  // landscape left and right
  EXPECT_TRUE(delegate.didFinishLaunching());

  delegate.windowFocusGained();
  delegate.windowFocusGained();  // a second focus event while active says nothing
  delegate.windowFocusLost();
  delegate.windowFocusGained();  // back from another window
  delegate.windowMinimized();
  delegate.windowMinimized();
  delegate.windowRestored();
  delegate.windowFocusGained();

  EXPECT_EQ(log.lines, std::vector<std::string>{"launch"});
  EXPECT_EQ(log.systemLines,
            (std::vector<std::string>{"active", "active", "entered background", "active"}));
  EXPECT_TRUE(delegate.isActive());
  EXPECT_FALSE(delegate.inBackground());
}

class SdlRunLoopTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(SDL_Init(SDL_INIT_EVENTS), 0) << SDL_GetError(); }
  void TearDown() override { SDL_Quit(); }
};

TEST_F(SdlRunLoopTest, APostFromAnotherThreadWakesTheEventWaitAndRunsInOrder) {
  SdlRunLoop loop;
  std::vector<int> ran;
  loop.post([&] { ran.push_back(1); });
  loop.post([&] { ran.push_back(2); });
  EXPECT_EQ(loop.untilNextDue(), Duration{0});
  loop.runDue();
  EXPECT_EQ(ran, (std::vector<int>{1, 2}));
  EXPECT_EQ(loop.untilNextDue(), std::nullopt);

  std::thread other([&] { loop.post([&] { ran.push_back(3); }); });
  SDL_Event event;
  // Woken by the post, long before the (generous) timeout.
  bool woke = false;
  while (SDL_WaitEventTimeout(&event, 10000) != 0) {
    if (event.type == loop.wakeEventType()) {
      woke = true;
      break;
    }
  }
  other.join();
  EXPECT_TRUE(woke);
  loop.runDue();
  EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
}

TEST_F(SdlRunLoopTest, ALateTimerFiresOnceAndKeepsItsRate) {
  SdlRunLoop loop;
  int ticks = 0;
  loop.scheduleRepeating(std::chrono::milliseconds(1), [&] { ++ticks; });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));  // twenty ticks missed
  loop.runDue();
  EXPECT_EQ(ticks, 1);
  // The next tick is due within one interval, not twenty ticks in a burst.
  ASSERT_TRUE(loop.untilNextDue());
  EXPECT_LE(*loop.untilNextDue(), std::chrono::milliseconds(1));
}

}  // namespace
}  // namespace vora
