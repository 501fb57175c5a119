#include "core/scene/touch_pad_view.h"

namespace vora {

TouchScene& TouchPadView::configureScene(TouchScene& scene, Size size, EdgeInsets insets,
                                         double padding) {
  scene.safeSize = size;
  scene.safeInsets = insets;
  scene.padding = padding;
  scene.safeArea.size = {size.width - 2 * padding, size.height - 2 * padding};
  return scene;
}

}  // namespace vora
