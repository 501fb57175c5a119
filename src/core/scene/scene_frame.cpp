#include "core/scene/scene_frame.h"

#include <algorithm>

namespace vora {

TextureSource SceneFrame::sourceFor(const std::optional<Shader>& shader) const {
  if (!shader) return {};
  const TextureUniform* buffer = shader->uniformNamed(kBufferUniform);
  if (buffer == nullptr) return {};
  if (shader->serial <= steppedThrough_) return {true, {}};
  return {false, buffer->texture};
}

SceneFrame::Plan SceneFrame::next(const SceneSnapshot& snapshot, double clockSeconds) {
  const bool running = snapshot.presented && !snapshot.paused;
  // Time since the last frame counts only when the scene ran through it.
  if (lastClock_ && running && wasRunning_) {
    sceneTime_ += std::max(0.0, clockSeconds - *lastClock_);
  }
  lastClock_ = clockSeconds;
  wasRunning_ = running;

  Plan plan;
  plan.time = static_cast<float>(sceneTime_);
  if (running) {
    plan.step = true;
    plan.stepInput = sourceFor(snapshot.feedbackNode.shader);
    steppedThrough_ = std::max(steppedThrough_, snapshot.latestSerial);
  }
  plan.feedbackInput = sourceFor(snapshot.feedbackNode.shader);
  plan.primaryInput = sourceFor(snapshot.primaryNode.shader);
  return plan;
}

}  // namespace vora
