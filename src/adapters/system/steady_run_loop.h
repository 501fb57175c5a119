#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "core/platform/run_loop.h"

namespace vora {

/// The main thread's run loop on the monotonic clock. Repeating timers keep to their grid
/// (each due time is the previous one plus the interval); a timer that fell a whole
/// interval or more behind skips the ticks it missed rather than running them in a burst.
/// Work due at the same moment runs timer ticks first, then tasks in the order posted.
/// Everything but post() and stop() belongs to the loop's thread.
class SteadyRunLoop final : public RunLoop {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  /// The loop's clock starts now. clock replaces steady_clock::now, for tests of ordering
  /// through runDue(); run() and runFor() wait on the real clock.
  explicit SteadyRunLoop(Clock clock = std::chrono::steady_clock::now);

  TimePoint now() const override;
  void scheduleRepeating(Duration interval, std::function<void()> fn) override;
  void postDelayed(Duration delay, std::function<void()> fn) override;
  void post(std::function<void()> fn) override;

  /// Runs work as it falls due until stop().
  void run();
  /// Runs work as it falls due for d, or until stop().
  void runFor(Duration d);
  /// Makes run() or runFor() return once the work due now has run. Any thread. A stop
  /// asked for while the loop is not running ends the next run at once.
  void stop();

  /// Called from post() and postDelayed() on the posting thread, after the work is queued,
  /// so that a window's event wait can be woken. Set before other threads post.
  void setWakeup(std::function<void()> fn);

  /// How long until the next work falls due: zero when something is due, nothing when no
  /// work is scheduled at all.
  std::optional<Duration> timeUntilNextDue() const;
  /// Runs every tick and task due now, in due order, each once, and returns. Work that
  /// becomes due while it runs (a task posting a task) waits for the next call.
  void runDue();

 private:
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

  TimePoint nowLocked() const;
  std::optional<TimePoint> nextDueLocked() const;
  void runUntil(std::optional<TimePoint> deadline);

  Clock clock_;
  std::chrono::steady_clock::time_point start_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Timer> timers_;  // a deque: a running timer stays put when another is added
  std::vector<Task> tasks_;
  std::uint64_t nextSeq_ = 0;
  bool stopRequested_ = false;
  std::function<void()> wakeup_;
};

}  // namespace vora
