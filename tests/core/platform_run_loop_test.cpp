#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "core/platform/virtual_run_loop.h"

namespace vora {
namespace {

using std::chrono::milliseconds;

// What ran, with the clock at the moment it ran.
struct Trace {
  VirtualRunLoop& loop;
  std::vector<std::string> events;
  void operator()(const std::string& what) {
    events.push_back(what + "@" +
                     std::to_string(std::chrono::duration_cast<milliseconds>(loop.now()).count()));
  }
};

TEST(VirtualRunLoop, TicksRunBeforeTasksDueAtTheSameTimeAndTasksInPostOrder) {
  VirtualRunLoop loop;
  Trace trace{loop, {}};
  loop.postDelayed(milliseconds(10), [&] { trace("b"); });
  loop.scheduleRepeating(milliseconds(10), [&] { trace("tick"); });
  loop.postDelayed(milliseconds(10), [&] { trace("c"); });
  loop.postDelayed(milliseconds(3), [&] { trace("a"); });
  loop.post([&] { trace("now"); });
  loop.advanceTo(milliseconds(25));
  EXPECT_EQ(trace.events,
            (std::vector<std::string>{"now@0", "a@3", "tick@10", "b@10", "c@10", "tick@20"}));
  EXPECT_EQ(loop.now(), milliseconds(25));
}

TEST(VirtualRunLoop, WorkPostedWhileRunningRunsAtItsOwnDueTime) {
  VirtualRunLoop loop;
  Trace trace{loop, {}};
  int ticks = 0;
  loop.scheduleRepeating(milliseconds(10), [&] {
    trace("tick");
    if (++ticks == 1) {
      loop.post([&] { trace("posted by tick"); });
      loop.postDelayed(milliseconds(3), [&] {
        trace("gate");
        loop.post([&] { trace("posted by task"); });
      });
    }
  });
  loop.advanceTo(milliseconds(20));
  EXPECT_EQ(trace.events, (std::vector<std::string>{"tick@10", "posted by tick@10", "gate@13",
                                                    "posted by task@13", "tick@20"}));
}

TEST(VirtualRunLoop, TheClockNeverGoesBack) {
  VirtualRunLoop loop;
  Trace trace{loop, {}};
  loop.advanceTo(milliseconds(50));
  loop.post([&] { trace("due now"); });
  loop.postDelayed(milliseconds(1), [&] { trace("later"); });
  loop.advanceTo(milliseconds(10));
  EXPECT_EQ(trace.events, (std::vector<std::string>{"due now@50"}));
  EXPECT_EQ(loop.now(), milliseconds(50));
  loop.advanceBy(milliseconds(1));
  EXPECT_EQ(trace.events.back(), "later@51");
}

TEST(VirtualRunLoop, PostsFromAnotherThreadRunOnTheLoop) {
  VirtualRunLoop loop;
  int ran = 0;
  std::thread other([&] {
    for (int i = 0; i < 100; ++i) loop.post([&] { ++ran; });
  });
  other.join();
  loop.runDue();
  EXPECT_EQ(ran, 100);
}

}  // namespace
}  // namespace vora
