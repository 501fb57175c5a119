#include "core/midi/midi_handler.h"

#include <algorithm>

#include "core/settings/keys.h"
#include "core/settings/settings_manager.h"

namespace vora {

namespace {

// Stored assignments are used as read; clamping here keeps a damaged store from turning a
// control change into another message kind (0xB0 + 16 is not a control change).
std::uint8_t statusByte(std::uint8_t kind, int channel) {
  return static_cast<std::uint8_t>(kind | std::clamp(channel, 0, 15));
}
std::uint8_t dataByte(int value) { return static_cast<std::uint8_t>(std::clamp(value, 0, 127)); }

prefList channelOf(prefList pref) {
  return raw(pref) < raw(prefList::controlChannel) ? prefList::synthChannel
                                                   : prefList::controlChannel;
}

}  // namespace

MidiHandler::MidiHandler(SettingsManager& manager, Services services)
    : manager_(manager), services_(services) {
  services_.midi.openOutputs();
  services_.midi.openInputs(*this);
}

// The port outlives the handler; nothing may arrive here once the handler is gone.
MidiHandler::~MidiHandler() { services_.midi.closeInputs(); }

void MidiHandler::sendValue(prefList pref, double value) {
  const double v = value * 127.0;
  std::uint8_t* byte = nullptr;
  std::uint8_t* prev = nullptr;
  switch (pref) {
    case prefList::synthX:
    case prefList::controlX:
      byte = &xByte, prev = &xBytePrev;
      break;
    case prefList::synthY:
    case prefList::controlY:
      byte = &yByte, prev = &yBytePrev;
      break;
    case prefList::synthZ:
    case prefList::controlZ:
      byte = &zByte, prev = &zBytePrev;
      break;
    case prefList::synthSpeed:
    case prefList::controlSpeed:
      byte = &speedByte, prev = &speedBytePrev;
      break;
    case prefList::synthChannel:
    case prefList::synthNote:
    case prefList::controlChannel:
    case prefList::controlGate:
      return;
  }
  // Callers pass 0..1; anything else (or NaN) is held to the byte range, not wrapped.
  const std::uint8_t b = v >= 0.0 ? static_cast<std::uint8_t>(std::min(v, 127.0)) : 0;
  *byte = b;
  const bool isZ = pref == prefList::synthZ || pref == prefList::controlZ;
  if (b == *prev && !(isZ && b == 0)) return;
  sendCC(pref, b);
  *prev = b;
}

void MidiHandler::sendCC(prefList pref, int value) {
  const Output o = manager_.output();
  sendControlChange(manager_.prefsArray.get(o, channelOf(pref)), manager_.prefsArray.get(o, pref),
                    value);
}

void MidiHandler::sendGate(int value) { sendCC(prefList::controlGate, value); }

void MidiHandler::sendNoteOn() {
  const Output o = manager_.output();
  services_.midi.send({statusByte(0x90, manager_.prefsArray.get(o, prefList::synthChannel)),
                       dataByte(manager_.prefsArray.get(o, prefList::synthNote)), 127});
}

void MidiHandler::sendNoteOff() {
  const Output o = manager_.output();
  services_.midi.send({statusByte(0x80, manager_.prefsArray.get(o, prefList::synthChannel)),
                       dataByte(manager_.prefsArray.get(o, prefList::synthNote)), 0});
}

void MidiHandler::sendControlCC(int controller, int value) {
  sendControlChange(manager_.prefsArray.get(manager_.output(), prefList::controlChannel),
                    controller, value);
}

void MidiHandler::sendControlChange(int channel, int controller, int value) {
  services_.midi.send({statusByte(0xB0, channel), dataByte(controller), dataByte(value)});
}

void MidiHandler::sendTest(prefList pref) {
  switch (pref) {
    case prefList::synthNote:
      sendNoteOn();
      sendNoteOff();
      return;
    case prefList::synthChannel:
    case prefList::controlChannel:
      return;
    default:
      for (int n = 60; n <= 70; ++n) sendCC(pref, n);
  }
}

void MidiHandler::receivedController(int controller, int value, int /*channel*/) {
  const Output o = manager_.output();
  const double v = value / 127.0;
  if (controller == manager_.prefsArray.get(o, prefList::controlX)) {
    services_.notifications.post(notification::xRecieved);
    manager_.xIn.store(v);
  } else if (controller == manager_.prefsArray.get(o, prefList::controlY)) {
    services_.notifications.post(notification::yRecieved);
    manager_.yIn.store(v);
  } else if (controller == manager_.prefsArray.get(o, prefList::controlZ)) {
    services_.notifications.post(notification::zRecieved);
    manager_.zIn.store(v);
  } else if (controller == 4) {
    services_.log.console("end recieved");
  } else if (controller == 0) {
    services_.log.console("init recieved");
    services_.midi.openOutputs();
  }
}

void MidiHandler::receivedMessage(std::span<const std::uint8_t> bytes) {
  // A control change is exactly a status 0xBn and two data bytes below 0x80; anything
  // else (notes, SysEx, real-time, truncated or running-status fragments) is ignored.
  if (bytes.size() != 3 || (bytes[0] & 0xF0) != 0xB0 || bytes[1] >= 0x80 || bytes[2] >= 0x80) {
    return;
  }
  receivedController(bytes[1], bytes[2], bytes[0] & 0x0F);
}

void MidiHandler::setupChanged() { services_.midi.openOutputs(); }

}  // namespace vora
