#include "core/midi/midi_setup_watcher.h"

#include <algorithm>
#include <utility>

namespace vora {

namespace {

// Sorted, so that a system listing the same ports in another order is no change.
std::vector<std::string> sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

MidiSetupWatcher::MidiSetupWatcher(RunLoop& loop, MidiPort& port, MidiListener& listener)
    : state_(std::make_shared<State>(
          State{port, listener, sorted(port.destinations()), sorted(port.sources()), true})) {
  loop.scheduleRepeating(kInterval, [state = state_] {
    if (state->alive) state->check();
  });
}

MidiSetupWatcher::~MidiSetupWatcher() { state_->alive = false; }

void MidiSetupWatcher::State::check() {
  std::vector<std::string> nowDestinations = sorted(port.destinations());
  std::vector<std::string> nowSources = sorted(port.sources());
  if (nowDestinations == destinations && nowSources == sources) return;
  destinations = std::move(nowDestinations);
  sources = std::move(nowSources);
  listener.setupChanged();
}

}  // namespace vora
