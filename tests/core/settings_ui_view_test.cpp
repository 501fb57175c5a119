#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "core/midi/midi_handler.h"
#include "core/platform/virtual_run_loop.h"
#include "core/settings/keys.h"
#include "core/settings/settings_manager.h"
#include "core/settings_ui/look_list_view.h"
#include "core/settings_ui/settings_view.h"
#include "support/fakes.h"

namespace vora {
namespace {

class SettingsScreen : public ::testing::Test {
 protected:
  MemoryDefaultsStore store;
  NotificationCenter center;
  test::RecordingLog log;
  VirtualRunLoop loop;
  test::RecordingMidiPort port;
  std::unique_ptr<SettingsManager> manager;
  std::vector<std::string> posted;

  SettingsManager& start() {
    manager = std::make_unique<SettingsManager>(Services{store, center, log, loop, port});
    for (auto name :
         {notification::arrowsShown, notification::lockShown, notification::lookChanged}) {
      center.addObserver(name, [this, name] { posted.emplace_back(name); });
    }
    log.lines.clear();
    return *manager;
  }

  static std::vector<int> states(SettingsView& view) {
    std::vector<int> values;
    for (int i = 0; i < kPrefCount; ++i) values.push_back(view.state(static_cast<prefList>(i)));
    return values;
  }
  static std::vector<int> asVector(const PrefRow& row) { return {row.begin(), row.end()}; }
};

TEST_F(SettingsScreen, LoadsTheStoredOutputsRowAtCreation) {
  store.setInteger(key::savedOutput, 2);
  SettingsView view(start());
  EXPECT_EQ(view.preset(), "Rev2");
  EXPECT_EQ(states(view), asVector(rev2Prefs));
}

TEST_F(SettingsScreen, ChoosingAPresetStoresItSelectsItAndShowsItsRow) {
  SettingsManager& m = start();
  m.setOutput(Output::user2);
  m.setPref(prefList::controlX, 33);
  m.setOutput(Output::ableton);
  SettingsView view(m);
  log.lines.clear();

  view.setPreset("User 2");
  EXPECT_EQ(store.storedInteger(key::savedOutput), 4);
  EXPECT_EQ(m.output(), Output::user2);
  EXPECT_EQ(view.preset(), "User 2");
  EXPECT_EQ(view.controlXCC, 33);
  EXPECT_EQ(states(view), asVector(m.prefsArray.row(Output::user2)));
  EXPECT_EQ(log.lines, std::vector<std::string>{"output set to: User 2"});

  // The same preset again stores and reloads again; no assignment changes.
  view.controlXCC = 99;
  view.setPreset("User 2");
  EXPECT_EQ(view.controlXCC, 33);
  EXPECT_EQ(log.lines.size(), 2u);
  EXPECT_EQ(m.prefsArray.get(Output::user2, prefList::controlX), 33);
}

TEST_F(SettingsScreen, APresetNameOutsideTheListRemovesTheChoiceAndSelectsAbleton) {
  store.setInteger(key::savedOutput, 3);
  SettingsView view(start());
  view.setPreset("user 1");
  EXPECT_FALSE(store.exists(key::savedOutput));
  EXPECT_EQ(manager->output(), Output::ableton);
  EXPECT_EQ(states(view), asVector(abletonPrefs));
}

TEST_F(SettingsScreen, BehaviourPickerStoresTheRawValueAndLogsIt) {
  SettingsView view(start());
  EXPECT_EQ(view.behavior(), "Retrigger");
  struct Case {
    const char* chosen;
    NoteBehavior stored;
    const char* line;
  };
  const Case cases[] = {{"Legato", NoteBehavior::legato, "note behavior set to: Legato"},
                        {"Retrigger", NoteBehavior::retrigger, "note behavior set to: Retrigger"},
                        {"retrigger", NoteBehavior::legato, "note behavior set to: Legato"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.chosen);
    log.lines.clear();
    view.setBehavior(c.chosen);
    EXPECT_EQ(manager->noteBehavior(), c.stored);
    EXPECT_EQ(view.behavior(), raw(c.stored));
    EXPECT_EQ(store.stringForKey(key::noteBehavior), raw(c.stored));
    EXPECT_EQ(log.lines, std::vector<std::string>{c.line});
  }
}

TEST_F(SettingsScreen, EveryToggleWritePostsItsNotificationEvenWithoutChange) {
  SettingsView view(start());
  view.setArrows(true);
  view.setArrows(true);
  view.setArrows(false);
  view.setLock(false);
  view.setLock(true);
  EXPECT_EQ(posted, (std::vector<std::string>{"arrows shown", "arrows shown", "arrows shown",
                                              "lock shown", "lock shown"}));
  EXPECT_FALSE(view.arrows());
  EXPECT_TRUE(view.lock());
  ASSERT_NE(store.find(key::showArrows), nullptr);
  EXPECT_EQ(*store.find(key::showArrows), DefaultsValue(false));
  EXPECT_EQ(*store.find(key::showLock), DefaultsValue(true));
}

TEST_F(SettingsScreen, BluetoothRowAndPauseWhileInView) {
  SettingsView view(start());
  std::vector<bool> pauses;
  manager->observeShaderPause([&](bool p) { pauses.push_back(p); });
  view.onAppear();
  EXPECT_TRUE(manager->shaderPause());
  view.bluetoothPressed();
  EXPECT_TRUE(view.showBluetooth);
  EXPECT_EQ(log.lines, std::vector<std::string>{"present bluetooth"});
  view.bluetoothDismissed();
  EXPECT_FALSE(view.showBluetooth);
  view.onDisappear();
  EXPECT_EQ(pauses, (std::vector<bool>{false, true, false}));
}

TEST_F(SettingsScreen, SectionsShowZRowsOnlyOnForceDevicesAndRowsEditTheStates) {
  SettingsManager& m = start();
  auto labels = [](const std::vector<PickerRow>& rows) {
    std::vector<std::string> out;
    for (const auto& r : rows) std::visit([&](const auto& row) { out.push_back(row.label); }, r);
    return out;
  };
  SettingsView view(m);
  EXPECT_EQ(labels(view.synthRows()),
            (std::vector<std::string>{"Channel", "X CC", "Y CC", "Speed CC", "Note"}));
  EXPECT_EQ(labels(view.controlRows()),
            (std::vector<std::string>{"Channel", "X CC", "Y CC", "Speed CC", "Gate CC"}));
  m.isForceTouchDevice = true;
  EXPECT_EQ(labels(view.controlRows()),
            (std::vector<std::string>{"Channel", "X CC", "Y CC", "Z CC", "Speed CC", "Gate CC"}));

  // A row commit writes the screen's state and the manager's row.
  auto row = view.row(prefList::controlZ);
  std::get<FormRowCCPicker>(row).commit(std::string_view("21"));
  EXPECT_EQ(view.controlZCC, 21);
  EXPECT_EQ(m.prefsArray.get(Output::ableton, prefList::controlZ), 21);
  auto channel = view.row(prefList::controlChannel);
  EXPECT_EQ(std::get<FormRowChannelPicker>(channel).displayValue(), 16);
  EXPECT_TRUE(std::holds_alternative<FormRowNotePicker>(view.row(prefList::synthNote)));
}

TEST_F(SettingsScreen, LookRowCaptionFollowsTheSelectedLook) {
  store.setString(key::selectedLookName, "Warp Speed");
  SettingsView view(start());
  EXPECT_EQ(view.lookCaption(), "Warp Speed");
  EXPECT_FALSE(SettingsView::versionText().empty());
}

TEST_F(SettingsScreen, LooksListMarksTheSelectedLookAndReselectsOnTap) {
  LookListView list(start());
  ASSERT_EQ(list.looks().size(), 5u);
  auto marked = [&] {
    std::vector<std::string> names;
    for (const auto& look : list.looks())
      if (list.isSelected(look)) names.push_back(look.name);
    return names;
  };
  EXPECT_EQ(marked(), std::vector<std::string>{"Classic"});

  const Look* heat = list.find("Heat Map");
  ASSERT_NE(heat, nullptr);
  list.tap(*heat);
  list.tap(*heat);
  EXPECT_EQ(marked(), std::vector<std::string>{"Heat Map"});
  EXPECT_EQ(store.stringForKey(key::selectedLookName), "Heat Map");
  EXPECT_EQ(posted, (std::vector<std::string>{"look changed", "look changed"}));
  EXPECT_EQ(log.lines, (std::vector<std::string>{"Heat Map", "Heat Map"}));
  EXPECT_EQ(list.find("heat map"), nullptr);
  EXPECT_EQ(list.find("HeatMap"), nullptr);
}

}  // namespace
}  // namespace vora
