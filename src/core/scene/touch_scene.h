#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "core/touch/touch.h"

namespace vora {

class SettingsManager;

/// Safe-area insets in points.
struct EdgeInsets {
  double top = 0, left = 0, bottom = 0, right = 0;
  bool operator==(const EdgeInsets&) const = default;
};

/// The per-node attributes a look's shaders read.
enum class NodeAttribute { a_size, a_x, a_y, a_g, a_speed, a_isipad };
inline constexpr std::array<std::string_view, 6> kNodeAttributeNames{"a_size", "a_x",     "a_y",
                                                                     "a_g",    "a_speed", "a_isipad"};

/// A full-size quad drawn with a fragment shader; attribute values stay when the shader
/// changes.
struct SpriteNode {
  Size size;
  Point anchorPoint;
  std::optional<std::string> shader;  ///< shader resource name, none until installed
  bool hasBufferUniform = false;      ///< the shader reads the feedback texture "u_buffer0"
  /// Values set so far, by NodeAttribute; a_size uses both components, the others x only.
  std::array<std::optional<std::array<float, 2>>, 6> attributes{};

  std::optional<float> attribute(NodeAttribute a) const {
    const auto& v = attributes[static_cast<std::size_t>(a)];
    return v ? std::optional<float>((*v)[0]) : std::nullopt;
  }
};

/// The scene behind the pad: two full-size nodes drawing the selected look, the finger's
/// point, speed and gate as per-node attributes. Main thread only.
class TouchScene {
 public:
  TouchScene();

  /// Source of the selected look, the platform and the pause flag; set by the main screen.
  SettingsManager* manager = nullptr;

  /// The finger's point in the pad area, points, y down, already clamped by the caller.
  void setTouchPoint(double x, double y);
  /// Shaped finger speed, 0..1.
  void setSpeed(double value);
  /// Smoothed gate, 0..1.
  void setGate(double value);
  /// Sets a float attribute on the primary node, then on the feedback node.
  void setNodeAttribute(NodeAttribute name, double value);
  /// Installs the selected look's shaders.
  void reloadLook();

  bool isPaused() const { return paused_; }
  void setPaused(bool paused) { paused_ = paused; }

  // Geometry written by the host on every layout.
  Size safeSize;
  EdgeInsets safeInsets;
  double padding = 0;

  SpriteNode primaryNode;
  SpriteNode feedbackNode;
  SpriteNode safeArea;  ///< never drawn; its size is the pad rectangle

 private:
  bool paused_ = false;
};

}  // namespace vora
