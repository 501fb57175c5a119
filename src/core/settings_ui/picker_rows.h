#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/settings/types.h"

namespace vora {

class SettingsManager;

/// A two-way binding to an integer the settings screen owns.
class IntBinding {
 public:
  explicit IntBinding(int& value) : value_(&value) {}
  int get() const { return *value_; }
  void set(int value) { *value_ = value; }

 private:
  int* value_;
};

/// Typed text read as a whole number: surrounding spaces, an optional sign, then decimal
/// digits and nothing else. Numbers beyond the long long range saturate (they clamp anyway).
/// Anything else ("", "12.5", "1e3", "abc", "1 2") gives none.
std::optional<long long> parseWholeNumber(std::string_view text);

/// A controller or note number as the rows store it: v limited to 1..127.
int clampNumber(long long v);
/// A channel as the channel rows show it: v limited to 1..16 (stored one lower).
int clampShownChannel(long long v);

/// The row that edits one controller number of the current output, with a "Test" button.
class FormRowCCPicker {
 public:
  FormRowCCPicker(std::string label, IntBinding ccNumber, SettingsManager& manager, prefList pref);

  static constexpr std::string_view placeholder = "cc";

  /// The number the field shows.
  int displayValue() const { return ccNumber.get(); }
  /// Commits typed text; text that is not a whole number is not committed (returns false).
  bool commit(std::string_view text);
  /// Clamps v to 1..127, sets the binding, then stores it for pref in the current output.
  void commit(long long v);
  /// "Test": eleven control changes 60..70 on this row's controller.
  void test();

  std::string label;
  IntBinding ccNumber;
  SettingsManager& manager;
  prefList pref;
  bool isFocused = false;
};

/// The row that edits the synth note, with a "Test" button that plays it once.
class FormRowNotePicker {
 public:
  FormRowNotePicker(std::string label, IntBinding noteNumber, SettingsManager& manager);

  static constexpr std::string_view placeholder = "note";

  int displayValue() const { return noteNumber.get(); }
  bool commit(std::string_view text);
  /// Clamps v to 1..127, sets the binding, then stores it for synthNote.
  void commit(long long v);
  /// "Test": note on, then at once note off, of the stored synth note.
  void test();

  std::string label;
  IntBinding noteNumber;
  SettingsManager& manager;
  bool isFocused = false;
};

/// The row that edits a channel, shown 1..16 and stored 0..15. It has no "Test" button.
class FormRowChannelPicker {
 public:
  FormRowChannelPicker(std::string label, IntBinding channel, SettingsManager& manager,
                       prefList pref);

  static constexpr std::string_view placeholder = "channel";

  /// The one-based channel the field shows.
  int displayValue() const { return channel.get() + 1; }
  bool commit(std::string_view text);
  /// Clamps the shown channel v to 1..16, sets the binding to v - 1 and stores that for pref.
  void commit(long long v);

  std::string label;
  IntBinding channel;
  SettingsManager& manager;
  prefList pref;
  bool isFocused = false;
};

}  // namespace vora
