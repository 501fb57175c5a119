#pragma once

#include <memory>
#include <span>

namespace vora {

/// A point or size in pad points (origin top left, y down, unless a member says otherwise).
struct Point {
  double x = 0;
  double y = 0;
  bool operator==(const Point&) const = default;
};
struct Size {
  double width = 0;
  double height = 0;
  bool operator==(const Size&) const = default;
};

/// The view a touch began in.
enum class TouchView { pad, lock, other };

/// Finger or stylus; the raw values are the platform's touch types.
enum class TouchType { direct = 0, pencil = 2 };

/// One finger on the screen, alive from its begin to its end. The platform layer owns it,
/// updates it in place before each event, and never reuses it for another finger; the
/// controller compares touches by identity (the pointer) and may keep references to them.
struct Touch {
  TouchView view = TouchView::pad;  ///< where the touch began; kept for its later events
  Point location;                   ///< in the pad area, in points
  Point preciseLocation;            ///< the same, as precisely as the platform knows it
  double force = 0;
  double maximumPossibleForce = 6.666667;
  TouchType type = TouchType::direct;
};

using TouchRef = std::shared_ptr<Touch>;
/// One event's set of touches, in the order the platform yields them.
using TouchSet = std::span<const TouchRef>;

}  // namespace vora
