#pragma once

#include <SDL.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace vora {

/// The thread that owns the GL context and draws. Frames are paced by the display (swap
/// interval 1) and never faster than 60 a second, also where the swap does not wait (a
/// virtual display). A slow frame delays only this thread: touches, ticks and MIDI run on the
/// main thread and never wait for a frame.
class RenderThread {
 public:
  /// draw renders one frame into the current context; frameDone runs after each swap (on the
  /// render thread: it should only post); finish runs last, with the context still current,
  /// to free what draw made. The context must be current on no thread.
  RenderThread(SDL_Window* window, SDL_GLContext context, std::function<void()> draw,
               std::function<void()> frameDone, std::function<void()> finish = {});
  /// Stops after the frame in progress and releases the context.
  ~RenderThread();
  RenderThread(const RenderThread&) = delete;
  RenderThread& operator=(const RenderThread&) = delete;

  /// While not visible (minimised), no frames are drawn.
  void setVisible(bool visible);
  /// Frames drawn so far.
  long frames() const { return frames_.load(); }

 private:
  void run();

  SDL_Window* window_;
  SDL_GLContext context_;
  std::function<void()> draw_;
  std::function<void()> frameDone_;
  std::function<void()> finish_;
  std::atomic<long> frames_{0};
  std::mutex mutex_;
  std::condition_variable wake_;
  bool visible_ = true;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace vora
