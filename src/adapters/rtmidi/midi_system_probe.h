#pragma once

#include <optional>
#include <string>

#include "adapters/rtmidi/midi_api.h"

namespace vora {

/// Why the MIDI system api cannot be reached now (one short phrase), or nothing when it can.
/// api is alsa or jack. Also quiets the native libraries' own chatter on stderr, so that a
/// missing system is reported once, by the caller.
std::optional<std::string> midiSystemUnreachable(MidiApi api);

}  // namespace vora
