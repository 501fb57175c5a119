#pragma once

#include <chrono>
#include <functional>

namespace vora {

/// Time on a run loop's clock, measured from the loop's start.
using Duration = std::chrono::nanoseconds;
using TimePoint = Duration;

/// The main thread's run loop: its clock, repeating timers, delayed tasks and a
/// thread-safe post. The core never sleeps or starts threads; it is handed work here.
class RunLoop {
 public:
  virtual ~RunLoop() = default;

  /// Current time of the loop's clock (monotonic, from the loop's start).
  virtual TimePoint now() const = 0;

  /// Calls fn on the loop's thread every interval, the first time one interval from now,
  /// for the rest of the run.
  virtual void scheduleRepeating(Duration interval, std::function<void()> fn) = 0;

  /// Calls fn once on the loop's thread, delay from now.
  virtual void postDelayed(Duration delay, std::function<void()> fn) = 0;

  /// Calls fn on the loop's thread as soon as it can. Safe to call from any thread.
  virtual void post(std::function<void()> fn) = 0;
};

}  // namespace vora
