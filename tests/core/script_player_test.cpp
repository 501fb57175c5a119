#include "app/script_player.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/script_midi_log.h"
#include "core/platform/virtual_run_loop.h"
#include "support/fakes.h"

namespace vora {
namespace {

using std::chrono::milliseconds;

class Player : public ::testing::Test {
 protected:
  MemoryDefaultsStore store;
  NotificationCenter center;
  test::RecordingLog log;
  VirtualRunLoop loop;
  test::RecordingMidiPort port;
  std::vector<std::string> midi;
  MidiLogPort logged{port, loop, [this](std::string_view line) { midi.emplace_back(line); }};
  std::unique_ptr<ScriptPlayer> player;

  ScriptPlayer& start(DeviceTraits traits = {}, FrameSink* frames = nullptr) {
    player = std::make_unique<ScriptPlayer>(Services{store, center, log, loop, logged}, loop,
                                            traits, frames);
    return *player;
  }

  /// Plays each line; all must be good.
  void play(std::initializer_list<const char*> lines) {
    for (const char* line : lines) {
      SCOPED_TRACE(line);
      EXPECT_EQ(player->playLine(line), std::nullopt);
    }
  }
};

TEST_F(Player, LaunchIsLoggedBeforeTheMainScreenIsBuiltAndLoaded) {
  start();
  ASSERT_GE(log.lines.size(), 2u);
  EXPECT_EQ(log.lines[0], "launch");
  EXPECT_EQ(log.lines[1], "launch count: 1");
  // Loaded: the crosshair has its synth images and the sampler reports to the controller.
  EXPECT_EQ(player->controller().elements.horizontalLine.image, "horizontal_pink");
  EXPECT_TRUE(static_cast<bool>(player->controller().controlDataTimer.updateCallback));
  EXPECT_EQ(loop.now(), milliseconds(0));
}

TEST_F(Player, BadLinesRunNothingAndLeaveTheClockWhereItWas) {
  start();
  play({"0 appear 400 300", "20 began 1@100,150"});
  const auto lines = log.lines.size();
  const auto sent = midi.size();
  struct Case {
    const char* line;
    const char* error;
  };
  const Case cases[] = {
      {"10 dump", "the time 10.000 goes backwards (the clock is at 20.000 ms)"},
      {"50 moved 2@1,1", "touch 2 moves without having begun"},
      {"50 ended 3@1,1", "touch 3 ends without having begun"},
      {"50 cancelled 3@1,1", "touch 3 is cancelled without having begun"},
      {"50 moved 1@1,1:view=lock", "touch 1 began in the pad view and stays there"},
      {"50 moved 1@1,1:pencil", "touch 1 began as a finger, not a pencil"},
      {"50 look Warp speed",
       "unknown look 'Warp speed' (Classic, Heat Map, Pulse Cell, Warp Speed, Life Flower)"},
      {"50 jump", "unknown verb 'jump'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(player->playLine(c.line), std::optional<std::string>(c.error));
    EXPECT_EQ(loop.now(), milliseconds(20));
  }
  EXPECT_EQ(log.lines.size(), lines);
  EXPECT_EQ(midi.size(), sent);
}

TEST_F(Player, TouchIdsMapToLiveTouchesAndAReusedIdCancelsItsOldTouch) {
  start();
  play({"0 appear 400 300", "0 press mode", "0 behavior Legato", "1 began 1@0,0"});
  const TouchRef first = player->controller().activeTouch;
  log.lines.clear();

  play({"2 moved 1@400,300", "3 began 1@200,150"});
  ViewController& vc = player->controller();
  EXPECT_EQ(vc.xPos, 0.5);
  EXPECT_EQ(vc.touchArray.size(), 1u);
  EXPECT_NE(vc.activeTouch, first);
  // The lost finger lifts (closing the gate), then the new one lands.
  EXPECT_EQ(log.lines, (std::vector<std::string>{"GATE OFF", "GATE ON"}));

  play({"4 ended 1@200,150"});
  EXPECT_FALSE(vc.padIsTouched);
  EXPECT_EQ(player->playLine("5 moved 1@1,1"), "touch 1 moves without having begun");
}

TEST_F(Player, TouchOptionsReachTheTouch) {
  start(DeviceTraits{DeviceIdiom::tablet, false});
  play({"0 appear 400 300", "1 began p@10,20:force=2:max=4:pencil:view=other"});
  // Began in another view: not on the pad yet, but the touch carries what the line said.
  ViewController& vc = player->controller();
  EXPECT_FALSE(vc.padIsTouched);
  play({"2 moved p@40,30:force=3:max=4"});  // slides in: the pad takes it as its own
  ASSERT_TRUE(vc.activeTouch);
  EXPECT_EQ(vc.activeTouch->type, TouchType::pencil);
  EXPECT_EQ(vc.activeTouch->view, TouchView::other);
  EXPECT_EQ(vc.activeTouch->location, (Point{40, 30}));
  EXPECT_EQ(vc.activeTouch->preciseLocation, (Point{40, 30}));
  EXPECT_EQ(vc.activeTouch->force, 3);
  EXPECT_EQ(vc.activeTouch->maximumPossibleForce, 4);
}

TEST_F(Player, SettingsScreenPausesTheLookOnlyWhileOpen) {
  start();
  play({"0 preset Rev2", "0 dump"});
  EXPECT_FALSE(player->controller().manager().shaderPause());
  play({"1 settings open", "1 settings open", "2 row controlX 40"});
  EXPECT_TRUE(player->controller().manager().shaderPause());
  play({"3 settings close", "3 settings close"});
  EXPECT_FALSE(player->controller().manager().shaderPause());
  EXPECT_EQ(store.storedInteger("pref.2.7"), 40);
  EXPECT_EQ(store.storedInteger("SavedOutput"), 2);
}

TEST_F(Player, DumpHoldsEveryKeyInOrder) {
  start();
  play({"0 dump"});
  const std::string& line = log.lines.back();
  ASSERT_TRUE(line.starts_with("DUMP {"));
  std::vector<std::string> keys;
  int depth = 0;
  for (std::size_t i = 5; i < line.size(); ++i) {
    if (line[i] == '{' || line[i] == '[') ++depth;
    if (line[i] == '}' || line[i] == ']') --depth;
    if (line[i] == '"' && depth == 1) {
      const auto end = line.find('"', i + 1);
      if (line[end + 1] == ':') keys.push_back(line.substr(i + 1, end - i - 1));
      i = end;
    }
  }
  EXPECT_EQ(keys, (std::vector<std::string>{"xPos",
                                            "yPos",
                                            "zPos",
                                            "padIsTouched",
                                            "locked",
                                            "lockEnabled",
                                            "pinned",
                                            "mode",
                                            "output",
                                            "sensitivity",
                                            "noteBehavior",
                                            "pulseGateEnabled",
                                            "showArrows",
                                            "showLock",
                                            "selectedLook",
                                            "prefsArray",
                                            "xIn",
                                            "yIn",
                                            "zIn",
                                            "firstOpen",
                                            "showRatingAlert",
                                            "platform",
                                            "isForceTouchDevice",
                                            "shaderPause",
                                            "hidden",
                                            "images",
                                            "crosshair",
                                            "timer"}));
  EXPECT_NE(line.find("\"prefsArray\":[[15,116,117,120,118,60,15,116,117,120,118,119],"
                      "[0,113,114,117,115,60,15,116,117,120,118,119],[0,1,2,4,9,60,0,1,2,4,9,11],"),
            std::string::npos);
  EXPECT_NE(line.find("\"hidden\":{\"lockView\":true,\"leftButton\":true,\"rightButton\":true,"
                      "\"lockEnableButton\":true,\"lockDown\":true}"),
            std::string::npos);
}

class CountingFrames final : public FrameSink {
 public:
  explicit CountingFrames(const VirtualRunLoop& loop) : loop_(loop) {}
  void drawFrame(ViewController&) override { times.push_back(loop_.now()); }
  void finish(ViewController&) override { ++finished; }
  std::vector<Duration> times;
  int finished = 0;

 private:
  const VirtualRunLoop& loop_;
};

TEST_F(Player, FramesAreDrawnSixtyTimesASecondOfTheVirtualClock) {
  CountingFrames frames(loop);
  start({}, &frames);
  play({"0 appear 400 300", "40 dump"});
  player->finish(milliseconds(60));
  EXPECT_EQ(frames.times, (std::vector<Duration>{Duration(16'666'666), Duration(33'333'333),
                                                 Duration(50'000'000), Duration(66'666'666),
                                                 Duration(83'333'333), Duration(100'000'000)}));
  EXPECT_EQ(frames.finished, 1);
}

TEST(MidiLogPort, WritesTimeAndUpperCaseHexBytesAndPassesTheMessageOn) {
  VirtualRunLoop loop;
  test::RecordingMidiPort port;
  std::vector<std::string> lines;
  MidiLogPort logged(port, loop, [&](std::string_view line) { lines.emplace_back(line); });
  loop.advanceTo(Duration(10'000'999));
  logged.send({0xB0, 0x74, 0x7F});
  loop.advanceTo(Duration(1'234'567'000'000));
  logged.send({0x8F, 60, 0});
  EXPECT_EQ(lines, (std::vector<std::string>{"10.000 B0 74 7F", "1234567.000 8F 3C 00"}));
  EXPECT_EQ(port.sent, (std::vector<MidiMessage>{{0xB0, 0x74, 0x7F}, {0x8F, 60, 0}}));
}

}  // namespace
}  // namespace vora
