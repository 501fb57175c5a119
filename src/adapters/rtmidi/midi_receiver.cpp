#include "adapters/rtmidi/midi_receiver.h"

#include <utility>

namespace vora {

MidiReceiver::MidiReceiver(MidiListener& listener)
    : listener_(listener), thread_([this] { run(); }) {}

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
    queue_.emplace_back(bytes.begin(), bytes.end());
  }
  wake_.notify_one();
}

void MidiReceiver::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (stopping_) return;
    std::vector<std::uint8_t> message = std::move(queue_.front());
    queue_.pop_front();
    lock.unlock();
    listener_.receivedMessage(message);
    lock.lock();
  }
}

}  // namespace vora
