#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "adapters/rtmidi/midi_api.h"
#include "core/platform/run_loop.h"
#include "core/touch/view_controller.h"

namespace vora {

/// What `vora --headless` plays and where its results go.
struct HeadlessOptions {
  std::string script;                   ///< the script file; "-" reads standard input
  std::optional<std::string> storeDir;  ///< the store is DIR/defaults.json; default the user's
  std::optional<std::string> midiLog;   ///< every MIDI message sent, one line each; "-" = stdout
  MidiApi midiApi = MidiApi::platformDefault;
  DeviceTraits device;                  ///< the device class the main screen detects
  Duration linger{0};                   ///< how long the clock runs on after the last line
  std::optional<std::string> snapshot;  ///< write the last frame of the scene here (PNG)
};

/// The --device names: phone (no force), phone-force, tablet, other.
std::optional<DeviceTraits> deviceTraitsFromName(std::string_view name);

/// Plays the script on a virtual clock with no window. Console lines go to stdout, problems
/// to stderr. Returns the exit code: 0 at the end, 2 for a script error ("script:LINE:
/// reason") or a script or MIDI log that cannot be opened.
int runHeadless(const HeadlessOptions& options);

}  // namespace vora
