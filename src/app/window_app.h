#pragma once

#include <functional>
#include <optional>
#include <string>

#include "adapters/rtmidi/midi_api.h"
#include "core/touch/view_controller.h"

namespace vora {

/// What the windowed app opens with.
struct WindowAppOptions {
  bool windowed = false;                ///< a window instead of the full screen
  std::optional<std::string> storeDir;  ///< the store is DIR/defaults.json; default the user's
  MidiApi midiApi = MidiApi::platformDefault;
  /// The device class the main screen detects. A computer is neither phone nor tablet, and
  /// its mouse and touch screens report no force.
  DeviceTraits device{DeviceIdiom::other, false};
  /// Benchmarks: a MIDI port to play through instead of opening midiApi's. Outlives the run.
  MidiPort* midiPort = nullptr;
  /// Benchmarks: called on the main thread once the main screen has appeared, with its
  /// controller and the main run loop.
  std::function<void(ViewController&, RunLoop&)> onAppeared;
};

/// Runs the app a musician opens: the window with the pad, its buttons and sheets, until the
/// window is closed. Console lines go to stdout, system-log messages and problems to stderr.
/// Returns the exit code: 0 when the window was closed, 1 when no window could be opened.
int runWindowApp(const WindowAppOptions& options);

}  // namespace vora
