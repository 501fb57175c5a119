#include "adapters/system/steady_run_loop.h"

#include <algorithm>
#include <cassert>
#include <utility>

namespace vora {

SteadyRunLoop::SteadyRunLoop(Clock clock) : clock_(std::move(clock)), start_(clock_()) {}

TimePoint SteadyRunLoop::now() const {
  std::lock_guard lock(mutex_);
  return nowLocked();
}

TimePoint SteadyRunLoop::nowLocked() const {
  return std::chrono::duration_cast<Duration>(clock_() - start_);
}

void SteadyRunLoop::scheduleRepeating(Duration interval, std::function<void()> fn) {
  assert(interval > Duration{0} && "a repeating timer needs a positive interval");
  interval = std::max(interval, Duration{1});
  {
    std::lock_guard lock(mutex_);
    timers_.push_back(Timer{interval, nowLocked() + interval, std::move(fn)});
  }
  wake_.notify_all();
}

void SteadyRunLoop::postDelayed(Duration delay, std::function<void()> fn) {
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back(Task{nowLocked() + std::max(delay, Duration{0}), nextSeq_++, std::move(fn)});
  }
  wake_.notify_all();
  if (wakeup_) wakeup_();
}

void SteadyRunLoop::post(std::function<void()> fn) { postDelayed(Duration{0}, std::move(fn)); }

void SteadyRunLoop::setWakeup(std::function<void()> fn) { wakeup_ = std::move(fn); }

void SteadyRunLoop::stop() {
  {
    std::lock_guard lock(mutex_);
    stopRequested_ = true;
  }
  wake_.notify_all();
}

std::optional<TimePoint> SteadyRunLoop::nextDueLocked() const {
  std::optional<TimePoint> due;
  for (const Timer& t : timers_) {
    if (!due || t.next < *due) due = t.next;
  }
  for (const Task& t : tasks_) {
    if (!due || t.due < *due) due = t.due;
  }
  return due;
}

std::optional<Duration> SteadyRunLoop::timeUntilNextDue() const {
  std::lock_guard lock(mutex_);
  const std::optional<TimePoint> due = nextDueLocked();
  if (!due) return std::nullopt;
  return std::max(*due - nowLocked(), Duration{0});
}

void SteadyRunLoop::runDue() {
  std::unique_lock lock(mutex_);
  const TimePoint cutoff = nowLocked();
  const std::uint64_t seqCutoff = nextSeq_;
  for (;;) {
    Timer* timer = nullptr;
    for (Timer& t : timers_) {
      if (t.next <= cutoff && (timer == nullptr || t.next < timer->next)) timer = &t;
    }
    auto task = tasks_.end();
    for (auto it = tasks_.begin(); it != tasks_.end(); ++it) {
      if (it->due > cutoff || it->seq >= seqCutoff) continue;
      if (task == tasks_.end() || it->due < task->due ||
          (it->due == task->due && it->seq < task->seq)) {
        task = it;
      }
    }
    if (timer == nullptr && task == tasks_.end()) return;

    if (timer != nullptr && (task == tasks_.end() || timer->next <= task->due)) {
      // Keep to the grid; a tick a whole interval late or more skips what it missed, so
      // the callback never sees two ticks in a row with no time between them.
      const TimePoint current = nowLocked();
      timer->next += timer->interval;
      if (timer->next <= current) {
        timer->next += ((current - timer->next) / timer->interval + 1) * timer->interval;
      }
      // Timers are never removed and live in a deque, so fn stays put while it runs.
      auto& fn = timer->fn;
      lock.unlock();
      fn();
      lock.lock();
    } else {
      auto fn = std::move(task->fn);
      tasks_.erase(task);
      lock.unlock();
      fn();
      lock.lock();
    }
  }
}

void SteadyRunLoop::run() { runUntil(std::nullopt); }

void SteadyRunLoop::runFor(Duration d) { runUntil(now() + d); }

void SteadyRunLoop::runUntil(std::optional<TimePoint> deadline) {
  for (;;) {
    runDue();
    std::unique_lock lock(mutex_);
    if (stopRequested_) {
      stopRequested_ = false;
      return;
    }
    const TimePoint current = nowLocked();
    if (deadline && current >= *deadline) return;
    std::optional<TimePoint> wakeAt = nextDueLocked();
    if (deadline && (!wakeAt || *deadline < *wakeAt)) wakeAt = deadline;
    if (wakeAt && *wakeAt <= current) continue;
    // A post or a stop notifies; the loop looks again either way.
    if (wakeAt) {
      wake_.wait_until(lock, start_ + *wakeAt);
    } else {
      wake_.wait(lock);
    }
  }
}

}  // namespace vora
