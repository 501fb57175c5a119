#include "core/touch/control_data_timer.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace vora {

ControlDataTimer::ControlDataTimer(RunLoop& loop) {
  loop.scheduleRepeating(std::chrono::milliseconds(10), [this] { timerUpdate(); });
}

void ControlDataTimer::timerUpdate() {
  const double dx = xCurrent - xPrev;
  const double dy = yCurrent - yPrev;
  speed = speed * (1 - speedLag) + speedLag * std::sqrt(dx * dx + dy * dy);
  if (zeroFlag) {
    speed = 0;
    zeroFlag = false;
  }
  gateSmooth = gateSmooth * (1 - gateLag) + gateLag * gateCurrent;
  xPrev = xCurrent;
  yPrev = yCurrent;
  if (updateCallback) {
    double value = std::min(1.0, std::pow(speed * 11, 0.7));
    if (!(value > 0)) value = 0;
    updateCallback(value, gateSmooth);
  }
}

}  // namespace vora
