#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>
#include <vector>

#include "core/midi/midi_handler.h"
#include "core/platform/virtual_run_loop.h"
#include "core/settings/settings_manager.h"
#include "core/settings_ui/picker_rows.h"
#include "support/fakes.h"

namespace vora {
namespace {

class PickerRows : public ::testing::Test {
 protected:
  MemoryDefaultsStore store;
  NotificationCenter center;
  test::RecordingLog log;
  VirtualRunLoop loop;
  test::RecordingMidiPort port;
  SettingsManager manager{Services{store, center, log, loop, port}};

  void SetUp() override { log.lines.clear(); }
};

TEST(ParseWholeNumber, AcceptsOnlyWholeNumbers) {
  struct Case {
    const char* text;
    std::optional<long long> value;
  };
  const Case cases[] = {
      {"64", 64},
      {" 12 ", 12},
      {"+5", 5},
      {"-3", -3},
      {"007", 7},
      {"99999999999999999999", LLONG_MAX},
      {"-99999999999999999999", -LLONG_MAX},
      {"", std::nullopt},
      {"   ", std::nullopt},
      {"-", std::nullopt},
      {"12.5", std::nullopt},
      {"1e3", std::nullopt},
      {"0x10", std::nullopt},
      {"1 2", std::nullopt},
      {"abc", std::nullopt},
      {"1,000", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(parseWholeNumber(c.text), c.value);
  }
}

TEST_F(PickerRows, CcRowClampsToOneThrough127AndStoresForCurrentOutput) {
  manager.setOutput(Output::bitwig);
  struct Case {
    const char* text;
    int stored;
  };
  const Case cases[] = {{"64", 64},
                        {"0", 1},
                        {"1", 1},
                        {"-5", 1},
                        {"127", 127},
                        {"200", 127},
                        {"99999999999999999999", 127}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    int state = 50;
    FormRowCCPicker row("X CC", IntBinding(state), manager, prefList::controlX);
    log.lines.clear();
    EXPECT_TRUE(row.commit(std::string_view(c.text)));
    EXPECT_EQ(state, c.stored);
    EXPECT_EQ(row.displayValue(), c.stored);
    EXPECT_EQ(manager.prefsArray.get(Output::bitwig, prefList::controlX), c.stored);
    EXPECT_EQ(store.storedInteger("pref.1.7"), c.stored);
    EXPECT_EQ(log.lines, std::vector<std::string>{"set pref.1.7 to " + std::to_string(c.stored)});
  }
  // Other outputs' rows stay factory values.
  EXPECT_EQ(manager.prefsArray.get(Output::ableton, prefList::controlX), 116);
  EXPECT_EQ(manager.prefsArray.get(Output::user1, prefList::controlX), 116);
}

TEST_F(PickerRows, ChannelRowShowsOneBasedAndStoresZeroBased) {
  struct Case {
    const char* text;
    int stored;
    int shown;
  };
  const Case cases[] = {{"0", 0, 1}, {"1", 0, 1},    {"-2", 0, 1},
                        {"7", 6, 7}, {"16", 15, 16}, {"40", 15, 16}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    int state = 3;
    FormRowChannelPicker row("Channel", IntBinding(state), manager, prefList::synthChannel);
    EXPECT_TRUE(row.commit(std::string_view(c.text)));
    EXPECT_EQ(state, c.stored);
    EXPECT_EQ(row.displayValue(), c.shown);
    EXPECT_EQ(manager.prefsArray.get(Output::ableton, prefList::synthChannel), c.stored);
    EXPECT_EQ(store.storedInteger("pref.0.0"), c.stored);
  }
}

TEST_F(PickerRows, TextThatIsNotAWholeNumberIsNotCommitted) {
  int cc = 42, note = 60, channel = 5;
  FormRowCCPicker ccRow("Y CC", IntBinding(cc), manager, prefList::synthY);
  FormRowNotePicker noteRow("Note", IntBinding(note), manager);
  FormRowChannelPicker channelRow("Channel", IntBinding(channel), manager,
                                  prefList::controlChannel);
  for (const char* text : {"", "abc", "12.5", "-"}) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(ccRow.commit(std::string_view(text)));
    EXPECT_FALSE(noteRow.commit(std::string_view(text)));
    EXPECT_FALSE(channelRow.commit(std::string_view(text)));
  }
  EXPECT_EQ(cc, 42);
  EXPECT_EQ(note, 60);
  EXPECT_EQ(channel, 5);
  EXPECT_EQ(manager.prefsArray.row(Output::ableton), abletonPrefs);
  EXPECT_FALSE(store.exists("pref.0.2"));
  EXPECT_FALSE(store.exists("pref.0.5"));
  EXPECT_FALSE(store.exists("pref.0.6"));
  EXPECT_TRUE(log.lines.empty());
  EXPECT_TRUE(port.sent.empty());
}

TEST_F(PickerRows, NoteRowStoresSynthNoteAndItsTestPlaysIt) {
  int note = 60;
  FormRowNotePicker row("Note", IntBinding(note), manager);
  ASSERT_TRUE(row.commit(std::string_view("64")));
  EXPECT_EQ(store.storedInteger("pref.0.5"), 64);
  row.test();
  // Ableton's synth channel is 15 (MIDI channel 16).
  EXPECT_EQ(port.sent, (std::vector<MidiMessage>{{0x9F, 64, 127}, {0x8F, 64, 0}}));
}

TEST_F(PickerRows, CcRowTestSendsTheBurstOnItsControllerAndSectionChannel) {
  struct Case {
    Output output;
    prefList pref;
    std::uint8_t status;
    std::uint8_t controller;
  };
  const Case cases[] = {
      {Output::bitwig, prefList::controlGate, 0xBF, 119},
      {Output::rev2, prefList::synthX, 0xB0, 1},
      {Output::bitwig, prefList::synthSpeed, 0xB0, 115},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(caseName(c.pref));
    manager.setOutput(c.output);
    port.sent.clear();
    int cc = 0;
    FormRowCCPicker row("CC", IntBinding(cc), manager, c.pref);
    row.test();
    std::vector<MidiMessage> expected;
    for (std::uint8_t n = 60; n <= 70; ++n) expected.push_back({c.status, c.controller, n});
    EXPECT_EQ(port.sent, expected);
  }
  // The burst leaves the value bytes alone: the next x still goes out.
  EXPECT_EQ(manager.handler->xBytePrev, 0);
}

}  // namespace
}  // namespace vora
