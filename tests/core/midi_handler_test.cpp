#include "core/midi/midi_handler.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/platform/virtual_run_loop.h"
#include "core/settings/keys.h"
#include "core/settings/settings_manager.h"
#include "support/fakes.h"

namespace vora {
namespace {

using Messages = std::vector<MidiMessage>;

// A settings object with factory rows on a returning user's store, and its handler.
struct Rig {
  MemoryDefaultsStore store;
  NotificationCenter center;
  test::RecordingLog log;
  VirtualRunLoop loop;
  test::RecordingMidiPort port;
  std::unique_ptr<SettingsManager> manager;
  MidiHandler* handler = nullptr;

  explicit Rig(Output output = Output::ableton) {
    store.setBool(key::firstOpen, false);
    store.setBool(key::newAbletonPrefs, true);
    store.setBool(key::introduceSpeed, true);
    manager = std::make_unique<SettingsManager>(Services{store, center, log, loop, port});
    manager->setOutput(output);
    handler = manager->handler.get();
    log.lines.clear();
  }
  // What was sent since the last call.
  Messages take() { return std::exchange(port.sent, {}); }
};

TEST(MidiHandler, ValueSendsWithTheFactoryRows) {
  struct Case {
    Output output;
    prefList pref;
    double value;
    MidiMessage expected;
  };
  const Case cases[] = {
      {Output::ableton, prefList::controlX, 1.0, {0xBF, 116, 127}},
      {Output::ableton, prefList::synthX, 0.5, {0xBF, 116, 63}},
      {Output::ableton, prefList::controlY, 0.999, {0xBF, 117, 126}},
      {Output::ableton, prefList::synthZ, 0.0, {0xBF, 120, 0}},
      {Output::ableton, prefList::controlSpeed, 0.25, {0xBF, 118, 31}},
      {Output::rev2, prefList::synthY, 1.0, {0xB0, 2, 127}},
      {Output::rev2, prefList::controlZ, 0.5, {0xB0, 4, 63}},
      {Output::rev2, prefList::synthSpeed, 0.1, {0xB0, 9, 12}},
      {Output::bitwig, prefList::synthX, 1.0, {0xB0, 113, 127}},
      {Output::bitwig, prefList::synthZ, 1.0, {0xB0, 117, 127}},
      {Output::user3, prefList::controlX, 1.0, {0xBF, 116, 127}},
      {Output::user1, prefList::synthSpeed, 1.0, {0xB0, 115, 127}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(caseName(c.output)) + " " + std::string(caseName(c.pref)));
    Rig rig(c.output);
    rig.handler->sendValue(c.pref, c.value);
    EXPECT_EQ(rig.take(), Messages{c.expected});
  }
}

TEST(MidiHandler, RepeatsAreSuppressedPerAxisExceptZAtZero) {
  struct Step {
    prefList pref;
    double value;
    std::optional<MidiMessage> expected;
  };
  const Step steps[] = {
      {prefList::controlX, 0.0, std::nullopt},  // the previous bytes start at 0
      {prefList::controlSpeed, 0.0, std::nullopt},
      {prefList::synthZ, 0.0, MidiMessage{0xBF, 120, 0}},  // z at 0 always goes out
      {prefList::synthZ, 0.0, MidiMessage{0xBF, 120, 0}},
      {prefList::synthZ, 0.5, MidiMessage{0xBF, 120, 63}},
      {prefList::synthZ, 0.5, std::nullopt},
      {prefList::controlZ, 0.5, std::nullopt},  // one byte pair per axis, either mode
      {prefList::controlX, 1.0, MidiMessage{0xBF, 116, 127}},
      {prefList::controlX, 1.0, std::nullopt},
      {prefList::synthX, 0.5, MidiMessage{0xBF, 116, 63}},
      {prefList::controlX, 0.5, std::nullopt},
      {prefList::controlX, 0.501, std::nullopt},              // same 7-bit value
      {prefList::controlY, 0.5, MidiMessage{0xBF, 117, 63}},  // y has its own byte
      {prefList::synthSpeed, 0.5, MidiMessage{0xBF, 118, 63}},
      {prefList::controlSpeed, 0.5, std::nullopt},
  };
  Rig rig;
  int i = 0;
  for (const auto& s : steps) {
    SCOPED_TRACE("step " + std::to_string(i++));
    rig.handler->sendValue(s.pref, s.value);
    EXPECT_EQ(rig.take(), s.expected ? Messages{*s.expected} : Messages{});
  }
  EXPECT_EQ(rig.handler->xByte, 63);
  EXPECT_EQ(rig.handler->xBytePrev, 63);
}

TEST(MidiHandler, ValueSendIgnoresPreferencesThatAreNotAxes) {
  Rig rig;
  for (prefList p : {prefList::controlGate, prefList::synthNote, prefList::controlChannel,
                     prefList::synthChannel}) {
    rig.handler->sendValue(p, 1.0);
  }
  EXPECT_TRUE(rig.take().empty());
  EXPECT_EQ(rig.handler->xByte + rig.handler->yByte + rig.handler->zByte + rig.handler->speedByte,
            0);
}

TEST(MidiHandler, ValuesOutsideZeroToOneStayInTheByteRange) {
  Rig rig;
  rig.handler->sendValue(prefList::controlX, 3.0);
  rig.handler->sendValue(prefList::controlY, 0.5);
  rig.handler->sendValue(prefList::controlY, -2.0);
  EXPECT_EQ(rig.take(), (Messages{{0xBF, 116, 127}, {0xBF, 117, 63}, {0xBF, 117, 0}}));
}

TEST(MidiHandler, NotesGateArrowsAndPinWithTheFactoryRows) {
  struct Case {
    Output output;
    Messages expected;
  };
  const Case cases[] = {
      {Output::ableton,
       {{0x9F, 60, 127},
        {0x8F, 60, 0},
        {0xBF, 119, 127},
        {0xBF, 119, 0},
        {0xBF, 20, 127},
        {0xBF, 21, 127},
        {0xBF, 22, 127},
        {0xBF, 22, 0}}},
      {Output::rev2,
       {{0x90, 60, 127},
        {0x80, 60, 0},
        {0xB0, 11, 127},
        {0xB0, 11, 0},
        {0xB0, 20, 127},
        {0xB0, 21, 127},
        {0xB0, 22, 127},
        {0xB0, 22, 0}}},
      // The synth channel carries the notes, the control channel everything else.
      {Output::bitwig,
       {{0x90, 60, 127},
        {0x80, 60, 0},
        {0xBF, 119, 127},
        {0xBF, 119, 0},
        {0xBF, 20, 127},
        {0xBF, 21, 127},
        {0xBF, 22, 127},
        {0xBF, 22, 0}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(caseName(c.output));
    Rig rig(c.output);
    rig.handler->sendNoteOn();
    rig.handler->sendNoteOff();
    rig.handler->sendGate(127);
    rig.handler->sendGate(0);
    rig.handler->sendForward();
    rig.handler->sendBackward();
    rig.handler->sendPinOn();
    rig.handler->sendPinOff();
    EXPECT_EQ(rig.take(), c.expected);
  }
}

TEST(MidiHandler, EverySendReadsTheCurrentOutputAndRow) {
  Rig rig;
  rig.handler->sendNoteOn();
  rig.manager->setOutput(Output::rev2);
  rig.handler->sendNoteOn();
  rig.manager->setPref(prefList::synthNote, 48);
  rig.manager->setPref(prefList::synthChannel, 3);
  rig.handler->sendNoteOff();
  rig.handler->sendCC(prefList::synthY, 5);
  EXPECT_EQ(rig.take(), (Messages{{0x9F, 60, 127}, {0x90, 60, 127}, {0x83, 48, 0}, {0xB3, 2, 5}}));
}

TEST(MidiHandler, TestSendOfEachKindOfRow) {
  {
    Rig rig(Output::bitwig);
    rig.handler->sendTest(prefList::controlGate);
    Messages expected;
    for (std::uint8_t n = 60; n <= 70; ++n) expected.push_back({0xBF, 119, n});
    EXPECT_EQ(rig.take(), expected);

    rig.handler->sendTest(prefList::synthX);
    expected.clear();
    for (std::uint8_t n = 60; n <= 70; ++n) expected.push_back({0xB0, 113, n});
    EXPECT_EQ(rig.take(), expected);
    // The burst leaves the axis bytes alone: x at 0 is still a repeat.
    EXPECT_EQ(rig.handler->xBytePrev, 0);
    rig.handler->sendValue(prefList::synthX, 0.0);
    EXPECT_TRUE(rig.take().empty());

    rig.handler->sendTest(prefList::synthNote);
    EXPECT_EQ(rig.take(), (Messages{{0x90, 60, 127}, {0x80, 60, 0}}));

    rig.handler->sendTest(prefList::synthChannel);
    rig.handler->sendTest(prefList::controlChannel);
    EXPECT_TRUE(rig.take().empty());
  }
}

TEST(MidiHandler, OutOfRangeStoredAssignmentsAreClampedSoEveryMessageIsWellFormed) {
  struct Case {
    prefList pref;
    int stored;
    MidiMessage expected;  // of the send below for that preference
  };
  const Case cases[] = {
      {prefList::controlChannel, 16, {0xBF, 119, 127}},
      {prefList::controlChannel, 99, {0xBF, 119, 127}},
      {prefList::controlChannel, -1, {0xB0, 119, 127}},
      {prefList::controlGate, 128, {0xBF, 127, 127}},
      {prefList::controlGate, -5, {0xBF, 0, 127}},
      {prefList::synthChannel, 300, {0x9F, 60, 127}},
      {prefList::synthNote, 1000, {0x9F, 127, 127}},
      {prefList::synthNote, -60, {0x9F, 0, 127}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(caseName(c.pref)) + " " + std::to_string(c.stored));
    Rig rig;
    rig.store.setInteger("pref.0." + std::to_string(raw(c.pref)), c.stored);
    auto m = std::make_unique<SettingsManager>(
        Services{rig.store, rig.center, rig.log, rig.loop, rig.port});
    rig.port.sent.clear();
    if (c.pref == prefList::synthChannel || c.pref == prefList::synthNote) {
      m->handler->sendNoteOn();
    } else {
      m->handler->sendGate(127);
    }
    EXPECT_EQ(rig.take(), Messages{c.expected});
  }
}

TEST(MidiHandler, IncomingControllersMoveTheCrosshairValues) {
  struct Case {
    Output output;
    int controller;
    int value;
    int channel;
    const char* posted;  // or nullptr
    const char* logged;  // or nullptr
    double xIn, yIn, zIn;
  };
  const Case cases[] = {
      {Output::ableton, 116, 127, 0, "x recieved", nullptr, 1.0, 0, 0},
      {Output::ableton, 116, 127, 9, "x recieved", nullptr, 1.0, 0, 0},  // any channel
      {Output::ableton, 117, 0, 15, "y recieved", nullptr, 0, 0, 0},
      {Output::ableton, 120, 127, 3, "z recieved", nullptr, 0, 0, 1.0},
      {Output::rev2, 1, 127, 0, "x recieved", nullptr, 1.0, 0, 0},
      {Output::rev2, 4, 127, 0, "z recieved", nullptr, 0, 0, 1.0},  // z wins over "end"
      {Output::bitwig, 4, 127, 0, nullptr, "end recieved", 0, 0, 0},
      {Output::bitwig, 113, 127, 0, nullptr, nullptr, 0, 0, 0},  // synthX is not listened to
      {Output::bitwig, 50, 127, 0, nullptr, nullptr, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(caseName(c.output)) + " cc " + std::to_string(c.controller));
    Rig rig(c.output);
    std::vector<std::string> posts;
    for (auto name : {"x recieved", "y recieved", "z recieved"}) {
      rig.center.addObserver(name, [&posts, name] { posts.emplace_back(name); });
    }
    rig.handler->receivedController(c.controller, c.value, c.channel);
    EXPECT_EQ(posts, c.posted ? std::vector<std::string>{c.posted} : std::vector<std::string>{});
    EXPECT_EQ(rig.log.lines,
              c.logged ? std::vector<std::string>{c.logged} : std::vector<std::string>{});
    EXPECT_DOUBLE_EQ(rig.manager->xIn.load(), c.xIn);
    EXPECT_DOUBLE_EQ(rig.manager->yIn.load(), c.yIn);
    EXPECT_DOUBLE_EQ(rig.manager->zIn.load(), c.zIn);
    EXPECT_TRUE(rig.take().empty());
  }
}

TEST(MidiHandler, TheValueIsStoredAfterTheNotificationAndScaledByOneTwentySeventh) {
  Rig rig;
  double seenDuringPost = -1;
  rig.center.addObserver("y recieved", [&] { seenDuringPost = rig.manager->yIn.load(); });
  rig.handler->receivedController(117, 64, 0);
  EXPECT_DOUBLE_EQ(seenDuringPost, 0.0);
  EXPECT_DOUBLE_EQ(rig.manager->yIn.load(), 64.0 / 127.0);
}

TEST(MidiHandler, ControllerZeroAndSetupChangesReopenTheOutputs) {
  Rig rig;
  EXPECT_EQ(rig.port.outputOpenings, 1);  // at creation
  EXPECT_EQ(rig.port.listener, rig.handler);
  rig.handler->receivedController(0, 0, 0);
  EXPECT_EQ(rig.port.outputOpenings, 2);
  EXPECT_EQ(rig.log.lines, std::vector<std::string>{"init recieved"});
  rig.handler->setupChanged();
  EXPECT_EQ(rig.port.outputOpenings, 3);
  EXPECT_EQ(rig.log.lines.size(), 1u);
}

TEST(MidiHandler, OnlyCompleteControlChangesArriveFromTheWire) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    bool arrives;
  };
  const Case cases[] = {
      {"control change", {0xB5, 116, 127}, true},
      {"note on of the same number", {0x95, 116, 127}, false},
      {"poly aftertouch", {0xA0, 116, 127}, false},
      {"truncated", {0xB0, 116}, false},
      {"running status fragment", {116, 127}, false},
      {"too long", {0xB0, 116, 127, 0}, false},
      {"data byte with the top bit", {0xB0, 0xF4, 127}, false},
      {"value with the top bit", {0xB0, 116, 0xFF}, false},
      {"clock", {0xF8}, false},
      {"nothing", {}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Rig rig;
    int posts = 0;
    rig.center.addObserver("x recieved", [&] { ++posts; });
    ASSERT_NE(rig.port.listener, nullptr);
    rig.port.listener->receivedMessage(c.bytes);
    EXPECT_EQ(posts, c.arrives ? 1 : 0);
    EXPECT_DOUBLE_EQ(rig.manager->xIn.load(), c.arrives ? 1.0 : 0.0);
  }
}

}  // namespace
}  // namespace vora
