#pragma once

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/platform/services.h"
#include "core/settings/types.h"

namespace vora {

class MidiHandler;

/// The six preset rows. Each entry is read whole by the MIDI receiving thread while the
/// main thread may write it, hence atomics.
class PrefsArray {
 public:
  using Row = std::array<std::atomic<int>, kPrefCount>;
  Row& operator[](std::size_t output) { return rows_[output]; }
  const Row& operator[](std::size_t output) const { return rows_[output]; }
  int get(Output o, prefList p) const {
    return rows_[static_cast<std::size_t>(raw(o))][static_cast<std::size_t>(raw(p))].load(
        std::memory_order_relaxed);
  }
  void set(Output o, prefList p, int value) {
    rows_[static_cast<std::size_t>(raw(o))][static_cast<std::size_t>(raw(p))].store(
        value, std::memory_order_relaxed);
  }
  /// A plain copy of one row.
  PrefRow row(Output o) const;

 private:
  std::array<Row, kOutputCount> rows_{};
};

/// The one shared settings object: configuration, stored settings, the look catalogue and
/// the values that cross between subsystems. Owns the MIDI handler. Main thread, except
/// where a member says otherwise.
class SettingsManager {
 public:
  /// Loads everything from the store, in order: markers and launch count, loadPrefs,
  /// loadSettings, then creates the MIDI handler, which opens its ports at once.
  explicit SettingsManager(Services services);
  ~SettingsManager();
  SettingsManager(const SettingsManager&) = delete;
  SettingsManager& operator=(const SettingsManager&) = delete;

  // Plain fields: nobody is notified of their changes.
  std::unique_ptr<MidiHandler> handler;
  /// Received from the connected software, 0..1; written on the MIDI receiving thread.
  std::atomic<double> xIn{0}, yIn{0}, zIn{0};
  bool firstOpen = false;
  bool setNewAbletonPrefs = false;
  bool showRatingAlert = false;
  bool introduceSpeed = false;
  bool isForceTouchDevice = false;
  Platform platform = Platform::iphone_2d;
  Mode mode = Mode::synth;
  DefaultsStore& defaults;
  PrefsArray prefsArray;

  // Published properties: observers hear of a change just before it happens.
  bool pulseGateEnabled() const { return pulseGateEnabled_; }
  void setPulseGateEnabled(bool value);
  /// The selected output; safe to read from any thread.
  Output output() const { return output_.load(std::memory_order_relaxed); }
  void setOutput(Output value);
  Sensitivity sensitivity() const { return sensitivity_; }
  void setSensitivity(Sensitivity value);
  bool shaderPause() const { return shaderPause_; }
  void setShaderPause(bool value);
  const std::optional<Look>& selectedLook() const { return selectedLook_; }
  const std::vector<Look>& looks() const { return looks_; }

  // Stored settings: every read and write goes to the store.
  NoteBehavior noteBehavior() const;
  void setNoteBehavior(NoteBehavior value);
  bool showArrows() const;
  void setShowArrows(bool value);
  bool showLock() const;
  void setShowLock(bool value);

  /// Stores one mapping value for the current output, in memory and in the store.
  void setPref(prefList pref, int value);
  /// Selects a look, stores its name, posts "look changed" and logs the name.
  void selectLook(const Look& look);
  /// Fills prefsArray from the store and the factory rows (start-up only).
  void loadPrefs();
  /// Restores mode, look, output, sensitivity and pulse gate (start-up only).
  void loadSettings();

  /// Calls fn just before any published property changes; for the screens.
  void observeChanges(std::function<void()> fn);
  /// Calls fn with the current shaderPause now and with every value set later.
  void observeShaderPause(std::function<void(bool)> fn);

  Services& services() { return services_; }

 private:
  void willChange();
  void handleMarkers();

  Services services_;
  bool pulseGateEnabled_ = false;
  std::atomic<Output> output_{Output::ableton};
  Sensitivity sensitivity_ = Sensitivity::medium;
  bool shaderPause_ = false;
  std::optional<Look> selectedLook_;
  std::vector<Look> looks_;
  std::vector<std::function<void()>> changeObservers_;
  std::vector<std::function<void(bool)>> pauseObservers_;
};

/// The five looks, with fresh ids, in catalogue order.
std::vector<Look> makeLookCatalogue();

}  // namespace vora
