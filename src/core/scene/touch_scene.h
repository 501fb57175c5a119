#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "core/platform/gfx.h"
#include "core/platform/resources.h"
#include "core/touch/touch.h"

namespace vora {

class SettingsManager;

/// Safe-area insets in points.
struct EdgeInsets {
  double top = 0, left = 0, bottom = 0, right = 0;
  bool operator==(const EdgeInsets&) const = default;
};

/// The scene behind the pad: two full-size nodes drawing the selected look, the finger's
/// point, speed and gate as per-node attributes. The look's main shader draws on
/// primaryNode; its feedback shader runs on feedbackNode, whose latest offscreen rendering
/// both shaders read as "u_buffer0". Main thread only.
///
/// The scene keeps its state as plain values and hands a snapshot of it to the view that
/// presents it after every change. The per-frame work (the offscreen feedback step, the
/// shader time) belongs to the renderer, which runs SceneFrame on each snapshot it draws.
class TouchScene {
 public:
  /// The plain form: no manager, placeholder sizes.
  TouchScene();
  /// The form with a size: the scene's size before a view presents it.
  explicit TouchScene(Size size);
  ~TouchScene();
  TouchScene(const TouchScene&) = delete;
  TouchScene& operator=(const TouchScene&) = delete;

  /// Source of the selected look, the platform and the pause flag; set by the main screen.
  SettingsManager* manager = nullptr;
  /// Where look shaders are read from; none: the resources this process finds for itself
  /// (resources/ beside the executable, the install prefix, the source tree).
  const ResourceBundle* resources = nullptr;

  /// Given to every shader the scene builds: "u_x" = 0.5 and "u_y" = 0.5, shared.
  const std::vector<std::shared_ptr<const FloatUniform>> uniforms;
  /// Declared on every shader the scene builds: a_size (two floats), a_x, a_y, a_g,
  /// a_speed, a_isipad.
  const std::vector<AttributeDeclaration> attributes;
  /// First value of "u_buffer0" in newly loaded shaders: empty until first presentation,
  /// then the capture of the plain primary node (black).
  TextureRef buffer;

  // Geometry written by the host on every layout.
  Size safeSize;          ///< the measured safe region, points
  EdgeInsets safeInsets;  ///< the measured safe-area insets, points
  double padding = 0;     ///< from the safe region's edges to the pad rectangle, points

  SpriteNode primaryNode;   ///< draws the look's main shader
  SpriteNode feedbackNode;  ///< runs the look's feedback shader
  SpriteNode safeArea;      ///< never drawn; its size is the pad rectangle

  /// The scene's size in points. The presenting view sets it (the scene resizes to fill
  /// the view); nothing else follows a later change: the nodes keep their sizes.
  Size size() const { return size_; }
  void setSize(Size size);
  Color backgroundColor() const { return backgroundColor_; }
  void setBackgroundColor(Color color);

  /// First presentation by view: sizes the nodes to the scene, captures the plain primary
  /// node as `buffer`, installs the look, adds the nodes and follows shaderPause. A later
  /// presentation does not add the nodes or subscribe again.
  void didMoveToView(SceneView& view);
  /// The view presenting the scene, or none before first presentation.
  SceneView* rootView() const { return rootView_; }

  /// Installs the selected look's shaders.
  void reloadLook();
  /// Builds the named shader with the scene's uniforms and attributes and makes it the
  /// node's shader, replacing any earlier one.
  void installShader(SpriteNode& node, std::string_view name);

  /// The finger's point in the pad area, points, origin top left, y down, already clamped
  /// by the caller to the pad.
  void setTouchPoint(double x, double y);
  /// Shaped finger speed, 0..1.
  void setSpeed(double value);
  /// Smoothed gate, 0..1.
  void setGate(double value);
  /// Sets a float attribute on the primary node, then on the feedback node.
  void setNodeAttribute(NodeAttribute name, double value);

  bool isPaused() const { return paused_; }
  void setPaused(bool paused);

  /// The scene as the renderer would draw it now.
  SceneSnapshot snapshot() const;

 private:
  const ResourceBundle& bundle();
  void installShaderQuietly(SpriteNode& node, std::string_view name);
  void publish();

  Size size_{400, 300};
  Color backgroundColor_{0, 0, 0, 1};
  bool paused_ = false;
  SceneView* rootView_ = nullptr;
  bool nodesAdded_ = false;
  std::uint64_t serial_ = 0;
  std::unique_ptr<ResourceBundle> ownBundle_;
  // Held weakly by the pause subscription, so a value arriving after the scene is gone
  // does nothing; its presence marks the subscription as made.
  std::shared_ptr<TouchScene*> cancellables_;
};

}  // namespace vora
