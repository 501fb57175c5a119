#pragma once

#include <memory>

#include "core/scene/touch_scene.h"

namespace vora {

class SettingsManager;

/// The host of the scene: fills the pad area, reaches under the unsafe areas, and tells the
/// scene its measured geometry on every layout. Copies share the scene.
struct TouchPadView {
  SettingsManager* manager = nullptr;  ///< carried for the main screen; not read here
  double paddingDist = 30.0;           ///< points between the safe region and the pad
  Size touchPadSize{20.0, 30.0};       ///< carried; not read here
  std::shared_ptr<TouchScene> touchScene = std::make_shared<TouchScene>();

  /// Writes the measured safe size, insets and padding into the scene and sizes its pad
  /// rectangle (the safe size less the padding on every side); returns the scene.
  static TouchScene& configureScene(TouchScene& scene, Size size, EdgeInsets insets,
                                    double padding);

  /// One layout pass of the host, for a region whose safe part measures safeSize with
  /// the given insets around it: configures the scene, sizes it to the whole region
  /// (unsafe areas included) and, the first time view shows it, presents it there. Run it
  /// on every layout (window resize, rotation); view may be null while nothing draws.
  void layout(SceneView* view, Size safeSize, EdgeInsets insets) const;
};

}  // namespace vora
