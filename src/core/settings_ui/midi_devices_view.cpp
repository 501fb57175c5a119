#include "core/settings_ui/midi_devices_view.h"

#include "core/midi/midi_handler.h"
#include "core/settings/settings_manager.h"

namespace vora {

MidiDevicesView::MidiDevicesView(SettingsManager& manager) : manager(manager) { refresh(); }

void MidiDevicesView::refresh() {
  const MidiPort& port = manager.services().midi;
  destinations = port.destinations();
  sources = port.sources();
}

void MidiDevicesView::rescan() {
  manager.handler->setupChanged();
  refresh();
}

}  // namespace vora
