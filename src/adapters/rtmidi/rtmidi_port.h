#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "adapters/rtmidi/midi_api.h"
#include "core/platform/log.h"
#include "core/platform/midi_port.h"

class RtMidiIn;
class RtMidiOut;

namespace vora {

class MidiReceiver;

/// The name of Vora's MIDI clients and of its virtual ports, as other software sees them.
inline constexpr std::string_view kMidiClientName = "Vora";

/// True for a port of Vora's own clients ("Vora:..." or, on JACK, "Vora-01:..."): Vora never
/// sends to nor listens to itself.
bool isOwnMidiPort(std::string_view portName);

/// What opening a MIDI system gave: a port, or one line saying why there is none.
struct OpenedMidiPort {
  /// The port; null when the MIDI system cannot be reached.
  std::unique_ptr<MidiPort> port;
  /// Display name of the system opened ("ALSA", "JACK", "none").
  std::string systemName;
  /// Why there is no port (empty when there is one).
  std::string error;
};

/// Opens the MIDI system api. none gives a port that reaches nothing; platformDefault takes
/// the first system that can be reached. Opens no ports yet. Errors later go to log.system.
OpenedMidiPort openMidiPort(MidiApi api, Log& log);

/// Where RtMidi's errors go: one line each on the system log, counted so that a caller can
/// tell whether the call it just made failed. Safe from any thread.
struct MidiErrorSink {
  Log& log;
  std::atomic<unsigned> count{0};
  void report(std::string_view text);
};

/// MidiPort on RtMidi: one output per destination, one input per source, and a virtual
/// output and input named "Vora" so that other software can pick Vora itself.
class RtMidiPort final : public MidiPort {
 public:
  /// api is alsa or jack, and reachable. May throw RtMidiError; openMidiPort catches it.
  RtMidiPort(MidiApi api, Log& log);
  ~RtMidiPort() override;
  RtMidiPort(const RtMidiPort&) = delete;
  RtMidiPort& operator=(const RtMidiPort&) = delete;

  void openOutputs() override;
  void openInputs(MidiListener& listener) override;
  void closeInputs() override;
  void send(const MidiMessage& message) override;
  std::vector<std::string> destinations() const override;
  std::vector<std::string> sources() const override;

 private:
  struct Output {
    std::string destination;
    std::unique_ptr<RtMidiOut> out;
  };

  std::unique_ptr<RtMidiOut> newOutput() const;
  std::unique_ptr<RtMidiIn> newInput() const;
  void closeInputsLocked();

  MidiApi api_;
  mutable MidiErrorSink errors_;

  mutable std::mutex listMutex_;  // the listers are RtMidi objects, not thread-safe
  std::unique_ptr<RtMidiOut> destinationLister_;
  std::unique_ptr<RtMidiIn> sourceLister_;

  // Reopening opens new outputs outside sendMutex_, so a send never waits for clients to be
  // created; reopenMutex_ keeps two reopenings (main and receiving thread) apart.
  std::mutex reopenMutex_;
  std::mutex sendMutex_;
  std::vector<Output> outputs_;
  std::unique_ptr<RtMidiOut> virtualOutput_;
  bool virtualOutputTried_ = false;  // under reopenMutex_

  std::mutex inputMutex_;
  std::unique_ptr<MidiReceiver> receiver_;
  std::vector<std::unique_ptr<RtMidiIn>> inputs_;
  std::unique_ptr<RtMidiIn> virtualInput_;
};

}  // namespace vora
