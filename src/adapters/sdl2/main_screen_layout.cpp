#include "adapters/sdl2/main_screen_layout.h"

#include <algorithm>
#include <array>
#include <initializer_list>

namespace vora {

const Element* elementFor(const MainScreenElements& e, HitView v) {
  switch (v) {
    case HitView::pad:
      return &e.touchArea;
    case HitView::lockView:
      return &e.lockView;
    case HitView::other:
      return nullptr;
    case HitView::settingsButton:
      return &e.settingsButton;
    case HitView::modeButton:
      return &e.modeButton;
    case HitView::pinButton:
      return &e.pinButton;
    case HitView::leftButton:
      return &e.leftButton;
    case HitView::rightButton:
      return &e.rightButton;
    case HitView::lockEnableButton:
      return &e.lockEnableButton;
  }
  return nullptr;
}

bool contains(const Element& e, Point p, double slop) {
  const double hw = e.size.width / 2 + slop;
  const double hh = e.size.height / 2 + slop;
  return p.x >= e.center.x - hw && p.x < e.center.x + hw && p.y >= e.center.y - hh &&
         p.y < e.center.y + hh;
}

Point padOrigin(const MainScreenElements& e, Size window) {
  return {(window.width - e.touchArea.size.width) / 2,
          (window.height - e.touchArea.size.height) / 2};
}

void layoutMainScreen(MainScreenElements& e, Size size, double inset, bool first) {
  // Buttons are placed in window points, then everything is moved into pad points.
  const double w = size.width;
  const double h = size.height;
  const double pw = std::max(0.0, w - 2 * inset);
  const double ph = std::max(0.0, h - 2 * inset);
  const Size old = e.touchArea.size;

  // Buttons scale with the short side, never below a comfortable finger target.
  const double b = std::clamp(std::min(w, h) * 0.12, 44.0, 72.0);
  const double m = std::max(12.0, b * 0.3);
  const double gap = b * 0.25;
  const double left = m + b / 2;
  const double right = w - m - b / 2;
  const double top = m + b / 2;
  const double bottom = h - m - b / 2;
  auto place = [inset](Element& el, double x, double y, Size s) {
    el.center = {x - inset, y - inset};
    el.size = s;
  };

  place(e.touchArea, w / 2, h / 2, {pw, ph});
  place(e.settingsButton, left, top, {b, b});
  place(e.lockEnableButton, left, top + b + gap, {b, b});
  place(e.modeButton, right, top, {b, b});
  place(e.pinButton, right, top + b + gap, {b, b});
  place(e.rightButton, right, bottom, {b, b});
  place(e.leftButton, right - b - gap, bottom, {b, b});
  // The lock view is a larger pad of its own in the bottom-left corner, easy to hold.
  const double lv = b * 1.6;
  place(e.lockView, m + lv / 2, h - m - lv / 2, {lv, lv});
  e.lockUp.center = e.lockDown.center = e.lockView.center;
  e.lockUp.size = e.lockDown.size = e.lockView.size;

  // The crosshair. The painters move all three centres on both axes, so each line is twice
  // as long as the pad: wherever its centre goes on the pad, the line still crosses it all.
  // The target keeps the size the z painter gave it.
  constexpr double kLine = 4;
  if (first || old.width <= 0 || old.height <= 0) {
    place(e.verticalLine, w / 2, h / 2, {kLine, 2 * ph});
    place(e.horizontalLine, w / 2, h / 2, {2 * pw, kLine});
    place(e.target, w / 2, h / 2, {0, 0});
    // The images the controller never changes, as a screen layout file would give them.
    e.settingsButton.image = "settings";
    e.leftButton.image = "arrow_left";
    e.rightButton.image = "arrow_right";
    e.target.image = "target";
    e.lockUp.image = "lockUp";
    e.lockDown.image = "lockDown";
  } else {
    const double sx = pw / old.width;
    const double sy = ph / old.height;
    for (Element* el : {&e.verticalLine, &e.horizontalLine, &e.target}) {
      el->center = {el->center.x * sx, el->center.y * sy};
    }
    e.verticalLine.size = {kLine, 2 * ph};
    e.horizontalLine.size = {2 * pw, kLine};
  }
}

HitView hitTest(const MainScreenElements& e, Point p) {
  constexpr std::array kButtons{HitView::settingsButton, HitView::modeButton,
                                HitView::pinButton,      HitView::leftButton,
                                HitView::rightButton,    HitView::lockEnableButton};
  for (HitView v : kButtons) {
    const Element& el = *elementFor(e, v);
    if (!el.hidden && contains(el, p)) return v;
  }
  if (!e.lockView.hidden && contains(e.lockView, p)) return HitView::lockView;
  if (contains(e.touchArea, p)) return HitView::pad;
  return HitView::other;
}

}  // namespace vora
