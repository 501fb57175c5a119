#pragma once

#include <cstdint>
#include <optional>

#include "core/platform/gfx.h"

namespace vora {

/// What a shader's "u_buffer0" reads while it draws.
struct TextureSource {
  bool latest = false;  ///< the feedback node's newest offscreen rendering
  TextureRef texture;   ///< otherwise this texture
  bool operator==(const TextureSource&) const = default;
};

/// The per-frame work of a presented scene, for the renderer that draws its snapshots.
///
/// Every frame of a scene that is presented and not paused renders the feedback node
/// offscreen (the step); its shader reads its own previous output, so the feedback
/// advances one step per frame, and after the step both shaders read the newest output.
/// A shader installed since the last step still reads the texture it was installed with
/// (`buffer`), so a new look's feedback starts from that, not from the old look's state.
/// While paused there is no step and the shader time stands still. Allocation-free.
class SceneFrame {
 public:
  struct Plan {
    bool step = false;            ///< render the feedback node offscreen this frame
    TextureSource stepInput;      ///< what the feedback shader reads during the step
    TextureSource feedbackInput;  ///< what the feedback node's shader reads on screen
    TextureSource primaryInput;   ///< what the primary node's shader reads on screen
    float time = 0;               ///< "u_time", seconds the scene has run unpaused
  };

  /// Plans the next frame of snapshot, drawn at clockSeconds (any monotonic clock).
  Plan next(const SceneSnapshot& snapshot, double clockSeconds);

 private:
  TextureSource sourceFor(const std::optional<Shader>& shader) const;

  std::uint64_t steppedThrough_ = 0;  // shaders up to this serial have seen a step
  double sceneTime_ = 0;
  std::optional<double> lastClock_;
  bool wasRunning_ = false;
};

}  // namespace vora
