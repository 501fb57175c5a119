#pragma once

#include <cstdint>
#include <span>

#include "core/platform/midi_port.h"
#include "core/platform/services.h"
#include "core/settings/types.h"

namespace vora {

class SettingsManager;

/// Turns control values and button presses into MIDI 1.0 messages on the selected preset's
/// channels and controller numbers, and turns incoming controllers into received values.
/// Sends run on the main thread; the incoming side runs on the MIDI receiving thread.
class MidiHandler final : public MidiListener {
 public:
  /// Opens output to every destination and input from every source at once.
  MidiHandler(SettingsManager& manager, Services services);
  ~MidiHandler() override;
  MidiHandler(const MidiHandler&) = delete;
  MidiHandler& operator=(const MidiHandler&) = delete;

  /// Sends value (0..1) of an x, y, z or speed preference as a controller, when its 7-bit
  /// value changed (z sends 0 every time). Other preferences send nothing.
  void sendValue(prefList pref, double value);
  /// Sends one controller of a preference with a raw value 0..127, unscaled, unsuppressed.
  void sendCC(prefList pref, int value);
  /// The gate controller: 127 opens, 0 closes.
  void sendGate(int value);
  /// Note on (velocity 127) / note off (velocity 0) of the synth note on the synth channel.
  void sendNoteOn();
  void sendNoteOff();
  /// One controller with the given number and value on the control channel.
  void sendControlCC(int controller, int value);
  void sendForward() { sendControlCC(forwardCC, 127); }
  void sendBackward() { sendControlCC(backwardCC, 127); }
  void sendPinOn() { sendControlCC(pinCC, 127); }
  void sendPinOff() { sendControlCC(pinCC, 0); }
  /// A settings row's test: a burst of values 60..70 on a controller row, the note on and
  /// off on the note row, nothing on a channel row.
  void sendTest(prefList pref);

  /// An incoming control change, from any source and channel (receiving thread).
  void receivedController(int controller, int value, int channel);
  /// Incoming bytes: only complete, well-formed control changes reach receivedController.
  void receivedMessage(std::span<const std::uint8_t> bytes) override;
  /// The MIDI setup changed: open output to every destination again.
  void setupChanged() override;

  std::uint8_t forwardCC = 20;
  std::uint8_t backwardCC = 21;
  std::uint8_t pinCC = 22;
  std::uint8_t xByte = 0, yByte = 0, zByte = 0, speedByte = 0;
  std::uint8_t xBytePrev = 0, yBytePrev = 0, zBytePrev = 0, speedBytePrev = 0;

 private:
  void sendControlChange(int channel, int controller, int value);

  SettingsManager& manager_;
  Services services_;
};

}  // namespace vora
