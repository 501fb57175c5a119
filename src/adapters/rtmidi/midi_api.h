#pragma once

#include <optional>
#include <string_view>

namespace vora {

/// Which MIDI system the app opens.
enum class MidiApi {
  platformDefault,  ///< the first MIDI system that can be reached (ALSA, then JACK on Linux)
  none,             ///< no MIDI system: messages reach nothing
  alsa,             ///< the ALSA sequencer
  jack,             ///< a running JACK server
};

/// The name used on the command line ("default", "none", "alsa", "jack").
constexpr std::string_view midiApiName(MidiApi api) {
  switch (api) {
    case MidiApi::platformDefault:
      return "default";
    case MidiApi::none:
      return "none";
    case MidiApi::alsa:
      return "alsa";
    case MidiApi::jack:
      return "jack";
  }
  return "default";
}

}  // namespace vora
