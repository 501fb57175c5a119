#pragma once

#include <imgui.h>

#include <functional>

#include "core/touch/view_controller.h"

namespace vora {

class ImageLibrary;

/// Draws the main screen's elements (crosshair, target, lock view, buttons) with their images,
/// over the scene and under any sheet: the plain views of the screen, drawn from the
/// controller's element model, whose pad points start at origin (window points). isHeld
/// tells which elements a finger holds (drawn pressed).
void paintMainScreen(ImDrawList& list, const MainScreenElements& elements, Point origin,
                     const ImageLibrary& images, const std::function<bool(const Element&)>& isHeld);

}  // namespace vora
