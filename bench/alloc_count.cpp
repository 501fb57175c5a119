// Item 3: heap allocations on the hot paths, counted by a replaced operator new, after
// warm-up: 100,000 touch events, 100,000 sampler ticks and 100,000 incoming control changes
// (Vora's own receiving path, and the whole path through RtMidi and a JACK server).
#include <execinfo.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <thread>

#include "adapters/rtmidi/midi_receiver.h"
#include "adapters/rtmidi/rtmidi_port.h"
#include "core/midi/midi_handler.h"
#include "support/fixture.h"
#include "support/jack_client.h"
#include "support/process.h"
#include "support/results.h"

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
std::atomic<int> traceLeft{0};
thread_local bool inHook = false;

void noteAllocation() {
  if (!counting.load(std::memory_order_relaxed) || inHook) return;
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (traceLeft.load(std::memory_order_relaxed) > 0 && traceLeft.fetch_sub(1) > 0) {
    inHook = true;
    void* frames[32];
    const int n = backtrace(frames, 32);
    static const char kLine[] = "--- allocation at:\n";
    (void)!write(2, kLine, sizeof kLine - 1);
    backtrace_symbols_fd(frames, n, 2);
    inHook = false;
  }
}
}  // namespace

void* operator new(std::size_t size) {
  noteAllocation();
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  noteAllocation();
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  noteAllocation();
  return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace vora::bench {
namespace {

constexpr int kCount = 100'000;

/// Counts the allocations fn makes on any thread.
template <typename F>
long countAllocations(F&& fn) {
  allocations = 0;
  if (const char* t = std::getenv("VORA_BENCH_ALLOC_TRACE")) traceLeft = std::atoi(t);
  counting = true;
  fn();
  counting = false;
  traceLeft = 0;
  return allocations.exchange(0);
}

/// A finger that walks the pad so that every move changes x and y.
struct Walker {
  explicit Walker(TouchRef t) : touch(std::move(t)) {}
  void step() {
    k += dir;
    if (k >= 120 || k <= 2) dir = -dir;
    const double p = 10.0 * k + 5;
    touch->location = touch->preciseLocation = {p, 1270 - p};
    touch->force = (k % 7) * 0.9;
  }
  TouchRef touch;
  int k = 2, dir = 1;
};

/// Touch events of every kind: moves of the active finger (with force), and every
/// hundredth event a second finger landing and lifting (a retrigger and a hand-over).
void playTouches(MainScreen& s, int events, bool countThem, long& counted) {
  ViewController& vc = *s.vc;
  static auto a = std::make_shared<Touch>();
  static auto b = std::make_shared<Touch>();
  Walker walk(a);
  const std::array<TouchRef, 1> setA{a}, setB{b};
  auto timed = [&](auto&& call) {
    if (countThem) {
      counted += countAllocations(call);
    } else {
      call();
    }
  };
  b->location = b->preciseLocation = {300, 300};
  timed([&] { vc.touchesBegan(setA); });
  for (int i = 1; i < events - 1; ++i) {
    if (i % 100 == 50) {
      timed([&] { vc.touchesBegan(setB); });
    } else if (i % 100 == 51) {
      timed([&] { vc.touchesEnded(setB); });
    } else {
      walk.step();
      timed([&] { vc.touchesMoved(setA); });
    }
    s.loop.advanceBy(std::chrono::microseconds(1000));  // ticks and the late gate-on, not counted
  }
  timed([&] { vc.touchesEnded(setA); });
}

/// Delivers what arrives at the receiving thread to the handler and counts the deliveries.
struct CountingListener final : MidiListener {
  explicit CountingListener(MidiListener& next) : next(next) {}
  void receivedMessage(std::span<const std::uint8_t> bytes) override {
    next.receivedMessage(bytes);
    delivered.fetch_add(1, std::memory_order_release);
  }
  void setupChanged() override { next.setupChanged(); }
  MidiListener& next;
  std::atomic<long> delivered{0};
};

}  // namespace

int run() {
  Results results("alloc_count");
  const std::string window = "counted on every thread of the process, after warm-up";

  for (bool retrigger : {false, true}) {
    StampingMidiPort port;
    MainScreen s(port, {1270, 1270}, {DeviceIdiom::phone, true});
    s.vc->manager().setNoteBehavior(retrigger ? NoteBehavior::retrigger : NoteBehavior::legato);
    long counted = 0;
    playTouches(s, 2'000, false, counted);
    playTouches(s, kCount, true, counted);
    results.add(
        {"3",
         std::string("Allocations over 100,000 touch events (control mode, ") +
             (retrigger ? "retrigger" : "legato") + ")",
         static_cast<double>(counted), "allocations", "0", counted == 0,
         "moves with force, a second finger landing and lifting every 100 events; " + window});
  }

  {
    StampingMidiPort port;
    MainScreen s(port, {1270, 1270}, {DeviceIdiom::phone, true});
    auto a = std::make_shared<Touch>();
    Walker walk(a);
    const std::array<TouchRef, 1> setA{a};
    s.vc->touchesBegan(setA);
    auto ticks = [&](int n, bool count) {
      long counted = 0;
      for (int i = 0; i < n; ++i) {
        if (i % 3 != 2) {
          walk.step();
          s.vc->touchesMoved(setA);
        }
        if (count) {
          counted += countAllocations([&] { s.loop.advanceBy(std::chrono::milliseconds(10)); });
        } else {
          s.loop.advanceBy(std::chrono::milliseconds(10));
        }
      }
      return counted;
    };
    ticks(2'000, false);
    const long counted = ticks(kCount, true);
    results.add({"3", "Allocations over 100,000 sampler ticks", static_cast<double>(counted),
                 "allocations", "0", counted == 0,
                 "each tick through the run loop's timer, the speed changing and sent; " + window});
  }

  // Incoming control changes, Vora's part: the receiving thread's queue, the handler's match
  // and notification, and the painters on the main thread.
  {
    StampingMidiPort port;
    MainScreen s(port);
    MidiHandler& handler = *s.vc->manager().handler;
    CountingListener listener(handler);
    MidiReceiver receiver(listener);
    const auto& prefs = s.vc->manager().prefsArray;
    const Output o = s.vc->manager().output();
    const std::array<std::uint8_t, 3> ccs[3] = {
        {0xB0, static_cast<std::uint8_t>(prefs.get(o, prefList::controlX)), 0},
        {0xB0, static_cast<std::uint8_t>(prefs.get(o, prefList::controlY)), 0},
        {0xB0, static_cast<std::uint8_t>(prefs.get(o, prefList::controlZ)), 0}};
    auto feed = [&](int n) {
      const long start = listener.delivered.load();
      for (int i = 0; i < n; ++i) {
        auto m = ccs[i % 3];
        m[2] = static_cast<std::uint8_t>(i % 128);
        receiver.push(m);
        // As from a MIDI system: the main thread keeps up, the queue stays short.
        if (i % 32 == 31) {
          while (listener.delivered.load(std::memory_order_acquire) < start + i + 1) {
            std::this_thread::yield();
          }
          s.loop.runDue();
        }
      }
      while (listener.delivered.load(std::memory_order_acquire) < start + n)
        std::this_thread::yield();
      s.loop.runDue();
    };
    feed(2'000);
    const long counted = countAllocations([&] { feed(kCount); });
    results.add({"3", "Allocations over 100,000 incoming control changes, Vora's part",
                 static_cast<double>(counted), "allocations", "0", counted == 0,
                 "x, y and z controllers pushed into Vora's receiving thread as the MIDI system's "
                 "callback does; handler, notifications and main-thread painters; " +
                     window});
  }

  // The whole path through a MIDI server: a JACK client sends, RtMidi receives.
  {
    std::string why;
    auto jack = JackServer::start(256, 48000, &why, true);
    if (!jack) {
      results.missing("3",
                      "Allocations over 100,000 incoming control changes through JACK and RtMidi",
                      "", why);
      results.missing("3", "Allocations over 100,000 touch events sent through RtMidi to JACK", "",
                      why);
      return 0;
    }
    jack->useInThisProcess();
    BenchJackClient sender("bench");
    CountingLog log;
    OpenedMidiPort opened = openMidiPort(MidiApi::jack, log);
    if (!sender.ok() || !opened.port) {
      results.missing("3",
                      "Allocations over 100,000 incoming control changes through JACK and RtMidi",
                      "", "no JACK client: " + opened.error);
      return 0;
    }
    MainScreen s(*opened.port, {1270, 1270}, {DeviceIdiom::phone, true});
    const std::uint8_t controlX = static_cast<std::uint8_t>(
        s.vc->manager().prefsArray.get(s.vc->manager().output(), prefList::controlX));
    std::atomic<long> received{0};
    s.center.addObserver(notification::xRecieved, [&] { received.fetch_add(1); });
    auto feed = [&](int n) {
      const long start = received.load();
      for (int i = 0; i < n; ++i) {
        while (!sender.send({0xB0, controlX, static_cast<std::uint8_t>(i % 128)}))
          std::this_thread::yield();
        if (i % 64 == 63) {
          // A period carries at most what its buffer holds; keep a few periods in flight.
          // A message JACK lost (an overrun on a loaded machine) must not stall the feed.
          waitUntil([&] { return received.load() >= start + i + 1 - 512; },
                    std::chrono::seconds(2));
          s.loop.runDue();
        }
      }
      waitUntil([&] { return received.load() >= start + n; }, std::chrono::seconds(10));
      s.loop.runDue();
      return received.load() - start;
    };
    feed(2'000);
    long got = 0;
    const long counted = countAllocations([&] { got = feed(kCount); });
    results.add(
        {"3", "Allocations over 100,000 incoming control changes through JACK and RtMidi",
         static_cast<double>(counted), "allocations", "", std::nullopt,
         std::to_string(got) +
             " received; a JACK client in this process sends, RtMidi's "
             "input delivers; every thread of the process counted (the JACK server is another "
             "process); what is above Vora's part is RtMidi's and libjack's"});

    long counted2 = 0;
    playTouches(s, 2'000, false, counted2);
    counted2 = 0;
    // Paced like a fast finger, so that RtMidi's JACK ring never fills.
    {
      ViewController& vc = *s.vc;
      auto a = std::make_shared<Touch>();
      Walker walk(a);
      const std::array<TouchRef, 1> setA{a};
      vc.touchesBegan(setA);
      for (int i = 0; i < kCount; ++i) {
        walk.step();
        counted2 += countAllocations([&] { vc.touchesMoved(setA); });
        if (i % 200 == 199) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        if (i % 10 == 9) s.loop.advanceBy(std::chrono::milliseconds(10));
      }
      vc.touchesEnded(setA);
    }
    results.add({"3", "Allocations over 100,000 touch events sent through RtMidi to JACK",
                 static_cast<double>(counted2), "allocations", "0", counted2 == 0,
                 "RtMidiPort on a JACK dummy server, one destination; counted around each event"});
  }
  return 0;
}

}  // namespace vora::bench

int main() { return vora::bench::run(); }
