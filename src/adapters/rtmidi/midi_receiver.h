#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
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
///
/// The queue is a ring made once, so that a stream of controllers allocates nothing. A long
/// message (SysEx) or a flood that outruns the listener takes heap memory, and nothing is
/// lost either way.
class MidiReceiver {
 public:
  /// Messages the ring holds before a flood spills to the heap.
  static constexpr std::size_t kRingLength = 1024;
  /// Messages up to this length are kept in the ring itself.
  static constexpr std::size_t kShortMessage = 16;

  /// Starts the thread; messages go to listener until destruction.
  explicit MidiReceiver(MidiListener& listener);
  /// Stops the thread; messages not yet delivered are dropped.
  ~MidiReceiver();
  MidiReceiver(const MidiReceiver&) = delete;
  MidiReceiver& operator=(const MidiReceiver&) = delete;

  /// Queues one incoming message. Safe from any thread.
  void push(std::span<const std::uint8_t> bytes);

 private:
  struct Message {
    std::size_t size = 0;
    std::array<std::uint8_t, kShortMessage> bytes{};
    std::vector<std::uint8_t> longBytes;  // a message longer than bytes holds
  };
  void run();

  MidiListener& listener_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::vector<Message> ring_;
  std::size_t head_ = 0, count_ = 0;
  // Once the ring is full, later messages wait here until it is empty again: the ring's
  // messages are always the older ones.
  std::deque<std::vector<std::uint8_t>> spill_;
  bool stopping_ = false;
  std::thread thread_;  // last: starts once everything above exists
};

}  // namespace vora
