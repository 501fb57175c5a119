#include "adapters/rtmidi/midi_receiver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <limits>
#include <mutex>
#include <vector>

namespace vora {
namespace {

/// Stops the receiving thread inside a delivery once it has delivered `limit` messages,
/// until the limit is raised, so that what is pushed meanwhile piles up in the queue.
class HeldListener final : public MidiListener {
 public:
  void receivedMessage(std::span<const std::uint8_t> bytes) override {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return messages.size() < limit; });
    messages.emplace_back(bytes.begin(), bytes.end());
    changed.notify_all();
  }
  void setupChanged() override {}

  void allow(std::size_t count) {
    std::lock_guard lock(mutex);
    limit = count;
    changed.notify_all();
  }
  bool waitFor(std::size_t count) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(20),
                            [&] { return messages.size() >= count; });
  }

  std::mutex mutex;
  std::condition_variable changed;
  std::size_t limit = 0;
  std::vector<std::vector<std::uint8_t>> messages;
};

// A flood larger than the ring, with SysEx of every length around the ring's inline size
// among the controllers: nothing lost, nothing reordered, every byte as sent; also for
// messages that arrive when the ring has room again but spilled ones still wait.
TEST(MidiReceiver, FloodPastTheRingAndLongMessagesArriveWholeAndInOrder) {
  HeldListener listener;
  std::vector<std::vector<std::uint8_t>> sent;
  {
    MidiReceiver receiver(listener);
    auto push = [&](std::size_t i) {
      std::vector<std::uint8_t> m{0xB0, static_cast<std::uint8_t>(i % 128),
                                  static_cast<std::uint8_t>((i / 128) % 128)};
      if (i % 97 == 0) {
        m.assign(MidiReceiver::kShortMessage - 2 + (i / 97) % 5,
                 static_cast<std::uint8_t>(i % 128));
        m.front() = 0xF0;
        m.back() = 0xF7;
      }
      receiver.push(m);
      sent.push_back(std::move(m));
    };
    std::size_t i = 0;
    for (; i < 2 * MidiReceiver::kRingLength; ++i) push(i);
    listener.allow(10);
    ASSERT_TRUE(listener.waitFor(10));
    for (; i < 3 * MidiReceiver::kRingLength; ++i) push(i);
    listener.allow(std::numeric_limits<std::size_t>::max());
    ASSERT_TRUE(listener.waitFor(sent.size()));
  }
  EXPECT_EQ(listener.messages, sent);
}

}  // namespace
}  // namespace vora
