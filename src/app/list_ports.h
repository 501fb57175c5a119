#pragma once

#include <iosfwd>

#include "adapters/rtmidi/midi_api.h"
#include "core/platform/log.h"

namespace vora {

/// Prints the MIDI system opened and the destinations and sources Vora would open, on out.
/// When no MIDI system can be reached, prints one line on err and returns 1; else 0.
int listPorts(MidiApi api, std::ostream& out, std::ostream& err, Log& log);

}  // namespace vora
