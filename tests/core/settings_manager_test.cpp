#include "core/settings/settings_manager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "core/midi/midi_handler.h"
#include "core/platform/virtual_run_loop.h"
#include "core/settings/keys.h"
#include "support/fakes.h"

namespace vora {
namespace {

// One run of the app after another on the same store.
struct Runs {
  MemoryDefaultsStore store;
  NotificationCenter center;
  test::RecordingLog log;
  VirtualRunLoop loop;
  test::RecordingMidiPort port;

  std::unique_ptr<SettingsManager> start() {
    log.lines.clear();
    return std::make_unique<SettingsManager>(Services{store, center, log, loop, port});
  }
  // The markers a returning user's store holds.
  void markersPresent() {
    store.setBool(key::firstOpen, false);
    store.setBool(key::newAbletonPrefs, true);
    store.setBool(key::introduceSpeed, true);
    store.setInteger(key::launchCount, 1);
  }
  bool logged(const std::string& line) const {
    return std::find(log.lines.begin(), log.lines.end(), line) != log.lines.end();
  }
};

void expectFactoryRows(const SettingsManager& m) {
  for (Output o : kAllOutputs) EXPECT_EQ(m.prefsArray.row(o), factoryRow(o)) << caseName(o);
}

TEST(SettingsManager, FirstRunOnAnEmptyStore) {
  Runs runs;
  auto m = runs.start();
  EXPECT_TRUE(m->firstOpen);
  EXPECT_TRUE(m->setNewAbletonPrefs);
  EXPECT_TRUE(m->introduceSpeed);
  EXPECT_FALSE(m->showRatingAlert);
  EXPECT_EQ(*runs.store.find(key::firstOpen), DefaultsValue(false));
  EXPECT_EQ(*runs.store.find(key::newAbletonPrefs), DefaultsValue(true));
  EXPECT_EQ(*runs.store.find(key::introduceSpeed), DefaultsValue(true));
  EXPECT_EQ(*runs.store.find(key::launchCount), DefaultsValue(std::int64_t{1}));
  expectFactoryRows(*m);
  EXPECT_EQ(m->output(), Output::ableton);
  EXPECT_EQ(m->mode, Mode::synth);
  EXPECT_EQ(m->sensitivity(), Sensitivity::medium);
  EXPECT_EQ(m->noteBehavior(), NoteBehavior::retrigger);
  EXPECT_FALSE(m->pulseGateEnabled());
  EXPECT_FALSE(m->showArrows());
  EXPECT_FALSE(m->showLock());
  EXPECT_FALSE(m->shaderPause());
  EXPECT_EQ(m->platform, Platform::iphone_2d);
  ASSERT_TRUE(m->selectedLook());
  EXPECT_EQ(m->selectedLook()->name, "Classic");
  EXPECT_EQ(runs.log.lines, (std::vector<std::string>{"launch count: 1"}));
  // The handler is made last and opens its ports at once.
  ASSERT_NE(m->handler, nullptr);
  EXPECT_EQ(runs.port.outputOpenings, 1);
  EXPECT_EQ(runs.port.listener, m->handler.get());
  // Only the markers and the count were written.
  EXPECT_EQ(runs.store.values().size(), 4u);
}

TEST(SettingsManager, TheLookCatalogueInOrder) {
  Runs runs;
  auto m = runs.start();
  struct Row {
    const char* name;
    const char* preview;
    const char* shader;
    std::optional<std::string> feedback;
  };
  const Row expected[] = {
      {"Classic", "Classic", "vora-classic", std::nullopt},
      {"Heat Map", "HeatMap", "heat-map", "heat-map-feedback"},
      {"Pulse Cell", "PulseCell", "pulse-cell", "pulse-cell-feedback"},
      {"Warp Speed", "WarpSpeed", "warp-speed", "warp-speed-feedback"},
      {"Life Flower", "LifeFlower", "life-flower", "life-flower-feedback"},
  };
  ASSERT_EQ(m->looks().size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const Look& look = m->looks()[i];
    EXPECT_EQ(look.name, expected[i].name);
    EXPECT_EQ(look.previewImage, expected[i].preview);
    EXPECT_EQ(look.shader, expected[i].shader);
    EXPECT_EQ(look.feedbackShader, expected[i].feedback);
    for (std::size_t j = 0; j < i; ++j) EXPECT_NE(look.id, m->looks()[j].id);
  }
}

TEST(SettingsManager, SetPrefWritesOneEntryOfTheCurrentRowAndStoresIt) {
  Runs runs;
  auto m = runs.start();
  m->setOutput(Output::bitwig);
  m->setPref(prefList::controlX, 21);
  EXPECT_EQ(m->prefsArray.get(Output::bitwig, prefList::controlX), 21);
  EXPECT_EQ(m->prefsArray.get(Output::ableton, prefList::controlX), 116);
  EXPECT_EQ(m->prefsArray.get(Output::user1, prefList::controlX), 116);
  EXPECT_EQ(*runs.store.find("pref.1.7"), DefaultsValue(std::int64_t{21}));
  EXPECT_EQ(runs.log.lines.back(), "set pref.1.7 to 21");

  // The rows are independent though three outputs start from the same factory row.
  m->setOutput(Output::user3);
  m->setPref(prefList::synthNote, 48);
  m->setOutput(Output::rev2);
  m->setPref(prefList::controlGate, 64);
  EXPECT_EQ(runs.log.lines.back(), "set pref.2.11 to 64");
  EXPECT_EQ(m->prefsArray.get(Output::user3, prefList::synthNote), 48);
  for (Output o : {Output::bitwig, Output::user1, Output::user2}) {
    EXPECT_EQ(m->prefsArray.get(o, prefList::synthNote), 60) << caseName(o);
  }
  EXPECT_EQ(m->prefsArray.row(Output::user2), defaultPrefs);
  // Changing the output moved no value.
  EXPECT_EQ(m->prefsArray.get(Output::bitwig, prefList::controlX), 21);
}

TEST(SettingsManager, EditsComeBackInTheNextRunAndTheirKeysAreLogged) {
  Runs runs;
  runs.start();  // the first run writes the markers
  {
    auto m = runs.start();
    m->setOutput(Output::bitwig);
    m->setPref(prefList::synthX, 20);
  }
  auto m = runs.start();
  EXPECT_FALSE(m->firstOpen);
  EXPECT_FALSE(m->setNewAbletonPrefs);
  EXPECT_FALSE(m->introduceSpeed);
  EXPECT_EQ(m->prefsArray.get(Output::bitwig, prefList::synthX), 20);
  PrefRow bitwig = defaultPrefs;
  bitwig[1] = 20;
  EXPECT_EQ(m->prefsArray.row(Output::bitwig), bitwig);
  for (Output o : {Output::ableton, Output::rev2, Output::user1, Output::user2, Output::user3}) {
    EXPECT_EQ(m->prefsArray.row(o), factoryRow(o)) << caseName(o);
  }
  EXPECT_EQ(runs.log.lines, (std::vector<std::string>{"launch count: 3", "pref.1.1"}));
}

TEST(SettingsManager, MissingSpeedMarkerGivesFactoryRowsForOneRun) {
  Runs runs;
  runs.markersPresent();
  runs.store.remove(key::introduceSpeed);
  runs.store.setInteger("pref.1.1", 20);
  runs.store.setInteger("pref.0.7", 21);
  {
    auto m = runs.start();
    EXPECT_TRUE(m->introduceSpeed);
    EXPECT_FALSE(m->firstOpen);
    EXPECT_FALSE(m->setNewAbletonPrefs);
    expectFactoryRows(*m);
    EXPECT_FALSE(runs.logged("pref.1.1"));
    EXPECT_EQ(runs.store.integerForKey("pref.1.1"), 20);  // kept for the next run
  }
  auto m = runs.start();
  EXPECT_FALSE(m->introduceSpeed);
  EXPECT_EQ(m->prefsArray.get(Output::bitwig, prefList::synthX), 20);
  EXPECT_EQ(m->prefsArray.get(Output::ableton, prefList::controlX), 21);
}

TEST(SettingsManager, MissingAbletonMarkerTakesAbletonValuesForEveryStoredKeyForOneRun) {
  Runs runs;
  runs.markersPresent();
  runs.store.remove(key::newAbletonPrefs);
  runs.store.setInteger("pref.2.1", 5);
  runs.store.setInteger("pref.4.6", 3);
  {
    auto m = runs.start();
    EXPECT_TRUE(m->setNewAbletonPrefs);
    EXPECT_EQ(m->prefsArray.get(Output::rev2, prefList::synthX), 116);  // Ableton's synthX
    EXPECT_EQ(m->prefsArray.get(Output::rev2, prefList::synthY), 2);    // Rev2's own, no key
    EXPECT_EQ(m->prefsArray.get(Output::user2, prefList::controlChannel), 15);
    EXPECT_TRUE(runs.logged("pref.2.1"));
    EXPECT_EQ(*runs.store.find(key::newAbletonPrefs), DefaultsValue(true));
  }
  auto m = runs.start();
  EXPECT_EQ(m->prefsArray.get(Output::rev2, prefList::synthX), 5);
  EXPECT_EQ(m->prefsArray.get(Output::user2, prefList::controlChannel), 3);
}

TEST(SettingsManager, StoredPrefsAreReadAsTheStoresIntegerConversion) {
  Runs runs;
  runs.markersPresent();
  runs.store.set("pref.0.1", std::string("21"));  // no number: 0, used as read
  runs.store.set("pref.0.2", 21.9);               // a real number: truncated
  runs.store.set("pref.0.3", true);               // a Boolean: 0
  runs.store.set("pref.0.4", std::int64_t{1} << 40);
  runs.store.set("pref.0.5", OtherValue{"[60]"});
  auto m = runs.start();
  EXPECT_EQ(m->prefsArray.get(Output::ableton, prefList::synthX), 0);
  EXPECT_EQ(m->prefsArray.get(Output::ableton, prefList::synthY), 21);
  EXPECT_EQ(m->prefsArray.get(Output::ableton, prefList::synthZ), 0);
  EXPECT_EQ(m->prefsArray.get(Output::ableton, prefList::synthSpeed),
            std::numeric_limits<int>::max());
  EXPECT_EQ(m->prefsArray.get(Output::ableton, prefList::synthNote), 0);
}

TEST(SettingsManager, LaunchCountAndRatingAlert) {
  struct Case {
    std::optional<DefaultsValue> stored;
    std::int64_t next;
    bool alert;
  };
  const Case cases[] = {
      {std::nullopt, 1, false},
      {std::int64_t{9}, 10, true},
      {std::int64_t{10}, 11, false},
      {std::int64_t{19}, 20, true},
      {std::int64_t{99}, 100, true},
      {std::string("nine"), 1, false},
      {std::numeric_limits<std::int64_t>::max(), 1, false},  // no overflow
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.next);
    Runs runs;
    runs.markersPresent();
    if (c.stored) {
      runs.store.set(key::launchCount, *c.stored);
    } else {
      runs.store.remove(key::launchCount);
    }
    auto m = runs.start();
    EXPECT_EQ(*runs.store.find(key::launchCount), DefaultsValue(c.next));
    EXPECT_EQ(m->showRatingAlert, c.alert);
    std::vector<std::string> lines{"launch count: " + std::to_string(c.next)};
    if (c.alert) lines.push_back("show rating alert");
    EXPECT_EQ(runs.log.lines, lines);
  }
}

TEST(SettingsManager, StoredSettingsWithUsableAndUnusableValues) {
  struct Case {
    const char* what;
    std::string_view key;
    DefaultsValue value;
    Output output;
    Mode mode;
    Sensitivity sensitivity;
    bool pulseGate;
  };
  constexpr auto A = Output::ableton;
  constexpr auto S = Mode::synth;
  constexpr auto M = Sensitivity::medium;
  const Case cases[] = {
      {"output 2", key::savedOutput, std::int64_t{2}, Output::rev2, S, M, false},
      {"output 5", key::savedOutput, std::int64_t{5}, Output::user3, S, M, false},
      {"output 7", key::savedOutput, std::int64_t{7}, A, S, M, false},
      {"output -1", key::savedOutput, std::int64_t{-1}, A, S, M, false},
      {"output text", key::savedOutput, std::string("2"), A, S, M, false},
      {"output bool", key::savedOutput, true, A, S, M, false},
      {"mode 1", key::savedMode, std::int64_t{1}, A, Mode::control, M, false},
      {"mode 0", key::savedMode, std::int64_t{0}, A, S, M, false},
      {"mode 2", key::savedMode, std::int64_t{2}, A, S, M, false},
      {"mode text", key::savedMode, std::string("1"), A, S, M, false},
      {"sensitivity 2", key::savedSensitivity, std::int64_t{2}, A, S, Sensitivity::high, false},
      {"sensitivity 0", key::savedSensitivity, std::int64_t{0}, A, S, Sensitivity::low, false},
      {"sensitivity 3", key::savedSensitivity, std::int64_t{3}, A, S, M, false},
      {"sensitivity bool", key::savedSensitivity, true, A, S, M, false},
      {"pulse gate", key::pulseGateEnabled, true, A, S, M, true},
      {"pulse gate 1", key::pulseGateEnabled, std::int64_t{1}, A, S, M, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Runs runs;
    runs.markersPresent();
    runs.store.set(c.key, c.value);
    auto m = runs.start();
    EXPECT_EQ(m->output(), c.output);
    EXPECT_EQ(m->mode, c.mode);
    EXPECT_EQ(m->sensitivity(), c.sensitivity);
    EXPECT_EQ(m->pulseGateEnabled(), c.pulseGate);
  }
}

TEST(SettingsManager, StoredSettingsReadAndWriteTheStoreEveryTime) {
  Runs runs;
  auto m = runs.start();
  runs.store.setString(key::noteBehavior, "legato");
  EXPECT_EQ(m->noteBehavior(), NoteBehavior::retrigger);
  runs.store.setString(key::noteBehavior, "Legato");
  EXPECT_EQ(m->noteBehavior(), NoteBehavior::legato);
  runs.store.setInteger(key::noteBehavior, 0);
  EXPECT_EQ(m->noteBehavior(), NoteBehavior::retrigger);

  m->setNoteBehavior(NoteBehavior::legato);
  EXPECT_EQ(*runs.store.find(key::noteBehavior), DefaultsValue(std::string("Legato")));
  m->setShowArrows(true);
  m->setShowLock(true);
  EXPECT_EQ(*runs.store.find(key::showArrows), DefaultsValue(true));
  EXPECT_TRUE(m->showArrows());
  EXPECT_TRUE(m->showLock());
  runs.store.setInteger(key::showLock, 1);  // not a Boolean
  EXPECT_FALSE(m->showLock());
}

TEST(SettingsManager, LookIsRestoredByItsExactName) {
  struct Case {
    std::optional<DefaultsValue> stored;
    const char* expected;
  };
  const Case cases[] = {
      {std::string("Warp Speed"), "Warp Speed"},
      {std::string("Life Flower"), "Life Flower"},
      {std::string("warp speed"), "Classic"},
      {std::string("WarpSpeed"), "Classic"},
      {std::string("Warp Speed "), "Classic"},
      {std::int64_t{3}, "Classic"},
      {std::nullopt, "Classic"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    Runs runs;
    if (c.stored) runs.store.set(key::selectedLookName, *c.stored);
    auto m = runs.start();
    ASSERT_TRUE(m->selectedLook());
    EXPECT_EQ(m->selectedLook()->name, c.expected);
    // The selection is one of the catalogue's records, ids included.
    EXPECT_NE(std::find(m->looks().begin(), m->looks().end(), *m->selectedLook()),
              m->looks().end());
  }
}

TEST(SettingsManager, LookIdsDifferBetweenRunsAndTheNameStillFindsTheLook) {
  Runs runs;
  std::string firstId;
  {
    auto m = runs.start();
    m->selectLook(m->looks()[3]);
    firstId = m->selectedLook()->id;
  }
  auto m = runs.start();
  EXPECT_EQ(m->selectedLook()->name, "Warp Speed");
  EXPECT_NE(m->selectedLook()->id, firstId);
}

TEST(SettingsManager, SelectLookStoresPostsAndLogsEveryTime) {
  Runs runs;
  auto m = runs.start();
  int posts = 0;
  int changes = 0;
  std::string nameSeenByObserver;
  runs.center.addObserver("look changed", [&] {
    ++posts;
    nameSeenByObserver = m->selectedLook()->name;
  });
  m->observeChanges([&] { ++changes; });
  runs.log.lines.clear();

  m->selectLook(m->looks()[1]);
  EXPECT_EQ(*runs.store.find(key::selectedLookName), DefaultsValue(std::string("Heat Map")));
  EXPECT_EQ(posts, 1);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(nameSeenByObserver, "Heat Map");
  EXPECT_EQ(runs.log.lines, (std::vector<std::string>{"Heat Map"}));

  m->selectLook(m->looks()[1]);  // the same look again: all of it again
  EXPECT_EQ(posts, 2);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(runs.log.lines, (std::vector<std::string>{"Heat Map", "Heat Map"}));
}

TEST(SettingsManager, ObserversHearOfAChangeBeforeItHappens) {
  Runs runs;
  auto m = runs.start();
  std::vector<Output> seen;
  m->observeChanges([&] { seen.push_back(m->output()); });
  m->setOutput(Output::rev2);
  m->setOutput(Output::rev2);  // a write of the same value still notifies
  EXPECT_EQ(seen, (std::vector<Output>{Output::ableton, Output::rev2}));

  std::vector<bool> pauses;
  m->observeShaderPause([&](bool p) { pauses.push_back(p); });
  m->setShaderPause(true);
  m->setShaderPause(false);
  EXPECT_EQ(pauses, (std::vector<bool>{false, true, false}));
  // Setting the output is not choosing it in the picker: nothing is stored.
  EXPECT_FALSE(runs.store.exists(key::savedOutput));
}

}  // namespace
}  // namespace vora
