#include "adapters/imgui/main_screen_painter.h"

#include <algorithm>

#include "adapters/imgui/image_library.h"
#include "adapters/imgui/ui_frame.h"

namespace vora {

namespace {

void paintImage(ImDrawList& list, const Element& e, Point o, const ImageLibrary& images,
                float opacity) {
  if (e.hidden || e.size.width <= 0 || e.size.height <= 0) return;
  const std::uintptr_t texture = images.texture(e.image);
  if (texture == 0) return;  // no image by that name: the view shows nothing
  const ImVec2 a(float(o.x + e.center.x - e.size.width / 2),
                 float(o.y + e.center.y - e.size.height / 2));
  const ImVec2 b(float(o.x + e.center.x + e.size.width / 2),
                 float(o.y + e.center.y + e.size.height / 2));
  const auto alpha = static_cast<int>(std::clamp(e.opacity * opacity, 0.0, 1.0) * 255 + 0.5);
  list.AddImage(toImTexture(texture), a, b, ImVec2(0, 0), ImVec2(1, 1),
                IM_COL32(255, 255, 255, alpha));
}

}  // namespace

void paintMainScreen(ImDrawList& list, const MainScreenElements& e, Point o,
                     const ImageLibrary& images,
                     const std::function<bool(const Element&)>& isHeld) {
  paintImage(list, e.horizontalLine, o, images, 1);
  paintImage(list, e.verticalLine, o, images, 1);
  paintImage(list, e.target, o, images, 1);
  // lockUp and lockDown live inside the lock view: hidden with it.
  if (!e.lockView.hidden) {
    paintImage(list, e.lockUp, o, images, 1);
    paintImage(list, e.lockDown, o, images, 1);
  }
  for (const Element* b : {&e.settingsButton, &e.modeButton, &e.pinButton, &e.leftButton,
                           &e.rightButton, &e.lockEnableButton}) {
    // A held button dims, as a touched system button does.
    paintImage(list, *b, o, images, isHeld(*b) ? 0.55f : 1.0f);
  }
}

}  // namespace vora
