#include "adapters/rtmidi/midi_receiver.h"

#include <algorithm>
#include <utility>

namespace vora {

MidiReceiver::MidiReceiver(MidiListener& listener)
    : listener_(listener), ring_(kRingLength), thread_([this] { run(); }) {}

MidiReceiver::~MidiReceiver() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void MidiReceiver::push(std::span<const std::uint8_t> bytes) {
  {
    std::lock_guard lock(mutex_);
    if (count_ == ring_.size() || !spill_.empty()) {
      spill_.emplace_back(bytes.begin(), bytes.end());
    } else {
      Message& m = ring_[(head_ + count_) % ring_.size()];
      m.size = bytes.size();
      if (bytes.size() <= kShortMessage) {
        std::copy(bytes.begin(), bytes.end(), m.bytes.begin());
      } else {
        m.longBytes.assign(bytes.begin(), bytes.end());
      }
      ++count_;
    }
  }
  wake_.notify_one();
}

void MidiReceiver::run() {
  Message current;
  std::vector<std::uint8_t> spilled;
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || count_ > 0 || !spill_.empty(); });
    if (stopping_) return;
    std::span<const std::uint8_t> message;
    if (count_ > 0) {
      Message& m = ring_[head_];
      current.size = m.size;
      if (m.size <= kShortMessage) {
        current.bytes = m.bytes;
        message = std::span(current.bytes.data(), current.size);
      } else {
        current.longBytes.swap(m.longBytes);
        message = current.longBytes;
      }
      head_ = (head_ + 1) % ring_.size();
      --count_;
    } else {
      spilled = std::move(spill_.front());
      spill_.pop_front();
      message = spilled;
    }
    lock.unlock();
    listener_.receivedMessage(message);
    lock.lock();
  }
}

}  // namespace vora
