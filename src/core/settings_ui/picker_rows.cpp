#include "core/settings_ui/picker_rows.h"

#include <limits>
#include <utility>

#include "core/midi/midi_handler.h"
#include "core/settings/settings_manager.h"

namespace vora {

std::optional<long long> parseWholeNumber(std::string_view text) {
  auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  constexpr long long kMax = std::numeric_limits<long long>::max();
  long long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    const int digit = c - '0';
    value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
  }
  return negative ? -value : value;
}

int clampNumber(long long v) {
  long long c = v <= 127 ? v : 127;
  if (c <= 1) c = 1;
  return static_cast<int>(c);
}

int clampShownChannel(long long v) {
  long long d = v <= 16 ? v : 16;
  if (d <= 1) d = 1;
  return static_cast<int>(d);
}

FormRowCCPicker::FormRowCCPicker(std::string label, IntBinding ccNumber, SettingsManager& manager,
                                 prefList pref)
    : label(std::move(label)), ccNumber(ccNumber), manager(manager), pref(pref) {}

bool FormRowCCPicker::commit(std::string_view text) {
  const auto v = parseWholeNumber(text);
  if (v) commit(*v);
  return v.has_value();
}

void FormRowCCPicker::commit(long long v) {
  // The binding first, then the store, with the binding's new value.
  ccNumber.set(clampNumber(v));
  manager.setPref(pref, ccNumber.get());
}

void FormRowCCPicker::test() { manager.handler->sendTest(pref); }

FormRowNotePicker::FormRowNotePicker(std::string label, IntBinding noteNumber,
                                     SettingsManager& manager)
    : label(std::move(label)), noteNumber(noteNumber), manager(manager) {}

bool FormRowNotePicker::commit(std::string_view text) {
  const auto v = parseWholeNumber(text);
  if (v) commit(*v);
  return v.has_value();
}

void FormRowNotePicker::commit(long long v) {
  noteNumber.set(clampNumber(v));
  manager.setPref(prefList::synthNote, noteNumber.get());
}

void FormRowNotePicker::test() {
  manager.handler->sendNoteOn();
  manager.handler->sendNoteOff();
}

FormRowChannelPicker::FormRowChannelPicker(std::string label, IntBinding channel,
                                           SettingsManager& manager, prefList pref)
    : label(std::move(label)), channel(channel), manager(manager), pref(pref) {}

bool FormRowChannelPicker::commit(std::string_view text) {
  const auto v = parseWholeNumber(text);
  if (v) commit(*v);
  return v.has_value();
}

void FormRowChannelPicker::commit(long long v) {
  channel.set(clampShownChannel(v) - 1);
  manager.setPref(pref, channel.get());
}

}  // namespace vora
