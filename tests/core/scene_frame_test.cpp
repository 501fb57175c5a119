#include "core/scene/scene_frame.h"

#include <gtest/gtest.h>

namespace vora {
namespace {

const TextureRef kBlack = TextureRef::solid({0, 0, 0, 1});
const TextureSource kLatest{true, {}};
const TextureSource kBuffer{false, kBlack};
const TextureSource kNone{};

// A shader as reloadLook leaves it: installed with serial, reading `buffer` if withBuffer.
Shader installed(std::uint64_t serial, bool withBuffer) {
  Shader s;
  s.program = std::make_shared<ShaderProgram>();
  s.serial = serial;
  if (withBuffer) s.addUniform({kBufferUniform, kBlack});
  return s;
}

SceneSnapshot presented(std::optional<Shader> primary, std::optional<Shader> feedback) {
  SceneSnapshot s;
  s.size = {400, 300};
  s.presented = true;
  s.primaryNode.shader = primary;
  s.feedbackNode.shader = feedback;
  s.latestSerial = std::max(primary ? primary->serial : 0, feedback ? feedback->serial : 0);
  return s;
}

TEST(SceneFrame, FeedbackStepsOncePerFrameFromBufferThenFromItsOwnOutput) {
  SceneFrame frame;
  auto heatMap = presented(installed(1, true), installed(2, true));

  auto first = frame.next(heatMap, 0.0);
  EXPECT_TRUE(first.step);
  EXPECT_EQ(first.stepInput, kBuffer) << "the first step reads the capture";
  EXPECT_EQ(first.primaryInput, kLatest);
  EXPECT_EQ(first.feedbackInput, kLatest);

  auto second = frame.next(heatMap, 1.0 / 60);
  EXPECT_TRUE(second.step);
  EXPECT_EQ(second.stepInput, kLatest) << "then its own previous output";
  EXPECT_FLOAT_EQ(second.time, 1.0f / 60);

  // A look change: both new shaders start from the buffer again.
  auto pulseCell = presented(installed(3, true), installed(4, true));
  auto third = frame.next(pulseCell, 2.0 / 60);
  EXPECT_EQ(third.stepInput, kBuffer);
  EXPECT_EQ(third.primaryInput, kLatest);
  EXPECT_EQ(frame.next(pulseCell, 3.0 / 60).stepInput, kLatest);
}

TEST(SceneFrame, ClassicAfterAFeedbackLookKeepsSteppingTheOldFeedbackShader) {
  SceneFrame frame;
  frame.next(presented(installed(1, true), installed(2, true)), 0.0);
  auto classic = presented(installed(3, false), installed(2, true));
  auto plan = frame.next(classic, 0.1);
  EXPECT_TRUE(plan.step);
  EXPECT_EQ(plan.stepInput, kLatest) << "the kept feedback shader goes on from its state";
  EXPECT_EQ(plan.primaryInput, kNone) << "the main shader has no u_buffer0";
  EXPECT_EQ(plan.feedbackInput, kLatest);
}

TEST(SceneFrame, PausedOrUnpresentedScenesDoNotStepAndTimeStands) {
  SceneFrame frame;
  auto scene = presented(installed(1, true), installed(2, true));
  scene.presented = false;
  EXPECT_FALSE(frame.next(scene, 0.0).step);
  EXPECT_FALSE(frame.next(scene, 5.0).step);

  scene.presented = true;
  EXPECT_FLOAT_EQ(frame.next(scene, 6.0).time, 0.0f) << "time runs only once presented";
  EXPECT_FLOAT_EQ(frame.next(scene, 7.0).time, 1.0f);

  scene.paused = true;
  auto paused = frame.next(scene, 8.0);
  EXPECT_FALSE(paused.step);
  EXPECT_FLOAT_EQ(paused.time, 1.0f);
  // A look chosen while paused (the settings screen is open) reads the buffer until the
  // first step after the pause.
  auto chosen = presented(installed(3, true), installed(4, true));
  chosen.paused = true;
  auto stillPaused = frame.next(chosen, 9.0);
  EXPECT_EQ(stillPaused.primaryInput, kBuffer);
  EXPECT_EQ(stillPaused.feedbackInput, kBuffer);
  chosen.paused = false;
  auto resumed = frame.next(chosen, 10.0);
  EXPECT_TRUE(resumed.step);
  EXPECT_EQ(resumed.stepInput, kBuffer);
  EXPECT_EQ(resumed.primaryInput, kLatest);
  EXPECT_FLOAT_EQ(resumed.time, 1.0f) << "the paused seconds do not count";
  EXPECT_FLOAT_EQ(frame.next(chosen, 10.5).time, 1.5f);
}

}  // namespace
}  // namespace vora
