#pragma once

#include "core/platform/log.h"

namespace vora {

/// The application's delegate: writes "launch" when the app has started, and the system-log
/// messages "active" and "entered background" as the window gains the focus or is minimised.
/// It stops nothing: the MIDI handler, the sampler and the scene run on in the background.
class AppDelegate {
 public:
  /// Landscape left and right: the only orientations the app supports.
  static constexpr int kLandscape = 24;

  explicit AppDelegate(Log& log) : log_(log) {}

  /// The process has started: writes "launch". Always true.
  bool didFinishLaunching();
  /// The orientations any window may take.
  int supportedInterfaceOrientations() const { return deviceOrientation; }

  // What the window reports, turned into the application's life cycle.
  /// The window got the keyboard focus: the app becomes active ("active", once per
  /// activation).
  void windowFocusGained();
  /// The window lost the focus: the app resigns active (nothing is logged).
  void windowFocusLost();
  /// The window was minimised or hidden: the app enters the background ("entered
  /// background", once until it comes back).
  void windowMinimized();
  /// The window was restored or shown again: the app will enter the foreground.
  void windowRestored();

  bool isActive() const { return active_; }
  bool inBackground() const { return background_; }

  const int deviceOrientation = kLandscape;

 private:
  Log& log_;
  bool active_ = false;
  bool background_ = false;
};

}  // namespace vora
