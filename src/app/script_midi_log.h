#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform/midi_port.h"
#include "core/platform/run_loop.h"

namespace vora {

/// A MIDI port that writes every message sent through it as one line, `<t> <B1> <B2> <B3>`
/// (t the loop's clock in ms with three decimals, bytes as two upper-case hex digits:
/// "10.000 B0 74 7F"), then hands it on to the port it wraps. A message is logged whether
/// or not the wrapped port takes it. Safe from any thread, as MidiPort requires.
class MidiLogPort final : public MidiPort {
 public:
  /// Receives each line without its newline.
  using LineSink = std::function<void(std::string_view line)>;

  MidiLogPort(MidiPort& inner, const RunLoop& clock, LineSink sink);

  void openOutputs() override { inner_.openOutputs(); }
  void openInputs(MidiListener& listener) override { inner_.openInputs(listener); }
  void closeInputs() override { inner_.closeInputs(); }
  void send(const MidiMessage& message) override;
  std::vector<std::string> destinations() const override { return inner_.destinations(); }
  std::vector<std::string> sources() const override { return inner_.sources(); }

  /// One log line for message sent at time t.
  static std::string formatLine(Duration t, const MidiMessage& message);

 private:
  MidiPort& inner_;
  const RunLoop& clock_;
  LineSink sink_;
  std::mutex mutex_;  // keeps lines whole and in sending order
};

}  // namespace vora
