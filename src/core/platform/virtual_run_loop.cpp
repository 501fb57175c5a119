#include "core/platform/virtual_run_loop.h"

#include <algorithm>
#include <cassert>
#include <limits>
#include <utility>

namespace vora {

TimePoint VirtualRunLoop::now() const {
  std::lock_guard lock(mutex_);
  return now_;
}

void VirtualRunLoop::scheduleRepeating(Duration interval, std::function<void()> fn) {
  assert(interval > Duration{0} && "a repeating timer needs a positive interval");
  // A zero interval would make advanceTo spin forever at one instant.
  interval = std::max(interval, Duration{1});
  std::lock_guard lock(mutex_);
  timers_.push_back(Timer{interval, now_ + interval, std::move(fn)});
}

void VirtualRunLoop::postDelayed(Duration delay, std::function<void()> fn) {
  std::lock_guard lock(mutex_);
  tasks_.push_back(Task{now_ + std::max(delay, Duration{0}), nextSeq_++, std::move(fn)});
}

void VirtualRunLoop::post(std::function<void()> fn) { postDelayed(Duration{0}, std::move(fn)); }

void VirtualRunLoop::advanceTo(TimePoint t) {
  // The clock never goes back: an earlier t still runs what is due now.
  t = std::max(t, now());
  for (;;) {
    std::unique_lock lock(mutex_);
    constexpr auto kNever = TimePoint::max();
    TimePoint timerDue = kNever;
    Timer* timer = nullptr;
    for (auto& candidate : timers_) {
      if (candidate.next < timerDue) {
        timerDue = candidate.next;
        timer = &candidate;
      }
    }
    auto task = std::min_element(tasks_.begin(), tasks_.end(), [](const Task& a, const Task& b) {
      return a.due != b.due ? a.due < b.due : a.seq < b.seq;
    });
    const TimePoint taskDue = task == tasks_.end() ? kNever : task->due;
    const TimePoint due = std::min(timerDue, taskDue);
    if (due > t || due == kNever) {
      now_ = std::max(now_, t);
      return;
    }
    now_ = std::max(now_, due);
    if (timer != nullptr && timerDue <= taskDue) {
      timer->next += timer->interval;
      // Timers are never removed and live in a deque, so fn stays put while it runs.
      auto& fn = timer->fn;
      lock.unlock();
      fn();
    } else {
      auto fn = std::move(task->fn);
      tasks_.erase(task);
      lock.unlock();
      fn();
    }
  }
}

}  // namespace vora
