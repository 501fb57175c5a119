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

namespace {

// Orders the task heap so that its front is the task due first (posting order breaks ties).
// A heap, not a scan of every task: a flood of incoming controllers queues a painter each,
// and picking the next one must not cost more the longer the queue grows.
template <typename Task>
bool dueLater(const Task& a, const Task& b) {
  return a.due != b.due ? a.due > b.due : a.seq > b.seq;
}

}  // namespace

void VirtualRunLoop::postDelayed(Duration delay, std::function<void()> fn) {
  std::lock_guard lock(mutex_);
  tasks_.push_back(Task{now_ + std::max(delay, Duration{0}), nextSeq_++, std::move(fn)});
  std::push_heap(tasks_.begin(), tasks_.end(), dueLater<Task>);
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
    const TimePoint taskDue = tasks_.empty() ? kNever : tasks_.front().due;
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
      std::pop_heap(tasks_.begin(), tasks_.end(), dueLater<Task>);
      auto fn = std::move(tasks_.back().fn);
      tasks_.pop_back();
      lock.unlock();
      fn();
    }
  }
}

}  // namespace vora
