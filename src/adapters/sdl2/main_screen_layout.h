#pragma once

#include "core/touch/touch.h"
#include "core/touch/view_controller.h"

namespace vora {

/// What a touch began on: one of the main screen's buttons, the lock view, the pad, or
/// anything else. Decided once, where the touch begins, as a touch screen does.
enum class HitView {
  pad,
  lockView,
  other,
  settingsButton,
  modeButton,
  pinButton,
  leftButton,
  rightButton,
  lockEnableButton,
};

/// True for the buttons: their touches go to the button, never to the pad.
constexpr bool isButton(HitView v) { return v >= HitView::settingsButton; }

/// The element a hit view stands for; nullptr for the pad area's "other".
const Element* elementFor(const MainScreenElements& e, HitView v);

/// Places the main screen's elements for a window of size points. Element centres are in pad
/// points: the pad lies inset points inside the window on every side (the scene's padding),
/// and the scene fills the whole window behind it. The buttons sit in the window's corners,
/// over the pad's edges; the crosshair crosses the pad. The first layout also centres the
/// crosshair; later ones (a resized window) keep it where the painters put it, moved in
/// proportion to the new size. Never touches the hidden flags or the images the controller
/// chose.
void layoutMainScreen(MainScreenElements& e, Size size, double inset, bool first);

/// The window point of the pad's top-left corner.
Point padOrigin(const MainScreenElements& e, Size window);

/// The topmost visible element under p (pad points): buttons, then the lock view, then the
/// pad; outside all of them (the border around the pad), other.
HitView hitTest(const MainScreenElements& e, Point p);

/// True when p lies in the element's frame grown by slop on every side.
bool contains(const Element& e, Point p, double slop = 0);

}  // namespace vora
