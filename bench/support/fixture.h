#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string_view>

#include "core/platform/defaults_store.h"
#include "core/platform/log.h"
#include "core/platform/midi_port.h"
#include "core/platform/notification_center.h"
#include "core/platform/virtual_run_loop.h"
#include "core/scene/scene_mailbox.h"
#include "core/settings/keys.h"
#include "core/touch/view_controller.h"

namespace vora::bench {

using BenchClock = std::chrono::steady_clock;

inline std::int64_t nowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(BenchClock::now().time_since_epoch())
      .count();
}

/// Console lines counted and dropped: the app's own lines cost no terminal here.
class CountingLog final : public Log {
 public:
  void console(std::string_view) override { lines.fetch_add(1, std::memory_order_relaxed); }
  void system(std::string_view) override { lines.fetch_add(1, std::memory_order_relaxed); }
  std::atomic<long> lines{0};
};

/// A port that notes when the last message was handed to it and what it was, and
/// nothing else: the point where the in-process path ends.
class StampingMidiPort final : public MidiPort {
 public:
  void openOutputs() override {}
  void openInputs(MidiListener& l) override { listener = &l; }
  void send(const MidiMessage& message) override {
    lastSendNs = nowNs();
    last = message;
    ++count;
  }
  std::vector<std::string> destinations() const override { return {}; }
  std::vector<std::string> sources() const override { return {}; }

  std::int64_t lastSendNs = 0;
  MidiMessage last{};
  long count = 0;
  MidiListener* listener = nullptr;
};

class NullShell final : public ShellHooks {
 public:
  void openUrl(std::string_view) override {}
  void requestReview() override {}
  void disableIdleTimer() override {}
};

/// The main screen as the window app builds it, on a virtual clock and a port of the
/// benchmark's choosing: loaded, laid out in a scene view that a renderer could draw,
/// shown, in control mode with a look selected.
struct MainScreen {
  explicit MainScreen(MidiPort& port, Size pad = {1270, 1270},
                      DeviceTraits traits = {DeviceIdiom::phone, true})
      : midi(port) {
    store.setInteger(key::savedMode, 1);  // control mode
    vc = std::make_unique<ViewController>(Services{store, center, log, loop, midi}, traits, shell);
    vc->elements.touchArea.size = pad;
    vc->viewDidLoad();
    vc->touchPadView.layout(&sceneView, pad, EdgeInsets{});
    vc->viewWillAppear();
    vc->viewDidAppear();
    vc->pendingAlert.reset();
  }
  ~MainScreen() { vc.reset(); }

  MemoryDefaultsStore store;
  NotificationCenter center;
  CountingLog log;
  VirtualRunLoop loop;
  MidiPort& midi;
  NullShell shell;
  SceneMailbox sceneView{true};
  std::unique_ptr<ViewController> vc;
};

}  // namespace vora::bench
