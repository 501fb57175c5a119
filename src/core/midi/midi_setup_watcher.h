#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/platform/midi_port.h"
#include "core/platform/run_loop.h"

namespace vora {

/// Tells the listener when the MIDI setup changes, for MIDI systems that do not say so
/// themselves: about once a second it compares the port's destinations and sources with
/// what it saw last, and calls listener.setupChanged() on the loop's thread when they differ.
class MidiSetupWatcher {
 public:
  /// How often the lists are compared.
  static constexpr Duration kInterval = std::chrono::seconds(1);

  /// Takes the current lists as the starting point; the first comparison is one interval
  /// from now. port and listener must outlive the watcher; the loop may outlive it.
  MidiSetupWatcher(RunLoop& loop, MidiPort& port, MidiListener& listener);
  /// Later ticks of the timer do nothing.
  ~MidiSetupWatcher();
  MidiSetupWatcher(const MidiSetupWatcher&) = delete;
  MidiSetupWatcher& operator=(const MidiSetupWatcher&) = delete;

 private:
  struct State {
    MidiPort& port;
    MidiListener& listener;
    std::vector<std::string> destinations;
    std::vector<std::string> sources;
    bool alive = true;
    void check();
  };
  // Shared with the loop's timer, which cannot be cancelled: the timer checks alive.
  std::shared_ptr<State> state_;
};

}  // namespace vora
