// Item 2: touch to MIDI through a real MIDI server. The controller sends through RtMidi to a
// JACK server on its dummy back end; a JACK client of ours notes when the bytes arrive.
// jack_midi_latency_test on the same server gives the floor any JACK client pays.
#include <jack/jack.h>

#include <array>
#include <cstdio>
#include <functional>
#include <random>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "adapters/rtmidi/rtmidi_port.h"
#include "support/fixture.h"
#include "support/jack_client.h"
#include "support/process.h"
#include "support/results.h"
#include "support/stats.h"

namespace vora::bench {
namespace {

constexpr int kEvents = 2'000;

std::string fixed(double v, int digits = 2) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", digits, v);
  return buf;
}

/// jack_midi_latency_test through a relay that hands each message straight back: its
/// average latency in ms, or none.
std::optional<double> latencyTestFloor(const JackServer& server, std::string* why) {
  BenchJackClient relay("relay", 1 << 16, true);
  if (!relay.ok()) {
    *why = "the relay client cannot be opened";
    return std::nullopt;
  }
  const std::string log = "/tmp/" + server.name() + "-mlt.log";
  auto test = Child::start({"stdbuf", "-oL", "jack_midi_latency_test", "-s", "500", "-t", "10",
                            relay.inputName(), relay.outputName()},
                           {server.environment()}, log);
  if (!test) {
    *why = "jack_midi_latency_test cannot be started";
    return std::nullopt;
  }
  test->wait(std::chrono::seconds(90));
  test->stop();
  std::string text;
  if (std::FILE* f = std::fopen(log.c_str(), "r")) {
    char buf[4096];
    while (std::size_t n = std::fread(buf, 1, sizeof buf, f)) text.append(buf, n);
    std::fclose(f);
  }
  std::remove(log.c_str());
  if (std::getenv("VORA_BENCH_VERBOSE")) std::fprintf(stderr, "%s\n", text.c_str());
  std::smatch m;
  if (std::regex_search(text, m, std::regex(R"(Average latency:\s*([0-9.]+)\s*ms)")))
    return std::stod(m[1]);
  *why = "jack_midi_latency_test gave no average: " + text.substr(0, 300);
  return std::nullopt;
}

}  // namespace

int runPeriod(Results& results, int period) {
  const std::string item = "2";
  const std::string label = " (period " + std::to_string(period) + " frames at 48 kHz)";
  std::string why;
  auto jack = JackServer::start(period, 48000, &why, true);
  if (!jack) {
    results.missing(item, "Touch to JACK client" + label, "", why);
    return 1;
  }
  jack->useInThisProcess();
  BenchJackClient receiver("bench", 16 * kEvents);
  CountingLog log;
  OpenedMidiPort opened = openMidiPort(MidiApi::jack, log);
  if (!receiver.ok() || !opened.port) {
    results.missing(item, "Touch to JACK client" + label, "", "no JACK client: " + opened.error);
    return 1;
  }
  const std::string server = std::string(jack->realtime() ? "realtime" : "not realtime") +
                             " server, JACK period " + fixed(jack->periodMs()) + " ms";

  // Vora (the controller, RtMidiPort, RtMidi's JACK output) and, between its moves, a bare
  // JACK client of the benchmark's own writing straight into the next period: the two take
  // turns at random moments, so that both meet the same load.
  Samples vora, direct;
  std::size_t lost = 0;
  {
    MainScreen screen(*opened.port, {1270, 1270}, {DeviceIdiom::phone, false});
    ViewController& vc = *screen.vc;
    const int channel =
        vc.manager().prefsArray.get(vc.manager().output(), prefList::controlChannel) & 0x0F;
    const std::uint8_t voraStatus = static_cast<std::uint8_t>(0xB0 | channel);
    const std::uint8_t directStatus = static_cast<std::uint8_t>(0xB0 | ((channel + 1) & 0x0F));
    BenchJackClient sender("direct", 16);
    jack_connect(sender.client(), sender.outputName().c_str(), receiver.inputName().c_str());
    auto finger = std::make_shared<Touch>();
    finger->location = finger->preciseLocation = {5, 1265};
    const std::array<TouchRef, 1> set{finger};
    vc.touchesBegan(set);
    waitUntil([&] { return receiver.arrivals() >= 3; }, std::chrono::seconds(5));

    std::mt19937 random(7);
    std::uniform_int_distribution<int> gapUs(700, 2900);
    std::vector<std::int64_t> voraAt, directAt;
    int step = 1, direction = 1;
    std::uint8_t v = 0;
    for (int i = 0; i < 100 + 2 * kEvents; ++i) {
      if (i == 100) {
        waitUntil([&] { return receiver.arrivals() >= 3 + 150; }, std::chrono::seconds(5));
        receiver.clearArrivals();
      }
      const bool ours = i % 2 == 0;
      if (ours) {
        step += direction;
        if (step == 126 || step == 1) direction = -direction;
        const double p = 10.0 * step + 5;
        finger->location = finger->preciseLocation = {p, 1270 - p};
      }
      const std::int64_t t0 = nowNs();
      if (ours) {
        vc.touchesMoved(set);
      } else {
        sender.send({directStatus, 1, static_cast<std::uint8_t>(++v % 128)});
      }
      if (i >= 100) (ours ? voraAt : directAt).push_back(t0);
      std::this_thread::sleep_for(std::chrono::microseconds(gapUs(random)));
    }
    const std::size_t expected = 2 * voraAt.size() + directAt.size();
    waitUntil([&] { return receiver.arrivals() >= expected; }, std::chrono::seconds(10));
    // Each move's y is the second of its two messages; the bare client's are told apart
    // by their channel.
    std::size_t oursSeen = 0, directSeen = 0;
    for (std::size_t k = 0; k < receiver.arrivals(); ++k) {
      const auto& a = receiver.arrival(k);
      if (a.bytes[0] == voraStatus) {
        if (++oursSeen % 2 == 0 && oursSeen / 2 - 1 < voraAt.size()) {
          vora.add(static_cast<double>(a.ns - voraAt[oursSeen / 2 - 1]) / 1e6);
        }
      } else if (a.bytes[0] == directStatus && directSeen < directAt.size()) {
        direct.add(static_cast<double>(a.ns - directAt[directSeen++]) / 1e6);
      }
    }
    lost = expected - std::min(expected, oursSeen + directSeen);
  }
  opened.port.reset();
  results.add({item, "Touch to JACK client, median" + label, vora.median(), "ms", "", std::nullopt,
               std::to_string(vora.size()) +
                   " moves at random moments, x and y through RtMidiPort; "
                   "timed to the arrival of y; " +
                   server + (lost ? "; " + std::to_string(lost) + " messages lost" : "")});
  results.add({item, "Touch to JACK client, 99th percentile" + label, vora.quantile(0.99), "ms", "",
               std::nullopt, ""});
  results.add(
      {item, "Touch to JACK client, maximum" + label, vora.max(), "ms", "", std::nullopt, ""});
  results.add({item, "Floor: a bare JACK client sending between the moves, median" + label,
               direct.median(), "ms", "", std::nullopt,
               std::to_string(direct.size()) +
                   " messages from a JACK client of the benchmark's own (no Vora, no RtMidi), "
                   "taking turns with the moves at random moments; the same receiver"});
  results.add({item, "Floor: a bare JACK client, 99th percentile" + label, direct.quantile(0.99),
               "ms", "", std::nullopt, ""});
  results.add({item, "Our cost above the floor, median" + label, vora.median() - direct.median(),
               "ms", "", std::nullopt,
               "Vora's median minus the bare client's: the controller, RtMidi's ring and "
               "its extra JACK client"});
  results.add({item, "Our cost above the floor, 99th percentile" + label,
               vora.quantile(0.99) - direct.quantile(0.99), "ms", "", std::nullopt, ""});

  std::optional<double> floor = latencyTestFloor(*jack, &why);
  if (!floor) {
    results.missing(item, "jack_midi_latency_test, average" + label, "", why);
    return 0;
  }
  results.add({item, "jack_midi_latency_test, average" + label, *floor, "ms", "", std::nullopt,
               "500 messages through a client that hands each straight back; JACK's own measure, "
               "frame-accurate: one period for a message sent in one period and read in the next"});
  return 0;
}

}  // namespace vora::bench

int main() {
  vora::bench::Results results("jack_latency");
  int failures = 0;
  for (int period : {64, 256}) failures += vora::bench::runPeriod(results, period);
  return failures == 0 ? 0 : 1;
}
