#include "core/settings_ui/settings_view.h"

#include <string>

#include "core/settings/keys.h"
#include "core/settings/settings_manager.h"
#include "core/touch/view_controller.h"
#include "version.h"

namespace vora {

namespace {

constexpr std::array<LinkRow, 4> kLinks{{
    // The same page as the welcome's "Setup Instructions".
    {"Setup", "hammer", kSetupInstructionsUrl},
    {"Presets", "bag", "https://vora.app/presets"},
    {"Instagram", "camera", "https://www.instagram.com/vora.app"},
    {"Youtube", "play", "https://www.youtube.com/@vora-app"},
}};

}  // namespace

SettingsView::SettingsView(SettingsManager& manager) : manager(manager) { loadPresetValues(); }

int& SettingsView::state(prefList pref) {
  switch (pref) {
    case prefList::synthChannel:
      return synthChannel;
    case prefList::synthX:
      return synthXCC;
    case prefList::synthY:
      return synthYCC;
    case prefList::synthZ:
      return synthZCC;
    case prefList::synthSpeed:
      return synthSpeedCC;
    case prefList::synthNote:
      return synthNote;
    case prefList::controlChannel:
      return controlChannel;
    case prefList::controlX:
      return controlXCC;
    case prefList::controlY:
      return controlYCC;
    case prefList::controlZ:
      return controlZCC;
    case prefList::controlSpeed:
      return controlSpeedCC;
    case prefList::controlGate:
      return controlGateCC;
  }
  return synthChannel;
}

void SettingsView::loadPresetValues() {
  const PrefRow row = manager.prefsArray.row(manager.output());
  for (int i = 0; i < kPrefCount; ++i)
    state(static_cast<prefList>(i)) = row[static_cast<std::size_t>(i)];
}

std::string_view SettingsView::preset() const { return displayName(manager.output()); }

void SettingsView::setPreset(std::string_view name) {
  std::optional<int> index;
  for (std::size_t i = 0; i < outputNames.size(); ++i) {
    if (outputNames[i] == name) {
      index = static_cast<int>(i);
      break;
    }
  }
  if (index) {
    manager.defaults.setInteger(key::savedOutput, *index);
  } else {
    manager.defaults.remove(key::savedOutput);
  }
  manager.setOutput(index ? outputFromRaw(*index).value_or(Output::ableton) : Output::ableton);
  loadPresetValues();
  manager.services().log.console("output set to: " + std::string(name));
}

std::string_view SettingsView::behavior() const {
  return manager.noteBehavior() == NoteBehavior::retrigger ? "Retrigger" : "Legato";
}

void SettingsView::setBehavior(std::string_view text) {
  manager.setNoteBehavior(noteBehaviorFromRaw(text).value_or(NoteBehavior::legato));
  manager.services().log.console("note behavior set to: " +
                                 std::string(raw(manager.noteBehavior())));
}

bool SettingsView::arrows() const { return manager.showArrows(); }

void SettingsView::setArrows(bool on) {
  manager.setShowArrows(on);
  manager.services().notifications.post(notification::arrowsShown);
}

bool SettingsView::lock() const { return manager.showLock(); }

void SettingsView::setLock(bool on) {
  manager.setShowLock(on);
  manager.services().notifications.post(notification::lockShown);
}

void SettingsView::bluetoothPressed() {
  showBluetooth = true;
  manager.services().log.console("present bluetooth");
}

void SettingsView::onAppear() { manager.setShaderPause(true); }

void SettingsView::onDisappear() { manager.setShaderPause(false); }

std::string SettingsView::lookCaption() const {
  const auto& look = manager.selectedLook();
  return look ? look->name : std::string();
}

bool SettingsView::showsZRows() const { return manager.isForceTouchDevice; }

std::string_view SettingsView::versionText() { return kVersion; }

PickerRow SettingsView::row(prefList pref) {
  IntBinding binding(state(pref));
  switch (pref) {
    case prefList::synthChannel:
    case prefList::controlChannel:
      return FormRowChannelPicker("Channel", binding, manager, pref);
    case prefList::synthNote:
      return FormRowNotePicker("Note", binding, manager);
    case prefList::synthX:
    case prefList::controlX:
      return FormRowCCPicker("X CC", binding, manager, pref);
    case prefList::synthY:
    case prefList::controlY:
      return FormRowCCPicker("Y CC", binding, manager, pref);
    case prefList::synthZ:
    case prefList::controlZ:
      return FormRowCCPicker("Z CC", binding, manager, pref);
    case prefList::synthSpeed:
    case prefList::controlSpeed:
      return FormRowCCPicker("Speed CC", binding, manager, pref);
    case prefList::controlGate:
      return FormRowCCPicker("Gate CC", binding, manager, pref);
  }
  return FormRowChannelPicker("Channel", binding, manager, pref);
}

std::vector<PickerRow> SettingsView::synthRows() {
  std::vector<PickerRow> rows;
  for (prefList p : {prefList::synthChannel, prefList::synthX, prefList::synthY, prefList::synthZ,
                     prefList::synthSpeed, prefList::synthNote}) {
    if (p == prefList::synthZ && !showsZRows()) continue;
    rows.push_back(row(p));
  }
  return rows;
}

std::vector<PickerRow> SettingsView::controlRows() {
  std::vector<PickerRow> rows;
  for (prefList p : {prefList::controlChannel, prefList::controlX, prefList::controlY,
                     prefList::controlZ, prefList::controlSpeed, prefList::controlGate}) {
    if (p == prefList::controlZ && !showsZRows()) continue;
    rows.push_back(row(p));
  }
  return rows;
}

const std::array<LinkRow, 4>& SettingsView::links() { return kLinks; }

}  // namespace vora
