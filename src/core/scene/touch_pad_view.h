#pragma once

#include <memory>

#include "core/scene/touch_scene.h"

namespace vora {

/// The host of the scene: fills the pad area, reaches under the unsafe areas, and tells the
/// scene its measured geometry on every layout. Copies share the scene.
struct TouchPadView {
  SettingsManager* manager = nullptr;  ///< carried for the main screen; not read here
  double paddingDist = 30.0;
  Size touchPadSize{20.0, 30.0};
  std::shared_ptr<TouchScene> touchScene = std::make_shared<TouchScene>();

  /// Writes the measured safe size, insets and padding into the scene; returns the scene.
  static TouchScene& configureScene(TouchScene& scene, Size size, EdgeInsets insets,
                                    double padding);
};

}  // namespace vora
