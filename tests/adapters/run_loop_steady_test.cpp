#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "adapters/system/steady_run_loop.h"

namespace vora {
namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;
using Steady = std::chrono::steady_clock;

// A hand-moved clock: ordering and grid rules are checked exactly, without sleeping.
struct ManualClockTest : ::testing::Test {
  Steady::time_point clockNow{};
  SteadyRunLoop loop{[this] { return clockNow; }};
  std::vector<std::string> ran;

  void setClock(Duration sinceStart) { clockNow = Steady::time_point{} + sinceStart; }
  std::function<void()> record(std::string name) {
    return [this, name] { ran.push_back(name); };
  }
};

TEST_F(ManualClockTest, DueWorkRunsInDueOrderTicksBeforeTasksAndTasksInPostOrder) {
  loop.scheduleRepeating(milliseconds(10), record("tick"));
  loop.postDelayed(milliseconds(10), record("A@10"));
  loop.post(record("B@0"));
  loop.postDelayed(milliseconds(5), record("C@5"));
  loop.postDelayed(milliseconds(10), record("D@10"));
  loop.postDelayed(milliseconds(11), record("E@11"));
  setClock(milliseconds(10));
  loop.runDue();
  EXPECT_EQ(ran, (std::vector<std::string>{"B@0", "C@5", "tick", "A@10", "D@10"}));
  EXPECT_EQ(loop.timeUntilNextDue(), milliseconds(1));
}

TEST_F(ManualClockTest, LateTicksKeepToTheGridAndFarBehindSkipsInsteadOfBursting) {
  std::vector<TimePoint> tickTimes;
  loop.scheduleRepeating(milliseconds(10), [&] { tickTimes.push_back(loop.now()); });

  setClock(microseconds(10'400));  // 0.4 ms late: the next tick stays at 20 ms
  loop.runDue();
  EXPECT_EQ(loop.timeUntilNextDue(), microseconds(9'600));

  setClock(milliseconds(55));  // the ticks at 20, 30, 40 and 50 ms are overdue
  loop.runDue();
  EXPECT_EQ(tickTimes, (std::vector<TimePoint>{microseconds(10'400), milliseconds(55)}));
  EXPECT_EQ(loop.timeUntilNextDue(), milliseconds(5)) << "the next tick is back on the grid at 60";
  loop.runDue();
  EXPECT_EQ(tickTimes.size(), 2u) << "missed ticks were run in a burst";

  setClock(milliseconds(60));
  loop.runDue();
  EXPECT_EQ(tickTimes.size(), 3u);
}

TEST_F(ManualClockTest, WorkPostedWhileRunningWaitsForTheNextCall) {
  EXPECT_EQ(loop.timeUntilNextDue(), std::nullopt);
  loop.post([this] {
    ran.push_back("first");
    loop.post(record("posted by first"));
  });
  loop.runDue();
  EXPECT_EQ(ran, (std::vector<std::string>{"first"}));
  EXPECT_EQ(loop.timeUntilNextDue(), Duration{0});
  loop.runDue();
  EXPECT_EQ(ran, (std::vector<std::string>{"first", "posted by first"}));
  EXPECT_EQ(loop.timeUntilNextDue(), std::nullopt);
}

// Real time from here on: only ordering and "it ran", never how long it took.

TEST(SteadyRunLoop, PostsFromOtherThreadsRunOnTheLoopThreadInOrderAndCanStopIt) {
  SteadyRunLoop loop;
  std::atomic<int> wakeups{0};
  loop.setWakeup([&] { ++wakeups; });
  bool watchdogFired = false;
  loop.postDelayed(std::chrono::seconds(20), [&] {
    watchdogFired = true;
    loop.stop();
  });

  const std::thread::id loopThread = std::this_thread::get_id();
  std::vector<int> order;
  bool allOnLoopThread = true;
  std::thread poster([&] {
    for (int i = 0; i < 100; ++i) {
      loop.post([&, i] {
        order.push_back(i);
        allOnLoopThread = allOnLoopThread && std::this_thread::get_id() == loopThread;
      });
    }
    loop.post([&] { loop.stop(); });
  });
  loop.run();
  poster.join();

  EXPECT_FALSE(watchdogFired) << "the loop never saw the posts";
  ASSERT_EQ(order.size(), 100u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(order[static_cast<std::size_t>(i)], i);
  EXPECT_TRUE(allOnLoopThread);
  EXPECT_GE(wakeups.load(), 101);
}

TEST(SteadyRunLoop, RunForRunsTimersAndDelayedTasksThenReturns) {
  SteadyRunLoop loop;
  int ticks = 0;
  std::vector<std::string> ran;
  loop.scheduleRepeating(milliseconds(2), [&] { ++ticks; });
  loop.postDelayed(milliseconds(8), [&] { ran.push_back("late"); });
  loop.postDelayed(milliseconds(1), [&] { ran.push_back("early"); });
  loop.runFor(milliseconds(30));
  EXPECT_GE(loop.now(), milliseconds(30));
  EXPECT_GE(ticks, 1);
  EXPECT_EQ(ran, (std::vector<std::string>{"early", "late"}));
}

TEST(SteadyRunLoop, StopAskedBeforeRunEndsTheNextRunAtOnce) {
  SteadyRunLoop loop;
  bool ran = false;
  loop.post([&] { ran = true; });
  loop.stop();
  loop.run();  // returns: a hang here is caught by the test's timeout
  EXPECT_TRUE(ran) << "work already due runs before the stop takes effect";
  loop.post([&] { loop.stop(); });
  loop.run();  // the stop was used up by the first run
}

}  // namespace
}  // namespace vora
