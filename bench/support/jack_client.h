#pragma once

#include <jack/jack.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace vora::bench {

/// A JACK MIDI client of the benchmark's own, in this process: one output port that sends
/// what it is given at the next period, one input port that notes when each message
/// arrived. Its process callback allocates nothing.
class BenchJackClient {
 public:
  struct Arrival {
    std::int64_t ns;          ///< steady clock when the process callback saw it
    std::uint32_t frameTime;  ///< JACK's frame time of the start of that period
    std::uint32_t offset;     ///< the message's frame offset within the period
    std::array<std::uint8_t, 3> bytes;
  };

  /// Opens client name on the server libjack points at; ok() says whether it worked. A relay
  /// also sends everything that arrives on to its output port, in the same period.
  explicit BenchJackClient(const std::string& name, std::size_t capacity = 1 << 20,
                           bool relay = false);
  ~BenchJackClient();
  BenchJackClient(const BenchJackClient&) = delete;
  BenchJackClient& operator=(const BenchJackClient&) = delete;

  bool ok() const { return client_ != nullptr; }
  std::string inputName() const;
  std::string outputName() const;
  jack_client_t* client() const { return client_; }

  /// Queues a three-byte message for the next period. Any one thread.
  bool send(const std::array<std::uint8_t, 3>& bytes);
  /// Messages that arrived so far.
  std::size_t arrivals() const { return count_.load(std::memory_order_acquire); }
  const Arrival& arrival(std::size_t i) const { return arrivals_[i]; }
  void clearArrivals() { count_.store(0, std::memory_order_release); }

 private:
  static int process(jack_nframes_t frames, void* self);

  jack_client_t* client_ = nullptr;
  jack_port_t* in_ = nullptr;
  jack_port_t* out_ = nullptr;
  bool relay_ = false;
  std::vector<Arrival> arrivals_;
  std::atomic<std::size_t> count_{0};
  // Single producer, single consumer ring of outgoing messages.
  static constexpr std::size_t kRing = 1 << 16;
  std::vector<std::array<std::uint8_t, 3>> ring_;
  std::atomic<std::size_t> head_{0}, tail_{0};
};

}  // namespace vora::bench
