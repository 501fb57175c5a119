#include "adapters/rtmidi/rtmidi_port.h"

#include <rtmidi/RtMidi.h>

#include <algorithm>
#include <cctype>

#include "adapters/rtmidi/midi_receiver.h"
#include "adapters/rtmidi/midi_system_probe.h"

namespace vora {

namespace {

// Names of the ports Vora opens to reach one destination or source.
constexpr const char* kOutputPortName = "Vora out";
constexpr const char* kInputPortName = "Vora in";

RtMidi::Api rtApi(MidiApi api) {
  return api == MidiApi::jack ? RtMidi::UNIX_JACK : RtMidi::LINUX_ALSA;
}

std::string_view displayName(MidiApi api) {
  switch (api) {
    case MidiApi::alsa:
      return "ALSA";
    case MidiApi::jack:
      return "JACK";
    case MidiApi::none:
      return "none";
    case MidiApi::platformDefault:
      break;
  }
  return "default";
}

void onError(RtMidiError::Type type, const std::string& text, void* sink) {
  if (type == RtMidiError::DEBUG_WARNING) return;
  static_cast<MidiErrorSink*>(sink)->report(text);
}

void onMessage(double /*deltaSeconds*/, std::vector<unsigned char>* message, void* receiver) {
  if (message != nullptr && !message->empty()) static_cast<MidiReceiver*>(receiver)->push(*message);
}

std::vector<std::string> listPorts(RtMidi& lister) {
  std::vector<std::string> names;
  const unsigned count = lister.getPortCount();
  for (unsigned i = 0; i < count; ++i) {
    std::string name = lister.getPortName(i);
    if (!name.empty() && !isOwnMidiPort(name)) names.push_back(std::move(name));
  }
  return names;
}

// Port numbers can shift between two listings (another client comes or goes); each object
// finds the port by name in its own listing.
bool openByName(RtMidi& midi, const std::string& name, const char* ourPortName) {
  const unsigned count = midi.getPortCount();
  for (unsigned i = 0; i < count; ++i) {
    if (midi.getPortName(i) == name) {
      midi.openPort(i, ourPortName);
      return midi.isPortOpen();
    }
  }
  return false;
}

}  // namespace

bool isOwnMidiPort(std::string_view portName) {
  const std::string_view client = portName.substr(0, portName.find(':'));
  if (client == kMidiClientName) return true;
  // JACK keeps client names unique by appending "-01", "-02", ...
  const std::size_t n = kMidiClientName.size();
  if (client.size() < n + 2 || client.substr(0, n) != kMidiClientName || client[n] != '-') {
    return false;
  }
  return std::all_of(client.begin() + static_cast<std::ptrdiff_t>(n) + 1, client.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

void MidiErrorSink::report(std::string_view text) {
  count.fetch_add(1, std::memory_order_relaxed);
  std::string line = "MIDI: ";
  line += text;
  log.system(line);
}

RtMidiPort::RtMidiPort(MidiApi api, Log& log)
    : api_(api),
      errors_{log},
      destinationLister_(std::make_unique<RtMidiOut>(rtApi(api), std::string(kMidiClientName))),
      sourceLister_(std::make_unique<RtMidiIn>(rtApi(api), std::string(kMidiClientName))) {
  destinationLister_->setErrorCallback(onError, &errors_);
  sourceLister_->setErrorCallback(onError, &errors_);
}

RtMidiPort::~RtMidiPort() {
  // Inputs first: their callbacks feed the receiver, whose listener may reopen outputs.
  closeInputs();
}

std::unique_ptr<RtMidiOut> RtMidiPort::newOutput() const {
  try {
    auto out = std::make_unique<RtMidiOut>(rtApi(api_), std::string(kMidiClientName));
    out->setErrorCallback(onError, &errors_);
    return out;
  } catch (const RtMidiError& e) {
    errors_.report(e.getMessage());
    return nullptr;
  }
}

std::unique_ptr<RtMidiIn> RtMidiPort::newInput() const {
  try {
    auto in = std::make_unique<RtMidiIn>(rtApi(api_), std::string(kMidiClientName));
    in->setErrorCallback(onError, &errors_);
    return in;
  } catch (const RtMidiError& e) {
    errors_.report(e.getMessage());
    return nullptr;
  }
}

void RtMidiPort::openOutputs() {
  std::lock_guard reopen(reopenMutex_);
  try {
    if (!virtualOutputTried_) {
      virtualOutputTried_ = true;
      auto out = newOutput();
      const unsigned before = errors_.count.load();
      if (out) out->openVirtualPort(std::string(kMidiClientName));
      if (out && errors_.count.load() == before) {
        std::lock_guard lock(sendMutex_);
        virtualOutput_ = std::move(out);
      }
    }
    // Destinations still there keep their connection: a reconnected port can miss what is
    // sent in the next audio cycle, and a lost note off leaves a note hanging.
    std::vector<Output> next;
    std::vector<Output> gone;
    const std::vector<std::string> wanted = destinations();
    {
      std::lock_guard lock(sendMutex_);
      for (Output& o : outputs_) {
        const bool kept = std::find(wanted.begin(), wanted.end(), o.destination) != wanted.end();
        (kept ? next : gone).push_back(std::move(o));
      }
      outputs_.clear();
      outputs_.swap(next);  // the kept ones, so sends go on while new ones open
    }
    gone.clear();
    for (const std::string& name : wanted) {
      // outputs_ changes only here, under reopenMutex_: reading it needs no send lock.
      const bool open = std::any_of(outputs_.begin(), outputs_.end(),
                                    [&](const Output& o) { return o.destination == name; });
      if (open) continue;
      auto out = newOutput();
      if (out && openByName(*out, name, kOutputPortName)) {
        std::lock_guard lock(sendMutex_);
        outputs_.push_back({name, std::move(out)});
      }
    }
  } catch (const RtMidiError& e) {
    errors_.report(e.getMessage());
  }
}

void RtMidiPort::openInputs(MidiListener& listener) {
  std::lock_guard lock(inputMutex_);
  closeInputsLocked();
  receiver_ = std::make_unique<MidiReceiver>(listener);
  try {
    auto in = newInput();
    const unsigned before = errors_.count.load();
    if (in) {
      in->setCallback(onMessage, receiver_.get());
      in->openVirtualPort(std::string(kMidiClientName));
    }
    if (in && errors_.count.load() == before) virtualInput_ = std::move(in);
    for (const std::string& name : sources()) {
      auto source = newInput();
      if (!source) continue;
      source->setCallback(onMessage, receiver_.get());
      if (openByName(*source, name, kInputPortName)) inputs_.push_back(std::move(source));
    }
  } catch (const RtMidiError& e) {
    errors_.report(e.getMessage());
  }
}

void RtMidiPort::closeInputs() {
  std::lock_guard lock(inputMutex_);
  closeInputsLocked();
}

void RtMidiPort::closeInputsLocked() {
  // Closing an input waits for its callback to return, so the receiver outlives them all.
  virtualInput_.reset();
  inputs_.clear();
  receiver_.reset();
}

void RtMidiPort::send(const MidiMessage& message) {
  std::lock_guard lock(sendMutex_);
  try {
    for (Output& o : outputs_) o.out->sendMessage(message.data(), message.size());
    if (virtualOutput_) virtualOutput_->sendMessage(message.data(), message.size());
  } catch (const RtMidiError& e) {
    errors_.report(e.getMessage());
  }
}

std::vector<std::string> RtMidiPort::destinations() const {
  std::lock_guard lock(listMutex_);
  try {
    return listPorts(*destinationLister_);
  } catch (const RtMidiError& e) {
    errors_.report(e.getMessage());
    return {};
  }
}

std::vector<std::string> RtMidiPort::sources() const {
  std::lock_guard lock(listMutex_);
  try {
    return listPorts(*sourceLister_);
  } catch (const RtMidiError& e) {
    errors_.report(e.getMessage());
    return {};
  }
}

OpenedMidiPort openMidiPort(MidiApi api, Log& log) {
  if (api == MidiApi::none) return {std::make_unique<NullMidiPort>(), "none", {}};
  std::vector<MidiApi> candidates{api};
  if (api == MidiApi::platformDefault) candidates = {MidiApi::alsa, MidiApi::jack};
  std::string reasons;
  for (MidiApi candidate : candidates) {
    std::optional<std::string> why = midiSystemUnreachable(candidate);
    if (!why) {
      try {
        return {
            std::make_unique<RtMidiPort>(candidate, log), std::string(displayName(candidate)), {}};
      } catch (const RtMidiError& e) {
        why = e.getMessage();
      }
    }
    if (!reasons.empty()) reasons += "; ";
    reasons += *why;
  }
  return {nullptr, {}, "cannot reach MIDI: " + reasons};
}

}  // namespace vora
