#pragma once

#include <array>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/settings/types.h"
#include "core/settings_ui/picker_rows.h"

namespace vora {

class SettingsManager;

/// One row of the "Synth Mode" or "Control Mode" section.
using PickerRow = std::variant<FormRowChannelPicker, FormRowCCPicker, FormRowNotePicker>;

/// One row of the "Links" section.
struct LinkRow {
  std::string_view title;
  std::string_view symbol;  ///< system symbol name, for the window's icon
  std::string_view url;
};

/// The settings screen as a model: its working copy of the current preset row, the preset
/// and behaviour pickers, the interface switches, the "Bluetooth" row and the pause of the
/// look while it is in view. A window draws it and a script drives it. Main thread only.
/// Build a fresh one for each presentation.
class SettingsView {
 public:
  /// The screen for manager, its twelve states loaded from the current output's row.
  explicit SettingsView(SettingsManager& manager);

  static constexpr std::string_view title = "Vora Settings";
  static constexpr std::string_view behaviorCaption = "Touch Behavoir";
  static constexpr std::string_view behaviorPickerTitle = "Note Behavoir";
  static constexpr std::string_view bluetoothTitle = "Bluetooth";
  static constexpr std::string_view firstFooter =
      "Retrigger mode allows for percusive playing with multiple fingers. This behavior "
      "affects both synth and control modes.";
  static constexpr std::string_view rowsFooter =
      "Press the 'Test' button to send a signal for MIDI mapping. Press the numbers to set them.";

  /// Reloads the twelve states from the manager's row of its current output.
  void loadPresetValues();

  /// The preset picker's selection: the display name of the current output.
  std::string_view preset() const;
  /// The preset picker chooses name: stores its index under "SavedOutput", selects that
  /// output, reloads the states and logs "output set to: " + name.
  void setPreset(std::string_view name);

  /// The behaviour picker's selection: "Retrigger" or "Legato".
  std::string_view behavior() const;
  /// The behaviour picker chooses text ("Legato" or "Retrigger"; anything else means legato)
  /// and logs "note behavior set to: " + the stored behaviour.
  void setBehavior(std::string_view text);

  /// The "Arrows" and "Lock" switches. Each write stores the value and posts "arrows shown"
  /// or "lock shown", even when the value does not change.
  bool arrows() const;
  void setArrows(bool on);
  bool lock() const;
  void setLock(bool on);

  /// The "Bluetooth" row was tapped: the pairing sheet shows and "present bluetooth" is logged.
  void bluetoothPressed();
  /// The pairing sheet was dismissed.
  void bluetoothDismissed() { showBluetooth = false; }

  /// The screen came into view / left it: the look pauses while the screen shows.
  void onAppear();
  void onDisappear();

  /// The "Look" row's caption: the selected look's name, empty when none is selected.
  std::string lookCaption() const;
  /// True when the "Z CC" rows are shown (force-capable devices).
  bool showsZRows() const;
  /// The "Version" row's text.
  static std::string_view versionText();

  /// The rows of the "Synth Mode" and "Control Mode" sections as shown, in screen order.
  std::vector<PickerRow> synthRows();
  std::vector<PickerRow> controlRows();
  /// The row of pref, whether or not the screen shows it (the Z rows).
  PickerRow row(prefList pref);

  /// The working copy of entry pref of the current output's row.
  int& state(prefList pref);

  /// The "Links" section's rows.
  static const std::array<LinkRow, 4>& links();

  SettingsManager& manager;
  // The twelve states, in prefList order; channels held zero-based.
  int synthChannel = 0;
  int synthXCC = 0;
  int synthYCC = 0;
  int synthZCC = 0;
  int synthSpeedCC = 0;
  int synthNote = 0;
  int controlChannel = 0;
  int controlXCC = 0;
  int controlYCC = 0;
  int controlZCC = 0;
  int controlSpeedCC = 0;
  int controlGateCC = 0;
  bool showBluetooth = false;
};

}  // namespace vora
