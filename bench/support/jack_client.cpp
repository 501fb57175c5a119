#include "support/jack_client.h"

#include <jack/midiport.h>

#include "support/fixture.h"

namespace vora::bench {

BenchJackClient::BenchJackClient(const std::string& name, std::size_t capacity, bool relay)
    : relay_(relay), arrivals_(capacity), ring_(kRing) {
  jack_status_t status{};
  client_ = jack_client_open(name.c_str(), JackNoStartServer, &status);
  if (client_ == nullptr) return;
  in_ = jack_port_register(client_, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
  out_ = jack_port_register(client_, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
  jack_set_process_callback(client_, &BenchJackClient::process, this);
  if (in_ == nullptr || out_ == nullptr || jack_activate(client_) != 0) {
    jack_client_close(client_);
    client_ = nullptr;
  }
}

BenchJackClient::~BenchJackClient() {
  if (client_ != nullptr) {
    jack_deactivate(client_);
    jack_client_close(client_);
  }
}

std::string BenchJackClient::inputName() const { return jack_port_name(in_); }
std::string BenchJackClient::outputName() const { return jack_port_name(out_); }

bool BenchJackClient::send(const std::array<std::uint8_t, 3>& bytes) {
  const std::size_t head = head_.load(std::memory_order_relaxed);
  if (head - tail_.load(std::memory_order_acquire) >= kRing) return false;
  ring_[head % kRing] = bytes;
  head_.store(head + 1, std::memory_order_release);
  return true;
}

int BenchJackClient::process(jack_nframes_t frames, void* arg) {
  auto* self = static_cast<BenchJackClient*>(arg);
  const std::int64_t now = nowNs();
  const jack_nframes_t periodStart = jack_last_frame_time(self->client_);

  void* inBuffer = jack_port_get_buffer(self->in_, frames);
  void* outBuffer = jack_port_get_buffer(self->out_, frames);
  jack_midi_clear_buffer(outBuffer);
  const std::uint32_t events = jack_midi_get_event_count(inBuffer);
  for (std::uint32_t i = 0; i < events; ++i) {
    jack_midi_event_t event;
    if (jack_midi_event_get(&event, inBuffer, i) != 0) continue;
    if (self->relay_) jack_midi_event_write(outBuffer, event.time, event.buffer, event.size);
    const std::size_t n = self->count_.load(std::memory_order_relaxed);
    if (n >= self->arrivals_.size()) break;
    Arrival& a = self->arrivals_[n];
    a.ns = now;
    a.frameTime = periodStart;
    a.offset = event.time;
    a.bytes = {event.size > 0 ? event.buffer[0] : std::uint8_t{0},
               event.size > 1 ? event.buffer[1] : std::uint8_t{0},
               event.size > 2 ? event.buffer[2] : std::uint8_t{0}};
    self->count_.store(n + 1, std::memory_order_release);
  }

  std::size_t tail = self->tail_.load(std::memory_order_relaxed);
  const std::size_t head = self->head_.load(std::memory_order_acquire);
  while (tail != head) {
    const auto& m = self->ring_[tail % kRing];
    if (jack_midi_event_write(outBuffer, 0, m.data(), m.size()) != 0) break;
    ++tail;
  }
  self->tail_.store(tail, std::memory_order_release);
  return 0;
}

}  // namespace vora::bench
