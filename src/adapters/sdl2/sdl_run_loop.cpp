#include "adapters/sdl2/sdl_run_loop.h"

#include <SDL.h>

#include <algorithm>
#include <cassert>
#include <thread>
#include <utility>

namespace vora {

SdlRunLoop::SdlRunLoop() : wakeEvent_(SDL_RegisterEvents(1)) {
  assert(wakeEvent_ != static_cast<std::uint32_t>(-1) && "SDL has no user event left");
}

TimePoint SdlRunLoop::now() const {
  return std::chrono::duration_cast<Duration>(Clock::now() - start_);
}

void SdlRunLoop::scheduleRepeating(Duration interval, std::function<void()> fn) {
  assert(interval > Duration{0} && "a repeating timer needs a positive interval");
  interval = std::max(interval, Duration{1});
  {
    std::lock_guard lock(mutex_);
    timers_.push_back(Timer{interval, now() + interval, std::move(fn)});
  }
  wake();
}

void SdlRunLoop::postDelayed(Duration delay, std::function<void()> fn) {
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back(Task{now() + std::max(delay, Duration{0}), nextSeq_++, std::move(fn)});
  }
  wake();
}

void SdlRunLoop::post(std::function<void()> fn) { postDelayed(Duration{0}, std::move(fn)); }

void SdlRunLoop::wake() {
  // One wake-up in the queue is enough: the loop runs everything due when it sees it.
  if (wakePending_.exchange(true)) return;
  SDL_Event event{};
  event.type = wakeEvent_;
  if (SDL_PushEvent(&event) != 1) wakePending_ = false;
}

void SdlRunLoop::runDue() {
  wakePending_ = false;
  const TimePoint until = now();
  for (;;) {
    std::unique_lock lock(mutex_);
    constexpr auto kNever = TimePoint::max();
    Timer* timer = nullptr;
    TimePoint timerDue = kNever;
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
    if (std::min(timerDue, taskDue) > until) return;
    if (timer != nullptr && timerDue <= taskDue) {
      timer->next += timer->interval;
      while (timer->next <= until) timer->next += timer->interval;
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

std::optional<Duration> SdlRunLoop::untilNextDue() const {
  std::lock_guard lock(mutex_);
  std::optional<TimePoint> next;
  for (const auto& t : timers_) next = next ? std::min(*next, t.next) : t.next;
  for (const auto& t : tasks_) next = next ? std::min(*next, t.due) : t.due;
  if (!next) return std::nullopt;
  return std::max(Duration{0}, *next - now());
}

bool SdlRunLoop::waitEvent(SDL_Event& event, Duration idleLimit) {
  using std::chrono::milliseconds;
  // The last millisecond before the due time goes in short sleeps between looks at the
  // event queue: SDL's wait would overshoot to the next whole millisecond, and a plain
  // sleep would leave a touch waiting.
  constexpr auto kShortSleep = std::chrono::microseconds(200);
  const TimePoint deadline = now() + untilNextDue().value_or(idleLimit);
  for (;;) {
    const Duration left = deadline - now();
    if (left <= Duration{0}) return false;
    if (left >= milliseconds(1)) {
      const auto ms = std::chrono::floor<milliseconds>(left).count();
      if (SDL_WaitEventTimeout(&event, static_cast<int>(std::min<std::int64_t>(ms, 1000))) != 0) {
        return true;
      }
    } else {
      if (SDL_PollEvent(&event) != 0) return true;
      std::this_thread::sleep_for(std::min<Duration>(left, kShortSleep));
    }
  }
}

}  // namespace vora
