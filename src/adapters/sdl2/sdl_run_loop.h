#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "core/platform/run_loop.h"

union SDL_Event;

namespace vora {

/// The windowed app's main run loop: a steady clock, repeating timers and tasks, woken from
/// other threads through SDL's event queue so that one wait serves both events and work.
/// The owner calls runDue() and then waits for events at most untilNextDue().
class SdlRunLoop final : public RunLoop {
 public:
  /// Needs SDL's event system initialised (it registers one event type for wake-ups).
  SdlRunLoop();

  TimePoint now() const override;
  void scheduleRepeating(Duration interval, std::function<void()> fn) override;
  void postDelayed(Duration delay, std::function<void()> fn) override;
  void post(std::function<void()> fn) override;

  /// Runs every timer tick and task due now, in order of due time, ticks before tasks due at
  /// the same time. A timer that fell behind fires once and skips the ticks it missed, so the
  /// sampler keeps its rate instead of bursting after a stall.
  void runDue();
  /// Time until the next tick or task is due (zero when one is due now); none when idle.
  std::optional<Duration> untilNextDue() const;
  /// Waits for the next event (true, with it in event) or for work to fall due (false), at
  /// most idleLimit when nothing is scheduled. Wakes within a fraction of a millisecond of
  /// the due time, where SDL alone waits in whole milliseconds.
  bool waitEvent(SDL_Event& event, Duration idleLimit = std::chrono::milliseconds(100));
  /// The SDL event type that only wakes the loop; the event handler ignores it.
  std::uint32_t wakeEventType() const { return wakeEvent_; }

 private:
  using Clock = std::chrono::steady_clock;
  struct Timer {
    Duration interval;
    TimePoint next;
    std::function<void()> fn;
  };
  struct Task {
    TimePoint due;
    std::uint64_t seq;
    std::function<void()> fn;
  };
  void wake();

  const Clock::time_point start_ = Clock::now();
  std::uint32_t wakeEvent_;
  std::atomic<bool> wakePending_{false};
  mutable std::mutex mutex_;
  std::deque<Timer> timers_;  // timers are never removed: a running fn stays put
  std::vector<Task> tasks_;
  std::uint64_t nextSeq_ = 0;
};

}  // namespace vora
