#include "core/touch/control_data_timer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/platform/virtual_run_loop.h"

namespace vora {
namespace {

using std::chrono::milliseconds;

struct Sampled {
  double speed;
  double gate;
};

struct ControlDataTimerTest : ::testing::Test {
  VirtualRunLoop loop;
  ControlDataTimer timer{loop};
  std::vector<Sampled> calls;

  void SetUp() override {
    timer.updateCallback = [this](double s, double g) { calls.push_back({s, g}); };
  }
  /// Runs exactly one tick of the run loop.
  void tick() { loop.advanceBy(milliseconds(10)); }
};

TEST_F(ControlDataTimerTest, TicksEveryTenMillisecondsFromCreationAndReportsZeroAtRest) {
  loop.advanceTo(milliseconds(9));
  EXPECT_TRUE(calls.empty());
  loop.advanceTo(milliseconds(10));
  ASSERT_EQ(calls.size(), 1u);
  loop.advanceTo(milliseconds(1000));
  ASSERT_EQ(calls.size(), 100u);
  for (const auto& c : calls) {
    EXPECT_EQ(c.speed, 0.0);
    EXPECT_EQ(c.gate, 0.0);
  }
}

TEST_F(ControlDataTimerTest, TicksWithoutCallbackStillRunTheFilters) {
  timer.updateCallback = nullptr;
  timer.gateCurrent = 1.0;
  tick();
  EXPECT_DOUBLE_EQ(timer.gateSmooth, 0.3);
}

TEST_F(ControlDataTimerTest, SteadySlideOfOnePadWidthPerSecondSettlesNear0213) {
  for (int i = 0; i < 50; ++i) {
    timer.xCurrent += 0.01;
    tick();
  }
  EXPECT_NEAR(timer.speed, 0.01, 1e-12);
  EXPECT_NEAR(calls.back().speed, std::pow(0.11, 0.7), 1e-12);
  EXPECT_NEAR(calls.back().speed, 0.2133, 1e-4);
}

TEST_F(ControlDataTimerTest, SpeedDecaysByThreeTenthsPerTickOnceTheFingerStops) {
  timer.xCurrent = 0.05;
  tick();
  const double moving = timer.speed;
  EXPECT_DOUBLE_EQ(moving, 0.7 * 0.05);
  for (int n = 1; n <= 4; ++n) {
    tick();
    EXPECT_NEAR(timer.speed, moving * std::pow(0.3, n), 1e-15);
    EXPECT_NEAR(calls.back().speed, std::pow(timer.speed * 11, 0.7), 1e-12);
  }
}

TEST_F(ControlDataTimerTest, GateEnvelopeRisesAsOneMinusPointSevenToTheNAndFallsBack) {
  timer.gateCurrent = 1.0;
  for (int n = 1; n <= 10; ++n) {
    tick();
    EXPECT_NEAR(calls.back().gate, 1 - std::pow(0.7, n), 1e-12) << "tick " << n;
  }
  const double top = timer.gateSmooth;
  timer.gateCurrent = 0.0;
  for (int n = 1; n <= 10; ++n) {
    tick();
    EXPECT_NEAR(calls.back().gate, top * std::pow(0.7, n), 1e-12) << "tick " << n;
  }
}

TEST_F(ControlDataTimerTest, ZeroFlagHidesAJumpOnceAndStillCatchesUpThePosition) {
  timer.xCurrent = 0.8;
  timer.yCurrent = 0.4;
  timer.zeroFlag = true;
  tick();
  EXPECT_EQ(calls.back().speed, 0.0);
  EXPECT_FALSE(timer.zeroFlag);
  EXPECT_EQ(timer.xPrev, 0.8);
  EXPECT_EQ(timer.yPrev, 0.4);
  tick();  // no move since: the jump never shows up later either
  EXPECT_EQ(calls.back().speed, 0.0);
}

TEST_F(ControlDataTimerTest, WholeDiagonalInOneTickCapsTheSpeedValueAtOne) {
  timer.xCurrent = 1;
  timer.yCurrent = 1;
  tick();
  EXPECT_DOUBLE_EQ(timer.speed, 0.7 * std::sqrt(2.0));
  EXPECT_EQ(calls.back().speed, 1.0);
}

}  // namespace
}  // namespace vora
