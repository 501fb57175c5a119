#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vora {

class SettingsManager;

/// The "MIDI devices" sheet as a model, the desktop's stand-in for the Bluetooth pairing
/// screen: the MIDI destinations and sources the system offers now, and a rescan. Pairing a
/// Bluetooth MIDI device is the operating system's business; once paired it shows up here as
/// an ordinary port. Main thread only. Build a fresh one for each presentation.
class MidiDevicesView {
 public:
  /// Reads the current destinations and sources at once.
  explicit MidiDevicesView(SettingsManager& manager);

  static constexpr std::string_view title = "MIDI Devices";
  static constexpr std::string_view doneTitle = "Done";
  static constexpr std::string_view rescanTitle = "Rescan";
  static constexpr std::string_view destinationsHeader = "Sending to";
  static constexpr std::string_view sourcesHeader = "Listening to";
  static constexpr std::string_view noneText = "None found";
  static constexpr std::string_view pairingNote =
      "To play through a Bluetooth MIDI device, pair it in your system's Bluetooth settings. "
      "Once paired it appears here as a MIDI port; press Rescan if it is not listed yet.";

  /// Reads the lists again, without touching the open ports.
  void refresh();
  /// Opens output to every destination there is now, as when the system reports a MIDI setup
  /// change, then reads the lists again.
  void rescan();

  SettingsManager& manager;
  std::vector<std::string> destinations;
  std::vector<std::string> sources;
};

}  // namespace vora
