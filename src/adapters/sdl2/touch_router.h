#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "adapters/sdl2/main_screen_layout.h"
#include "core/touch/touch.h"

namespace vora {

/// Where the router sends what it decides: touch sets for the main screen's controller and
/// button actions.
class MainScreenInput {
 public:
  virtual ~MainScreenInput() = default;
  virtual void touchesBegan(TouchSet touches) = 0;
  virtual void touchesMoved(TouchSet touches) = 0;
  virtual void touchesEnded(TouchSet touches) = 0;
  virtual void touchesCancelled(TouchSet touches) = 0;
  /// A button was tapped: pressed and released inside it.
  virtual void buttonTapped(HitView button) = 0;
};

/// One pointer: a finger of a touch device, or the mouse (one finger, down while the left
/// button is held).
struct PointerId {
  std::int64_t device = 0;
  std::int64_t finger = 0;
  bool operator==(const PointerId&) const = default;
};
/// The mouse's device id; no touch device uses it.
inline constexpr std::int64_t kMouseDevice = -0x6d6f757365;

/// Turns pointers into touches and taps, as a touch screen's view layer does: a pointer that
/// lands on a button belongs to that button until it lifts (the button fires when it lifts
/// inside it); every other pointer becomes a Touch whose view is where it began, delivered to
/// the controller as one-touch sets. Main thread only; allocates nothing once warm.
class TouchRouter {
 public:
  /// Reads the elements for hit testing at each pointer-down; sends to input.
  TouchRouter(const MainScreenElements& elements, MainScreenInput& input);

  /// Where the pad's top-left corner lies in the window, in window points.
  void setPadOrigin(Point origin) { origin_ = origin; }

  /// p in window points; touches carry it in pad points.
  void pointerDown(PointerId id, Point p, double force = 0, double maxForce = 0);
  void pointerMoved(PointerId id, Point p, double force = 0, double maxForce = 0);
  void pointerUp(PointerId id, Point p);
  /// The system took the pointer away (focus lost, a window covering the pad).
  void pointerCancelled(PointerId id);
  /// Cancels every pointer that is down.
  void cancelAll();

  /// The button a pointer is holding down right now, for drawing it pressed; other if none.
  bool isHeld(HitView button) const;
  /// True while any pointer is down.
  bool anyDown() const;

  /// Most pointers followed at once; a further one is ignored until one lifts.
  static constexpr std::size_t kMaxPointers = 20;

 private:
  struct Slot {
    bool active = false;
    PointerId id;
    HitView view = HitView::other;
    bool insideButton = false;
    TouchRef touch;
  };
  Slot* find(PointerId id);
  TouchRef freshTouch();
  void update(Touch& t, Point p, double force, double maxForce);

  Point toPad(Point p) const { return {p.x - origin_.x, p.y - origin_.y}; }

  const MainScreenElements& elements_;
  MainScreenInput& input_;
  Point origin_;
  std::array<Slot, kMaxPointers> slots_{};
  /// Touch objects made ahead; one is reused only once nobody but the pool holds it, so the
  /// controller never sees an old touch come back as a new finger.
  std::vector<TouchRef> pool_;
};

}  // namespace vora
