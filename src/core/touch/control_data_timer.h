#pragma once

#include <chrono>
#include <functional>

#include "core/platform/run_loop.h"

namespace vora {

/// The fixed-rate sampler: 100 times a second it smooths the distance the active finger
/// moved into a speed and the gate target into an envelope, and hands both to its callback.
/// Runs on the main run loop; never stops.
class ControlDataTimer {
 public:
  /// The tick interval as the run loop counts it (the same as `interval`).
  static constexpr std::chrono::milliseconds kTick{10};

  /// Starts ticking at once, every interval, on loop. The loop keeps a reference to this
  /// sampler for the rest of the run.
  explicit ControlDataTimer(RunLoop& loop);
  ControlDataTimer(const ControlDataTimer&) = delete;
  ControlDataTimer& operator=(const ControlDataTimer&) = delete;

  /// One tick. Allocates nothing beyond what the installed callback does.
  void timerUpdate();

  const double interval = 0.01;    ///< seconds
  const double speedLag = 0.7;     ///< weight of the new distance in the speed filter
  const double gateLag = 0.3;      ///< weight of the gate target in the gate filter
  double speed = 0;                ///< filtered distance per tick, pad units (1 = pad side)
  double gateSmooth = 0;           ///< filtered gate, 0..1
  double gateCurrent = 0;          ///< gate target, 1.0 while a finger holds the pad
  bool zeroFlag = false;           ///< the next tick reports zero speed
  double xPrev = 0, xCurrent = 0;  ///< x at the previous tick and now, 0..1
  double yPrev = 0, yCurrent = 0;  ///< y at the previous tick and now, 0..1
  /// Receives (shaped speed 0..1, smoothed gate 0..1) every tick once installed.
  std::function<void(double, double)> updateCallback;
};

}  // namespace vora
