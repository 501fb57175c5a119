#include "app/list_ports.h"

#include <ostream>
#include <string>
#include <vector>

#include "adapters/rtmidi/rtmidi_port.h"

namespace vora {

namespace {

void printSection(std::ostream& out, const char* title, const std::vector<std::string>& names) {
  out << title << " (" << names.size() << "):\n";
  if (names.empty()) out << "  (none)\n";
  for (const std::string& name : names) out << "  " << name << "\n";
}

}  // namespace

int listPorts(MidiApi api, std::ostream& out, std::ostream& err, Log& log) {
  const OpenedMidiPort opened = openMidiPort(api, log);
  if (!opened.port) {
    err << "vora: " << opened.error << "\n";
    return 1;
  }
  out << "MIDI system: " << opened.systemName << "\n";
  printSection(out, "Destinations, Vora sends to", opened.port->destinations());
  printSection(out, "Sources, Vora listens to", opened.port->sources());
  return 0;
}

}  // namespace vora
