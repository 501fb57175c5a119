#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vora {

/// One complete three-byte MIDI 1.0 message.
using MidiMessage = std::array<std::uint8_t, 3>;

/// Receives what arrives from the MIDI sources, on the receiving thread.
class MidiListener {
 public:
  virtual ~MidiListener() = default;
  /// One complete incoming message as the MIDI system delivered it (any kind, any length).
  virtual void receivedMessage(std::span<const std::uint8_t> bytes) = 0;
  /// The set of MIDI devices or endpoints changed.
  virtual void setupChanged() = 0;
};

/// The MIDI system as the core sees it. Implementations never throw; a send that reaches
/// no destination is lost. send() and openOutputs() may be called from any thread.
class MidiPort {
 public:
  virtual ~MidiPort() = default;
  /// Opens output to every destination available now (closing those gone). Repeatable.
  virtual void openOutputs() = 0;
  /// Opens input from every source; incoming messages go to listener until closeInputs()
  /// or the port dies.
  virtual void openInputs(MidiListener& listener) = 0;
  /// Stops delivering to the listener: once it returns, no delivery runs or will start, so
  /// the listener may go. Not from the receiving thread itself.
  virtual void closeInputs() {}
  /// Sends one message to every open destination.
  virtual void send(const MidiMessage& message) = 0;
  /// Names of the destinations and sources available now (not the app's own ports).
  virtual std::vector<std::string> destinations() const = 0;
  virtual std::vector<std::string> sources() const = 0;
};

/// A port that reaches nothing: the app's fallback when no MIDI system is there.
class NullMidiPort final : public MidiPort {
 public:
  void openOutputs() override {}
  void openInputs(MidiListener&) override {}
  void send(const MidiMessage&) override {}
  std::vector<std::string> destinations() const override { return {}; }
  std::vector<std::string> sources() const override { return {}; }
};

}  // namespace vora
