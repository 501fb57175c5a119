#include "core/settings/settings_manager.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>

#include "core/midi/midi_handler.h"
#include "core/settings/keys.h"
#include "core/settings/unusable_settings.h"

namespace vora {

namespace {

std::string prefKey(Output o, prefList p) {
  return "pref." + std::to_string(raw(o)) + "." + std::to_string(raw(p));
}

}  // namespace

PrefRow PrefsArray::row(Output o) const {
  PrefRow copy{};
  for (int p = 0; p < kPrefCount; ++p) copy[p] = get(o, static_cast<prefList>(p));
  return copy;
}

std::vector<Look> makeLookCatalogue() {
  return {
      Look{makeUuid(), "Classic", "Classic", "vora-classic", std::nullopt},
      Look{makeUuid(), "Heat Map", "HeatMap", "heat-map", "heat-map-feedback"},
      Look{makeUuid(), "Pulse Cell", "PulseCell", "pulse-cell", "pulse-cell-feedback"},
      Look{makeUuid(), "Warp Speed", "WarpSpeed", "warp-speed", "warp-speed-feedback"},
      Look{makeUuid(), "Life Flower", "LifeFlower", "life-flower", "life-flower-feedback"},
  };
}

SettingsManager::SettingsManager(Services services)
    : defaults(services.defaults), services_(services), looks_(makeLookCatalogue()) {
  if (const std::string unusable = describeUnusableSettings(defaults, looks_); !unusable.empty()) {
    services_.log.system(unusable);
  }
  handleMarkers();
  loadPrefs();
  loadSettings();
  handler = std::make_unique<MidiHandler>(*this, services_);
}

SettingsManager::~SettingsManager() = default;

void SettingsManager::handleMarkers() {
  if (!defaults.exists(key::firstOpen)) {
    firstOpen = true;
    defaults.setBool(key::firstOpen, false);
  }
  if (!defaults.exists(key::newAbletonPrefs)) {
    setNewAbletonPrefs = true;
    defaults.setBool(key::newAbletonPrefs, true);
  }
  if (!defaults.exists(key::introduceSpeed)) {
    introduceSpeed = true;
    defaults.setBool(key::introduceSpeed, true);
  }
  std::int64_t n = defaults.integerForKey(key::launchCount);
  // A damaged count (below zero, or at the top of the range where it would overflow) starts
  // over instead.
  if (n < 0 || n == std::numeric_limits<std::int64_t>::max()) n = 0;
  n += 1;
  services_.log.console("launch count: " + std::to_string(n));
  if (n % 10 == 0) {
    showRatingAlert = true;
    services_.log.console("show rating alert");
  }
  defaults.setInteger(key::launchCount, n);
}

void SettingsManager::loadPrefs() {
  for (Output o : kAllOutputs) {
    for (int i = 0; i < kPrefCount; ++i) {
      const auto p = static_cast<prefList>(i);
      const std::string k = prefKey(o, p);
      int value;
      if (defaults.exists(k) && !introduceSpeed) {
        services_.log.console(k);
        if (setNewAbletonPrefs) {
          value = abletonPrefs[static_cast<std::size_t>(i)];
        } else {
          // Stored values are used as read; the MIDI handler keeps what it sends in range.
          value = static_cast<int>(std::clamp<std::int64_t>(defaults.integerForKey(k),
                                                            std::numeric_limits<int>::min(),
                                                            std::numeric_limits<int>::max()));
        }
      } else {
        value = factoryRow(o)[static_cast<std::size_t>(i)];
      }
      prefsArray.set(o, p, value);
    }
  }
}

void SettingsManager::loadSettings() {
  if (defaults.exists(key::savedMode)) {
    mode = modeFromStored(defaults.integerForKey(key::savedMode));
  }

  const Look* chosen = &looks_.front();
  if (auto name = defaults.stringForKey(key::selectedLookName)) {
    for (const auto& look : looks_) {
      if (look.name == *name) {
        chosen = &look;
        break;
      }
    }
  }
  willChange();
  selectedLook_ = *chosen;

  // Only a stored integer counts: a string or a Boolean here is not a choice.
  if (auto stored = defaults.storedInteger(key::savedOutput)) {
    if (auto o = outputFromRaw(*stored)) setOutput(*o);
  }
  if (auto stored = defaults.storedInteger(key::savedSensitivity)) {
    if (auto s = sensitivityFromRaw(*stored)) setSensitivity(*s);
  }
  if (defaults.exists(key::pulseGateEnabled)) {
    setPulseGateEnabled(defaults.boolForKey(key::pulseGateEnabled));
  }
}

void SettingsManager::setPref(prefList pref, int value) {
  const Output o = output();
  prefsArray.set(o, pref, value);
  const std::string k = prefKey(o, pref);
  defaults.setInteger(k, value);
  services_.log.console("set " + k + " to " + std::to_string(value));
}

void SettingsManager::selectLook(const Look& look) {
  willChange();
  selectedLook_ = look;
  defaults.setString(key::selectedLookName, look.name);
  services_.notifications.post(notification::lookChanged);
  services_.log.console(selectedLook_ ? selectedLook_->name : std::string());
}

void SettingsManager::setPulseGateEnabled(bool value) {
  willChange();
  pulseGateEnabled_ = value;
}

void SettingsManager::setOutput(Output value) {
  willChange();
  output_.store(value, std::memory_order_relaxed);
}

void SettingsManager::setSensitivity(Sensitivity value) {
  willChange();
  sensitivity_ = value;
}

void SettingsManager::setShaderPause(bool value) {
  willChange();
  shaderPause_ = value;
  for (auto& fn : pauseObservers_) fn(value);
}

NoteBehavior SettingsManager::noteBehavior() const {
  if (auto stored = defaults.stringForKey(key::noteBehavior)) {
    if (auto b = noteBehaviorFromRaw(*stored)) return *b;
  }
  return NoteBehavior::retrigger;
}

void SettingsManager::setNoteBehavior(NoteBehavior value) {
  willChange();
  defaults.setString(key::noteBehavior, raw(value));
}

bool SettingsManager::showArrows() const { return defaults.boolForKey(key::showArrows); }

void SettingsManager::setShowArrows(bool value) {
  willChange();
  defaults.setBool(key::showArrows, value);
}

bool SettingsManager::showLock() const { return defaults.boolForKey(key::showLock); }

void SettingsManager::setShowLock(bool value) {
  willChange();
  defaults.setBool(key::showLock, value);
}

void SettingsManager::observeChanges(std::function<void()> fn) {
  changeObservers_.push_back(std::move(fn));
}

void SettingsManager::observeShaderPause(std::function<void(bool)> fn) {
  fn(shaderPause_);
  pauseObservers_.push_back(std::move(fn));
}

void SettingsManager::willChange() {
  for (auto& fn : changeObservers_) fn();
}

}  // namespace vora
