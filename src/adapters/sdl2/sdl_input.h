#pragma once

#include <SDL.h>

#include "adapters/sdl2/touch_router.h"

namespace vora {

/// Hands one SDL pointer event to the router: touch-screen fingers as fingers, the mouse as
/// one finger while its left button is held. The mouse events SDL makes up from fingers and
/// the finger events it makes up from the mouse are dropped, so one physical press is never
/// two touches. size is the window in points. Returns true when the event was a pointer event.
bool routePointerEvent(const SDL_Event& event, TouchRouter& router, Size size);

}  // namespace vora
