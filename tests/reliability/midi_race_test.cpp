// The receiving thread against the main thread, for ThreadSanitizer (the tsan preset): the
// main thread changes the output and the preset rows, plays the pad and runs the crosshair
// painters, while Vora's receiving thread handles thousands of incoming controllers that
// read the same output and rows, post notifications, store the received values and reopen
// the outputs. Any data race fails the run; the counts check nothing was dropped.
// A thread of the test plays the MIDI system's part: libjack and RtMidi are not built for
// the sanitizer, which cannot see how they hand messages between their threads. The JACK
// road itself is under load in the hostile MIDI tests.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "adapters/rtmidi/midi_receiver.h"
#include "core/midi/midi_handler.h"
#include "core/platform/virtual_run_loop.h"
#include "core/settings/keys.h"
#include "core/settings/settings_manager.h"
#include "core/touch/view_controller.h"
#include "reliability/vora_run.h"
#include "support/fakes.h"

namespace vora {
namespace {

using namespace rel;

constexpr int kIncoming = 20'000;

/// Console lines counted as they come, from any thread.
class CountingLog final : public Log {
 public:
  void console(std::string_view line) override {
    if (line == "end recieved") ++ends;
    if (line == "init recieved") ++inits;
  }
  void system(std::string_view) override {}
  std::atomic<int> ends{0}, inits{0};
};

class NoShell final : public ShellHooks {
 public:
  void openUrl(std::string_view) override {}
  void requestReview() override {}
  void disableIdleTimer() override {}
};

/// The main screen on the given port, and counters of what the receiving side did.
struct Screen {
  MemoryDefaultsStore store;
  NotificationCenter center;
  CountingLog log;
  VirtualRunLoop loop;
  NoShell shell;
  std::atomic<int> received{0};
  std::unique_ptr<ViewController> vc;

  explicit Screen(MidiPort& port) {
    store.setInteger(key::savedMode, 1);  // control mode: the crosshair follows input
    vc = std::make_unique<ViewController>(Services{store, center, log, loop, port}, DeviceTraits{},
                                          shell);
    vc->viewDidLoad();
    vc->elements.touchArea.size = {400, 300};
    vc->viewWillAppear();
    vc->viewDidAppear();
    for (auto name : {notification::xRecieved, notification::yRecieved, notification::zRecieved}) {
      center.addObserver(name, [this] { ++received; });
    }
  }

  /// What the main thread does meanwhile: outputs, rows, the pad and the painters.
  void playOnTheMainThread(const std::function<bool()>& stillReceiving) {
    SettingsManager& m = vc->manager();
    auto finger = std::make_shared<Touch>();
    for (int i = 0; stillReceiving() || i < 2000; ++i) {
      m.setOutput(kAllOutputs[static_cast<std::size_t>(i) % kAllOutputs.size()]);
      // Rows move x, y and z between controllers the flood uses and others; never onto 0
      // or 4, whose counts the test checks.
      m.setPref(prefList::controlX, 10 + i % 3);
      m.setPref(prefList::controlY, 11 + i % 5);
      m.setPref(prefList::controlZ, 12 + i % 7);
      finger->location = {static_cast<double>(i % 400), static_cast<double>(i % 300)};
      const std::vector<TouchRef> set{finger};
      if (i % 10 == 0) vc->touchesBegan(set);
      if (i % 10 == 5) vc->touchesEnded(set);
      loop.advanceBy(std::chrono::milliseconds(1));  // the painters read xIn, yIn, zIn
      if (i % 64 == 0) std::this_thread::yield();
    }
  }
};

/// Incoming controller number n of the flood: mostly the controllers the rows move over,
/// a 4 in every fifty, a 0 (outputs reopen) in every thousand.
std::vector<std::uint8_t> incoming(int n) {
  const auto ch = static_cast<std::uint8_t>(n % 16);
  std::uint8_t controller = static_cast<std::uint8_t>(10 + n % 9);
  if (n % 50 == 49) controller = 4;
  if (n % 1000 == 999) controller = 0;
  return {static_cast<std::uint8_t>(0xB0 | ch), controller, static_cast<std::uint8_t>(n % 128)};
}

int count(int upTo, std::uint8_t controller) {
  int n = 0;
  for (int i = 0; i < upTo; ++i) n += incoming(i)[1] == controller;
  return n;
}

TEST(MidiRace, ReceivingThreadAgainstOutputAndRowChangesOnTheMainThread) {
  test::RecordingMidiPort port;
  Screen screen(port);
  // Vora's receiving thread, fed by a thread that plays the MIDI system's part.
  auto receiver = std::make_unique<MidiReceiver>(*screen.vc->manager().handler);
  std::atomic<bool> done{false};
  std::thread system([&] {
    for (int n = 0; n < kIncoming; ++n) {
      const auto b = incoming(n);
      receiver->push(b);
      if (n % 256 == 0) std::this_thread::yield();
    }
    done = true;
  });
  // The main thread plays until the receiving thread has handled the last controller.
  const int lastEnds = count(kIncoming, 4);
  screen.playOnTheMainThread([&] { return !done.load() || screen.log.ends.load() < lastEnds; });
  system.join();
  ASSERT_TRUE(waitUntil([&] { return screen.log.ends.load() == count(kIncoming, 4); }))
      << screen.log.ends.load() << " of " << count(kIncoming, 4);
  receiver.reset();
  EXPECT_EQ(screen.log.inits.load(), count(kIncoming, 0));
  EXPECT_GT(screen.received.load(), 0);
}

}  // namespace
}  // namespace vora
