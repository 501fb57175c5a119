#pragma once

// A JACK server of the test's own (tests/support/jack_server.h) and MIDI clients written
// straight on libjack, so the test can send bytes no MIDI library would (truncated, running
// status, real-time bytes in the middle) and see exactly what arrives.
#include <gtest/gtest.h>
#include <jack/jack.h>
#include <jack/midiport.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "reliability/vora_run.h"
#include "support/jack_server.h"

namespace vora::rel {

using Bytes = std::vector<std::uint8_t>;

using test::JackServer;

/// A test with a JACK server of its own, which libjack in this process uses; skipped where
/// jackd cannot start.
class JackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string whyNot;
    server_ = JackServer::start(&whyNot);
    if (!server_) GTEST_SKIP() << "no JACK server can be started here: " << whyNot;
    server_->useInThisProcess();
  }
  std::unique_ptr<JackServer> server_;
};

/// A MIDI client with one output that sends queued events, each as given, as many a period
/// as fit, and one input that keeps every event that arrives.
class RawMidiClient {
 public:
  static std::unique_ptr<RawMidiClient> open(const JackServer& server, const std::string& name,
                                             std::string* whyNot) {
    std::unique_ptr<RawMidiClient> c(new RawMidiClient);
    jack_status_t status{};
    c->client_ = jack_client_open(
        name.c_str(),
        static_cast<jack_options_t>(JackNoStartServer | JackServerName | JackUseExactName), &status,
        server.name().c_str());
    if (c->client_ == nullptr) {
      *whyNot = "jack_client_open " + name + " failed, status " + std::to_string(status);
      return nullptr;
    }
    c->out_ = jack_port_register(c->client_, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    c->in_ = jack_port_register(c->client_, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    jack_set_process_callback(c->client_, &RawMidiClient::process, c.get());
    if (c->out_ == nullptr || c->in_ == nullptr || jack_activate(c->client_) != 0) {
      *whyNot = "cannot set up the JACK client " + name;
      return nullptr;
    }
    c->name_ = name;
    return c;
  }
  ~RawMidiClient() { close(); }
  RawMidiClient(const RawMidiClient&) = delete;
  RawMidiClient& operator=(const RawMidiClient&) = delete;

  /// Leaves the server now, as a device unplugged.
  void close() {
    if (client_ != nullptr) jack_client_close(client_);
    client_ = nullptr;
  }

  std::string outPort() const { return name_ + ":out"; }
  std::string inPort() const { return name_ + ":in"; }

  void queue(Bytes event) {
    std::lock_guard lock(outMutex_);
    queue_.push_back(std::move(event));
  }
  std::size_t pending() {
    std::lock_guard lock(outMutex_);
    return queue_.size();
  }
  /// Events the output could not take at all (larger than a period's buffer).
  std::size_t refused() const { return refused_.load(); }
  /// The largest event the output takes in one period, in bytes (0 before the first period).
  std::size_t maxEventSize() const { return maxEvent_.load(); }
  std::vector<Bytes> received() {
    std::lock_guard lock(inMutex_);
    return received_;
  }

  /// True once the input's connection is in the graph JACK runs, not only asked for: from
  /// the next period on, what the other end sends arrives.
  bool inputConnected() const { return client_ != nullptr && jack_port_connected(in_) > 0; }

  bool connect(const std::string& from, const std::string& to) {
    return client_ != nullptr && jack_connect(client_, from.c_str(), to.c_str()) == 0;
  }

 private:
  RawMidiClient() = default;

  static int process(jack_nframes_t frames, void* arg) {
    auto* self = static_cast<RawMidiClient*>(arg);
    void* out = jack_port_get_buffer(self->out_, frames);
    jack_midi_clear_buffer(out);
    self->maxEvent_.store(jack_midi_max_event_size(out));
    void* in = jack_port_get_buffer(self->in_, frames);
    // What arrives is in the buffer for this period only: it is always taken. The locks are
    // held briefly by the test's threads; a dummy server has no deadline to miss.
    {
      std::lock_guard lock(self->inMutex_);
      const jack_nframes_t count = jack_midi_get_event_count(in);
      for (jack_nframes_t i = 0; i < count; ++i) {
        jack_midi_event_t e;
        if (jack_midi_event_get(&e, in, i) == 0) {
          self->received_.emplace_back(e.buffer, e.buffer + e.size);
        }
      }
    }
    std::lock_guard lock(self->outMutex_);
    jack_nframes_t time = 0;
    while (!self->queue_.empty()) {
      const Bytes& event = self->queue_.front();
      if (event.size() > jack_midi_max_event_size(out)) {
        if (jack_midi_get_event_count(out) > 0) break;  // takes a period of its own
        self->refused_.fetch_add(1);
        self->queue_.pop_front();
        continue;
      }
      jack_midi_data_t* room = jack_midi_event_reserve(out, time, event.size());
      if (room == nullptr) break;  // full: the rest go next period
      std::copy(event.begin(), event.end(), room);
      self->queue_.pop_front();
      if (time + 1 < frames) ++time;
    }
    return 0;
  }

  jack_client_t* client_ = nullptr;
  jack_port_t* out_ = nullptr;
  jack_port_t* in_ = nullptr;
  std::string name_;
  std::mutex outMutex_;  // guards queue_
  std::mutex inMutex_;   // guards received_
  std::deque<Bytes> queue_;
  std::vector<Bytes> received_;
  std::atomic<std::size_t> refused_{0};
  std::atomic<std::size_t> maxEvent_{0};
};

}  // namespace vora::rel
