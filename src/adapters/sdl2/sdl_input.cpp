#include "adapters/sdl2/sdl_input.h"

namespace vora {

namespace {
constexpr PointerId kMouse{kMouseDevice, 0};
}

bool routePointerEvent(const SDL_Event& event, TouchRouter& router, Size size) {
  switch (event.type) {
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      if (event.button.which == SDL_TOUCH_MOUSEID) return true;
      if (event.button.button != SDL_BUTTON_LEFT) return true;
      if (event.type == SDL_MOUSEBUTTONDOWN) {
        router.pointerDown(kMouse, {double(event.button.x), double(event.button.y)});
      } else {
        router.pointerUp(kMouse, {double(event.button.x), double(event.button.y)});
      }
      return true;
    case SDL_MOUSEMOTION:
      if (event.motion.which == SDL_TOUCH_MOUSEID) return true;
      if ((event.motion.state & SDL_BUTTON_LMASK) == 0) return true;
      router.pointerMoved(kMouse, {double(event.motion.x), double(event.motion.y)});
      return true;
    case SDL_FINGERDOWN:
    case SDL_FINGERMOTION:
    case SDL_FINGERUP: {
      const auto& f = event.tfinger;
      if (f.touchId == SDL_MOUSE_TOUCHID) return true;
      const PointerId id{f.touchId, f.fingerId};
      const Point p{f.x * size.width, f.y * size.height};
      // Touch screens that report pressure give it as 0..1.
      if (event.type == SDL_FINGERDOWN) {
        router.pointerDown(id, p, f.pressure, 1.0);
      } else if (event.type == SDL_FINGERMOTION) {
        router.pointerMoved(id, p, f.pressure, 1.0);
      } else {
        router.pointerUp(id, p);
      }
      return true;
    }
    default:
      return false;
  }
}

}  // namespace vora
