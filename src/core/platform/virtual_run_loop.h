#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "core/platform/run_loop.h"

namespace vora {

/// A run loop whose clock moves only when told to: the headless player and the tests.
/// Work due at the same moment runs timer ticks first, then tasks in the order posted.
class VirtualRunLoop final : public RunLoop {
 public:
  TimePoint now() const override;
  void scheduleRepeating(Duration interval, std::function<void()> fn) override;
  void postDelayed(Duration delay, std::function<void()> fn) override;
  void post(std::function<void()> fn) override;

  /// Runs every tick and task due at or before t, each with the clock at its due time,
  /// then leaves the clock at t. t earlier than now() only runs what is already due.
  void advanceTo(TimePoint t);

  /// advanceTo(now() + d).
  void advanceBy(Duration d) { advanceTo(now() + d); }

  /// Runs what is due now (tasks posted for "as soon as possible" included).
  void runDue() { advanceTo(now()); }

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

  mutable std::mutex mutex_;  // guards now_ and tasks_ against posts from other threads
  TimePoint now_{0};
  std::deque<Timer> timers_;  // a deque: a running timer stays put when another is added
  std::vector<Task> tasks_;   // a heap: the front is due first
  std::uint64_t nextSeq_ = 0;
};

}  // namespace vora
