#pragma once

#include <iosfwd>
#include <optional>

#include "adapters/rtmidi/midi_api.h"
#include "app/headless.h"
#include "app/window_app.h"

namespace vora {

/// Everything the command line can ask for. main() dispatches on it.
struct CommandLineOptions {
  /// --version: print "vora <version>" and exit.
  bool version = false;
  /// --list-ports: print the MIDI destinations and sources the app would open, and exit.
  bool listPorts = false;
  /// --midi-api: which MIDI system to open.
  MidiApi midiApi = MidiApi::platformDefault;
  /// --headless and its options: play a script with no window (its midiApi is the one above).
  std::optional<HeadlessOptions> headless;
  /// The window's options (--windowed, --store, --device, --midi-api): used when neither a
  /// script nor a one-shot option is asked for.
  WindowAppOptions window;
};

/// What reading the arguments gave: options to run with, or an exit code when the run
/// ends here (help was printed, or a usage error was reported on err).
struct ParsedCommandLine {
  CommandLineOptions options;
  std::optional<int> exitCode;
};

/// Exit code of a usage error (unknown option, bad value).
inline constexpr int kUsageExitCode = 2;

/// Reads the arguments. Help goes to out; usage errors go to err as one message.
ParsedCommandLine parseCommandLine(int argc, const char* const* argv, std::ostream& out,
                                   std::ostream& err);

}  // namespace vora
