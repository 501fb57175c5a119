// Item 1, in process: from a touch event entering the controller to the MIDI bytes handed to
// the port, per event, for a move that sends x and y. Also the costs of the two other paths
// that run on the main thread: a sampler tick and an incoming control change.
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "core/midi/midi_handler.h"
#include "support/fixture.h"
#include "support/results.h"
#include "support/stats.h"

namespace vora::bench {
namespace {

constexpr int kWarmUp = 20'000;
constexpr int kEvents = 1'000'000;

double clockCostNs() {
  Samples s(100'000);
  for (int i = 0; i < 100'000; ++i) {
    const auto a = nowNs();
    const auto b = nowNs();
    s.add(static_cast<double>(b - a));
  }
  return s.median();
}

std::string format(const char* fmt, double v) {
  char buf[256];
  std::snprintf(buf, sizeof buf, fmt, v);
  return buf;
}

}  // namespace

int run() {
  Results results("touch_to_midi");
  const double clockNs = clockCostNs();
  const std::string clockNote =
      format("steady_clock read costs %.0f ns here, included in each sample", clockNs);

  // A 1270-point pad: every 10 points is one step of a 7-bit value, so a finger stepping
  // 10 points along the diagonal changes both x and y and every move sends both.
  StampingMidiPort port;
  MainScreen screen(port, {1270, 1270}, {DeviceIdiom::phone, false});
  ViewController& vc = *screen.vc;
  auto finger = std::make_shared<Touch>();
  finger->location = finger->preciseLocation = {5, 1265};
  const std::array<TouchRef, 1> set{finger};
  vc.touchesBegan(set);

  int step = 1, direction = 1;
  auto moveOnce = [&] {
    step += direction;
    if (step == 126 || step == 1) direction = -direction;
    const double p = 10.0 * step + 5;
    finger->location = finger->preciseLocation = {p, 1270 - p};
  };

  Samples toPort(kEvents), whole(kEvents);
  long missingSends = 0;
  for (int i = 0; i < kWarmUp + kEvents; ++i) {
    moveOnce();
    const long before = port.count;
    const std::int64_t t0 = nowNs();
    vc.touchesMoved(set);
    const std::int64_t t1 = nowNs();
    if (i >= kWarmUp) {
      if (port.count - before != 2) ++missingSends;
      toPort.add(static_cast<double>(port.lastSendNs - t0) / 1000.0);
      whole.add(static_cast<double>(t1 - t0) / 1000.0);
    }
    // A touch a millisecond: the sampler ticks between every tenth pair of events, as it
    // does in play (outside the timed window).
    screen.loop.advanceBy(std::chrono::milliseconds(1));
  }
  const std::string note =
      std::to_string(kEvents) +
      " moves of one finger, each changing x and y by one step; control "
      "mode, no force; " +
      clockNote +
      (missingSends ? "; " + std::to_string(missingSends) + " moves sent fewer than 2 messages"
                    : "");
  results.add({"1", "Touch to MIDI in process, move sending x and y: median", toPort.median(), "us",
               "< 2 us", toPort.median() < 2.0, note});
  results.add({"1", "Touch to MIDI in process, move sending x and y: 99.9th percentile",
               toPort.quantile(0.999), "us", "< 20 us", toPort.quantile(0.999) < 20.0, ""});
  results.add({"1", "Touch to MIDI in process: maximum", toPort.max(), "us", "", std::nullopt,
               "one run on a shared machine; the maximum includes preemption by other processes"});
  results.add({"1", "Whole move handler (MIDI and the scene's snapshot): median", whole.median(),
               "us", "", std::nullopt, ""});
  results.add({"1", "Whole move handler: 99.9th percentile", whole.quantile(0.999), "us", "",
               std::nullopt, ""});

  // A sampler tick with a finger moving: the filters, the speed send and the scene.
  Samples tick(kEvents / 4);
  for (int i = 0; i < kWarmUp + kEvents / 4; ++i) {
    moveOnce();
    vc.touchesMoved(set);
    const std::int64_t t0 = nowNs();
    vc.controlDataTimer.timerUpdate();
    const std::int64_t t1 = nowNs();
    if (i >= kWarmUp) tick.add(static_cast<double>(t1 - t0) / 1000.0);
  }
  results.add({"4", "Cost of one sampler tick (filters, speed send, scene): median", tick.median(),
               "us", "", std::nullopt,
               "timerUpdate called directly, a finger moving between ticks"});
  results.add({"4", "Cost of one sampler tick: 99.9th percentile", tick.quantile(0.999), "us", "",
               std::nullopt, ""});

  // An incoming control change on the receiving side: match, notify, hand to the main
  // thread. The queued painters run outside the timed window.
  MidiHandler& handler = *vc.manager().handler;
  const int controlX = vc.manager().prefsArray.get(vc.manager().output(), prefList::controlX);
  Samples incoming(kEvents / 4);
  for (int i = 0; i < kWarmUp + kEvents / 4; ++i) {
    const std::array<std::uint8_t, 3> cc{0xB0, static_cast<std::uint8_t>(controlX),
                                         static_cast<std::uint8_t>(i % 128)};
    const std::int64_t t0 = nowNs();
    handler.receivedMessage(cc);
    const std::int64_t t1 = nowNs();
    screen.loop.runDue();
    if (i >= kWarmUp) incoming.add(static_cast<double>(t1 - t0) / 1000.0);
  }
  results.add({"3", "Incoming control change, receiving thread's share: median", incoming.median(),
               "us", "", std::nullopt, "MidiHandler::receivedMessage of the x controller"});
  results.add({"3", "Incoming control change: 99.9th percentile", incoming.quantile(0.999), "us",
               "", std::nullopt, ""});
  return 0;
}

}  // namespace vora::bench

int main() { return vora::bench::run(); }
