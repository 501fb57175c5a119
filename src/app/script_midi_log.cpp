#include "app/script_midi_log.h"

#include <cstdio>
#include <utility>

#include "app/script.h"

namespace vora {

MidiLogPort::MidiLogPort(MidiPort& inner, const RunLoop& clock, LineSink sink)
    : inner_(inner), clock_(clock), sink_(std::move(sink)) {}

std::string MidiLogPort::formatLine(Duration t, const MidiMessage& message) {
  char bytes[16];
  std::snprintf(bytes, sizeof bytes, " %02X %02X %02X", message[0], message[1], message[2]);
  return script::formatMilliseconds(t) + bytes;
}

void MidiLogPort::send(const MidiMessage& message) {
  {
    std::lock_guard lock(mutex_);
    sink_(formatLine(clock_.now(), message));
  }
  inner_.send(message);
}

}  // namespace vora
