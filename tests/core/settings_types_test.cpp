#include <gtest/gtest.h>

#include "core/settings/types.h"

namespace vora {
namespace {

TEST(SettingsTypes, RawValuesThatNameNoCaseGiveNone) {
  EXPECT_FALSE(outputFromRaw(6));
  EXPECT_FALSE(outputFromRaw(-1));
  EXPECT_FALSE(sensitivityFromRaw(3));
  EXPECT_FALSE(sensitivityFromRaw(-1));
  EXPECT_FALSE(prefFromRaw(12));
  EXPECT_FALSE(prefFromRaw(-1));
  EXPECT_FALSE(noteBehaviorFromRaw("legato"));
  EXPECT_FALSE(noteBehaviorFromRaw("RETRIGGER"));
  EXPECT_FALSE(noteBehaviorFromRaw(""));
  EXPECT_FALSE(noteBehaviorFromRaw("Legato "));
  EXPECT_EQ(noteBehaviorFromRaw("Retrigger"), NoteBehavior::retrigger);
  EXPECT_EQ(noteBehaviorFromRaw("Legato"), NoteBehavior::legato);
}

TEST(SettingsTypes, EveryCaseRoundTripsThroughItsRawValueInCaseOrder) {
  for (std::size_t i = 0; i < kAllOutputs.size(); ++i) {
    EXPECT_EQ(raw(kAllOutputs[i]), static_cast<int>(i));
    EXPECT_EQ(outputFromRaw(static_cast<long long>(i)), kAllOutputs[i]);
  }
  for (std::size_t i = 0; i < kAllSensitivities.size(); ++i) {
    EXPECT_EQ(sensitivityFromRaw(static_cast<long long>(i)), kAllSensitivities[i]);
  }
  for (std::size_t i = 0; i < kAllPrefs.size(); ++i) {
    EXPECT_EQ(raw(kAllPrefs[i]), static_cast<int>(i));
    EXPECT_EQ(prefFromRaw(static_cast<long long>(i)), kAllPrefs[i]);
    EXPECT_EQ(prefFromCaseName(caseName(kAllPrefs[i])), kAllPrefs[i]);
  }
  for (std::size_t i = 0; i < kAllNoteBehaviors.size(); ++i) {
    EXPECT_EQ(raw(kAllNoteBehaviors[i]), noteBehaviorNames[i]);
    EXPECT_EQ(noteBehaviorFromRaw(noteBehaviorNames[i]), kAllNoteBehaviors[i]);
  }
  EXPECT_EQ(outputNames, (std::array<std::string_view, 6>{"Ableton", "Bitwig", "Rev2", "User 1",
                                                          "User 2", "User 3"}));
  EXPECT_EQ(displayName(Output::user2), "User 2");
  EXPECT_DOUBLE_EQ(forceScale(Sensitivity::low), 1.0);
  EXPECT_DOUBLE_EQ(forceScale(Sensitivity::medium), 0.66);
  EXPECT_DOUBLE_EQ(forceScale(Sensitivity::high), 0.33);
}

TEST(SettingsTypes, SavedModeIsOneForControlAndAnythingElseReadsAsSynth) {
  EXPECT_EQ(storedValue(Mode::control), 1);
  EXPECT_EQ(storedValue(Mode::synth), 0);
  EXPECT_EQ(modeFromStored(1), Mode::control);
  for (long long v : {0LL, 2LL, -1LL, 11LL}) EXPECT_EQ(modeFromStored(v), Mode::synth) << v;
}

TEST(SettingsTypes, FactoryRowsOfEachOutput) {
  const PrefRow ableton{15, 116, 117, 120, 118, 60, 15, 116, 117, 120, 118, 119};
  const PrefRow rev2{0, 1, 2, 4, 9, 60, 0, 1, 2, 4, 9, 11};
  const PrefRow other{0, 113, 114, 117, 115, 60, 15, 116, 117, 120, 118, 119};
  EXPECT_EQ(factoryRow(Output::ableton), ableton);
  EXPECT_EQ(factoryRow(Output::rev2), rev2);
  for (Output o : {Output::bitwig, Output::user1, Output::user2, Output::user3}) {
    EXPECT_EQ(factoryRow(o), other) << caseName(o);
  }
}

TEST(SettingsTypes, EveryFactoryValueMakesValidMidi) {
  for (Output o : kAllOutputs) {
    const PrefRow& row = factoryRow(o);
    for (prefList p : kAllPrefs) {
      SCOPED_TRACE(std::string(caseName(o)) + " " + std::string(caseName(p)));
      const int v = row[static_cast<std::size_t>(raw(p))];
      const bool channel = p == prefList::synthChannel || p == prefList::controlChannel;
      EXPECT_GE(v, 0);
      EXPECT_LE(v, channel ? 15 : 127);
    }
  }
}

TEST(SettingsTypes, LooksAreTheSameLookWhenTheirIdsAre) {
  const Look a{makeUuid(), "Classic", "Classic", "vora-classic", std::nullopt};
  Look renamed = a;
  renamed.name = "Other";
  const Look twin{makeUuid(), "Classic", "Classic", "vora-classic", std::nullopt};
  EXPECT_EQ(a, renamed);
  EXPECT_NE(a, twin);
  EXPECT_EQ(a.id.size(), 36u);
}

}  // namespace
}  // namespace vora
