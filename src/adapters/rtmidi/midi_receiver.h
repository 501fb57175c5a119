#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "core/platform/midi_port.h"

namespace vora {

/// Vora's MIDI receiving thread. The MIDI systems deliver on threads of their own (one per
/// ALSA input, JACK's process thread); JACK forbids opening clients or connections there,
/// and an incoming controller 0 does exactly that. So what arrives is queued and handed to
/// the listener here, one message at a time, in arrival order.
class MidiReceiver {
 public:
  /// Starts the thread; messages go to listener until destruction.
  explicit MidiReceiver(MidiListener& listener);
  /// Stops the thread; messages not yet delivered are dropped.
  ~MidiReceiver();
  MidiReceiver(const MidiReceiver&) = delete;
  MidiReceiver& operator=(const MidiReceiver&) = delete;

  /// Queues one incoming message. Safe from any thread.
  void push(std::span<const std::uint8_t> bytes);

 private:
  void run();

  MidiListener& listener_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::vector<std::uint8_t>> queue_;
  bool stopping_ = false;
  std::thread thread_;  // last: starts once everything above exists
};

}  // namespace vora
