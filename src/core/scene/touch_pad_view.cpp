#include "core/scene/touch_pad_view.h"

namespace vora {

TouchScene& TouchPadView::configureScene(TouchScene& scene, Size size, EdgeInsets insets,
                                         double padding) {
  scene.setBackgroundColor(Color{0, 0, 0, 1});
  scene.safeSize = size;
  scene.safeInsets = insets;
  scene.padding = padding;
  scene.safeArea.size = {size.width - 2 * padding, size.height - 2 * padding};
  return scene;
}

void TouchPadView::layout(SceneView* view, Size safeSize, EdgeInsets insets) const {
  TouchScene& scene = configureScene(*touchScene, safeSize, insets, paddingDist);
  // The scene view ignores the safe area and the scene resizes to fill it.
  scene.setSize(
      {safeSize.width + insets.left + insets.right, safeSize.height + insets.top + insets.bottom});
  if (view != nullptr && scene.rootView() != view) scene.didMoveToView(*view);
}

}  // namespace vora
