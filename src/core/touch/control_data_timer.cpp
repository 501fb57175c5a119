#include "core/touch/control_data_timer.h"

#include <algorithm>
#include <cmath>

namespace vora {

ControlDataTimer::ControlDataTimer(RunLoop& loop) {
  loop.scheduleRepeating(kTick, [this] { timerUpdate(); });
}

void ControlDataTimer::timerUpdate() {
  const double dx = xCurrent - xPrev;
  const double dy = yCurrent - yPrev;
  speed = speed * (1 - speedLag) + speedLag * std::sqrt(dx * dx + dy * dy);
  // A new or handed-over finger jumps; the jump is not speed. The previous position
  // still catches up below.
  if (zeroFlag) {
    speed = 0;
    zeroFlag = false;
  }
  gateSmooth = gateSmooth * (1 - gateLag) + gateLag * gateCurrent;
  xPrev = xCurrent;
  yPrev = yCurrent;
  if (updateCallback) {
    const double shaped = std::pow(speed * 11, 0.7);
    updateCallback(shaped > 0 ? std::min(1.0, shaped) : 0.0, gateSmooth);
  }
}

}  // namespace vora
