#include "adapters/sdl2/render_thread.h"

#include <chrono>
#include <utility>

namespace vora {

namespace {
constexpr auto kFrame = std::chrono::nanoseconds(1'000'000'000 / 60);
}

RenderThread::RenderThread(SDL_Window* window, SDL_GLContext context, std::function<void()> draw,
                           std::function<void()> frameDone, std::function<void()> finish)
    : window_(window),
      context_(context),
      draw_(std::move(draw)),
      frameDone_(std::move(frameDone)),
      finish_(std::move(finish)),
      thread_([this] { run(); }) {}

RenderThread::~RenderThread() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void RenderThread::setVisible(bool visible) {
  {
    std::lock_guard lock(mutex_);
    visible_ = visible;
  }
  wake_.notify_all();
}

void RenderThread::run() {
  SDL_GL_MakeCurrent(window_, context_);
  // Adaptive sync first, then plain vsync; where neither exists the pacing below holds 60.
  if (SDL_GL_SetSwapInterval(-1) != 0) SDL_GL_SetSwapInterval(1);
  using Clock = std::chrono::steady_clock;
  auto next = Clock::now();
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stop_ || visible_; });
      if (stop_) break;
    }
    draw_();
    SDL_GL_SwapWindow(window_);
    frames_.fetch_add(1);
    frameDone_();
    next += kFrame;
    const auto now = Clock::now();
    if (next > now) {
      std::unique_lock lock(mutex_);
      wake_.wait_until(lock, next, [this] { return stop_; });
    } else if (now - next > kFrame) {
      next = now;  // fell behind (a slow frame): start counting again from here
    }
  }
  if (finish_) finish_();
  SDL_GL_MakeCurrent(window_, nullptr);
}

}  // namespace vora
