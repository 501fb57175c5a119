#pragma once

#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/platform/defaults_store.h"
#include "core/platform/notification_center.h"
#include "core/platform/virtual_run_loop.h"
#include "core/settings/keys.h"
#include "core/touch/view_controller.h"
#include "support/fakes.h"

namespace vora::test {

/// Records what the controller asks of the shell.
class RecordingShellHooks final : public ShellHooks {
 public:
  void openUrl(std::string_view url) override { urls.emplace_back(url); }
  void requestReview() override { ++reviewRequests; }
  void disableIdleTimer() override { ++idleTimerDisables; }

  std::vector<std::string> urls;
  int reviewRequests = 0;
  int idleTimerDisables = 0;
};

/// A main screen on fakes. Members are declared so that the controller dies before the
/// services it borrows.
struct TouchFixture {
  static constexpr double kWidth = 400;
  static constexpr double kHeight = 300;

  MemoryDefaultsStore store;
  NotificationCenter center;
  RecordingLog log;
  VirtualRunLoop loop;
  RecordingMidiPort port;
  RecordingShellHooks shell;
  std::unique_ptr<ViewController> vc;
  std::map<char, TouchRef> fingers;

  Services services() { return Services{store, center, log, loop, port}; }

  /// Creates the controller only.
  ViewController& create(DeviceTraits traits = {}) {
    vc = std::make_unique<ViewController>(services(), traits, shell);
    return *vc;
  }

  /// Creates, loads and shows the screen with a 400 x 300 pad in the given mode, then
  /// forgets the MIDI and log lines that start-up produced.
  ViewController& show(Mode mode, DeviceTraits traits = {}) {
    store.setInteger(key::savedMode, mode == Mode::control ? 1 : 0);
    create(traits);
    vc->viewDidLoad();
    vc->elements.touchArea.size = {kWidth, kHeight};
    vc->viewWillAppear();
    vc->viewDidAppear();
    clear();
    return *vc;
  }

  void clear() {
    port.sent.clear();
    log.lines.clear();
  }

  /// The finger named id, made on first use (view pad unless told), moved to (x, y).
  TouchRef& finger(char id, Point at, TouchView view = TouchView::pad) {
    auto [it, made] = fingers.try_emplace(id, nullptr);
    if (made) {
      it->second = std::make_shared<Touch>();
      it->second->view = view;
    }
    it->second->location = at;
    it->second->preciseLocation = at;
    return it->second;
  }

  std::vector<TouchRef> set(const std::string& ids) {
    std::vector<TouchRef> out;
    for (char id : ids) out.push_back(fingers.at(id));
    return out;
  }
};

}  // namespace vora::test
