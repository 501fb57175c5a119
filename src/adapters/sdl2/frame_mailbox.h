#pragma once

#include <mutex>
#include <utility>

namespace vora {

/// Hands the newest frame from the main thread to the render thread without either waiting
/// for the other: three buffers, one being written, one ready, one being drawn. Buffers are
/// reused, so a frame type that keeps its capacity allocates nothing once warm.
template <typename T>
class FrameMailbox {
 public:
  /// Main thread: the buffer to fill for the next frame.
  T& back() { return buffers_[back_]; }
  /// Main thread: makes the filled buffer the newest ready frame; an older ready frame that was
  /// never drawn is dropped (its buffer is written next).
  void publish() {
    std::lock_guard lock(mutex_);
    std::swap(back_, ready_);
    fresh_ = true;
  }
  /// Render thread: takes the newest ready frame if there is one; false keeps the last one.
  bool acquire() {
    std::lock_guard lock(mutex_);
    if (!fresh_) return false;
    std::swap(front_, ready_);
    fresh_ = false;
    return true;
  }
  /// Render thread: the frame to draw (the last acquired).
  const T& front() const { return buffers_[front_]; }

 private:
  std::mutex mutex_;
  T buffers_[3]{};
  int back_ = 0, ready_ = 1, front_ = 2;
  bool fresh_ = false;
};

}  // namespace vora
