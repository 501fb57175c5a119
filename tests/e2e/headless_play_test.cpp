// The real `vora --headless` plays small scripts; the MIDI log and the console lines come
// out interleaved on stdout, and each case compares them exactly. Pad 400 x 300 points, so
// x = X / 400 and y = 1 - Y / 300; Ableton's factory row: channel 16 (0xBF / 0x9F), x 0x74,
// y 0x75, z 0x78, speed 0x76, gate 0x77, note 0x3C.

#include <gtest/gtest.h>

#include <string>

#include "e2e/headless_run.h"

namespace vora {
namespace {

struct PlayCase {
  const char* name;
  const char* device;  ///< --device
  const char* store;   ///< defaults.json before the run, or nullptr for none
  const char* script;
  const char* output;  ///< stdout after the two launch lines
};

void playCases(const PlayCase* cases, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const PlayCase& c = cases[i];
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    if (c.store != nullptr) {
      std::filesystem::create_directories(dir.path() / "store");
      test::writeFile(test::storeFile(dir), c.store);
    }
    const test::Run run = test::playScript(dir, c.script, {"--device", c.device});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, std::string(test::kFreshStart) + c.output);
  }
}

TEST(HeadlessPlay, FingersInControlAndSynthMode) {
  const PlayCase cases[] = {
      {"control, legato: one gate for two fingers; the lift hands over to the first", "phone",
       nullptr,
       "0 appear 400 300\n0 press mode\n0 behavior Legato\n"
       "5 began 1@100,150\n6 began 2@300,75\n8 ended 2@300,75\n9 ended 1@100,150\n",
       "appear\nnote behavior set to: Legato\n"
       "5.000 BF 74 1F\n5.000 BF 75 3F\n5.000 BF 77 7F\nGATE ON\n"
       "6.000 BF 74 5F\n6.000 BF 75 5F\n"
       "8.000 BF 74 1F\n8.000 BF 75 3F\n"
       "9.000 BF 77 00\nGATE OFF\n"},
      {"control, retrigger, three fingers: each closes the gate and opens it 3 ms later, "
       "logged at its due time after the tick",
       "phone", nullptr,
       "0 appear 400 300\n0 press mode\n"
       "5 began 1@100,150\n7 began 2@300,75\n12 began 3@200,0\n"
       "14 ended 3@200,0\n16 ended 2@300,75\n18 ended 1@100,150\n",
       "appear\n"
       "5.000 BF 74 1F\n5.000 BF 75 3F\n5.000 BF 77 7F\nGATE ON\n"
       "7.000 BF 74 5F\n7.000 BF 75 5F\n7.000 BF 77 00\nGATE OFF\n"
       "10.000 BF 77 7F\nGATE ON\n"
       "12.000 BF 74 3F\n12.000 BF 75 7F\n12.000 BF 77 00\nGATE OFF\n"
       "14.000 BF 74 5F\n14.000 BF 75 5F\n"
       "15.000 BF 77 7F\nGATE ON\n"
       "16.000 BF 74 1F\n16.000 BF 75 3F\n"
       "18.000 BF 77 00\nGATE OFF\n"},
      {"synth, retrigger, three fingers: note off then on for each; two lifts in one set "
       "hand over twice",
       "phone", nullptr,
       "0 appear 400 300\n"
       "5 began 1@100,150\n6 began 2@300,75\n7 began 3@200,0\n"
       "8 ended 3@200,0 2@300,75\n9 ended 1@100,150\n",
       "appear\n"
       "5.000 BF 74 1F\n5.000 BF 75 3F\n5.000 9F 3C 7F\nNOTE ON\n"
       "6.000 BF 74 5F\n6.000 BF 75 5F\n6.000 8F 3C 00\nNOTE OFF\n6.000 9F 3C 7F\nNOTE ON\n"
       "7.000 BF 74 3F\n7.000 BF 75 7F\n7.000 8F 3C 00\nNOTE OFF\n7.000 9F 3C 7F\nNOTE ON\n"
       "8.000 BF 74 5F\n8.000 BF 75 5F\n8.000 BF 74 1F\n8.000 BF 75 3F\n"
       "9.000 8F 3C 00\nNOTE OFF\n"},
      {"synth, legato: the second finger plays no note; lifting the first keeps the note", "phone",
       nullptr,
       "0 appear 400 300\n0 behavior Legato\n"
       "5 began 1@100,150\n6 began 2@300,75\n8 ended 1@100,150\n9 ended 2@300,75\n",
       "appear\nnote behavior set to: Legato\n"
       "5.000 BF 74 1F\n5.000 BF 75 3F\n5.000 9F 3C 7F\nNOTE ON\n"
       "6.000 BF 74 5F\n6.000 BF 75 5F\n"
       "9.000 8F 3C 00\nNOTE OFF\n"},
      {"a touch from another view slides in on an empty pad; a second one, while the pad is "
       "held, is never accepted and its end sends nothing",
       "phone", nullptr,
       "0 appear 400 300\n0 press mode\n"
       "5 began s@-20,150:view=other\n6 moved s@40,150\n"
       "7 began o@500,100:view=other\n8 moved o@300,100\n9 ended o@300,100\n"
       "10 ended s@40,150\n",
       "appear\n"
       "6.000 BF 74 0C\n6.000 BF 75 3F\n6.000 BF 77 7F\nGATE ON\nslide\n"
       "10.000 BF 77 00\nGATE OFF\n"},
      {"a steady slide of 0.01 pad per tick: the speed settles at 27; the lift zeroes it", "phone",
       nullptr,
       "0 appear 400 300\n0 press mode\n5 began 1@100,150\n"
       "15 moved 1@104,150\n25 moved 1@108,150\n35 moved 1@112,150\n45 moved 1@116,150\n"
       "55 moved 1@120,150\n65 moved 1@124,150\n75 moved 1@128,150\n77 ended 1@128,150\n"
       "110 dump\n",
       "appear\n"
       "5.000 BF 74 1F\n5.000 BF 75 3F\n5.000 BF 77 7F\nGATE ON\n"
       "15.000 BF 74 21\n20.000 BF 76 15\n25.000 BF 74 22\n30.000 BF 76 19\n"
       "35.000 BF 74 23\n40.000 BF 76 1A\n45.000 BF 74 24\n55.000 BF 74 26\n"
       "60.000 BF 76 1B\n65.000 BF 74 27\n75.000 BF 74 28\n"
       "77.000 BF 77 00\nGATE OFF\n80.000 BF 76 00\n"
       "DUMP {\"xPos\":0.32,\"yPos\":0.5,\"zPos\":0,\"padIsTouched\":false,\"locked\":false,"
       "\"lockEnabled\":false,\"pinned\":false,\"mode\":\"control\",\"output\":\"ableton\","
       "\"sensitivity\":\"medium\",\"noteBehavior\":\"Retrigger\",\"pulseGateEnabled\":false,"
       "\"showArrows\":false,\"showLock\":false,\"selectedLook\":\"Classic\",\"prefsArray\":"
       "[[15,116,117,120,118,60,15,116,117,120,118,119],"
       "[0,113,114,117,115,60,15,116,117,120,118,119],[0,1,2,4,9,60,0,1,2,4,9,11],"
       "[0,113,114,117,115,60,15,116,117,120,118,119],"
       "[0,113,114,117,115,60,15,116,117,120,118,119],"
       "[0,113,114,117,115,60,15,116,117,120,118,119]],\"xIn\":0,\"yIn\":0,\"zIn\":0,"
       "\"firstOpen\":false,\"showRatingAlert\":false,\"platform\":\"iphone_2d\","
       "\"isForceTouchDevice\":false,\"shaderPause\":false,\"hidden\":{\"lockView\":true,"
       "\"leftButton\":true,\"rightButton\":true,\"lockEnableButton\":true,\"lockDown\":true},"
       "\"images\":{\"modeButton\":\"mode_on\",\"pinButton\":\"thumbtack\","
       "\"lockEnableButton\":\"openlock\",\"horizontalLine\":\"horizontal_blu\","
       "\"verticalLine\":\"vertical_blu\"},\"crosshair\":{\"x\":0,\"y\":0,\"size\":0},"
       "\"timer\":{\"speed\":0,\"gateSmooth\":0.2203267325699999}}\n"},
  };
  playCases(cases, std::size(cases));
}

TEST(HeadlessPlay, LockStatesAndTheLockView) {
  const PlayCase cases[] = {
      {"frozen pad ignores a finger; holding the lock view plays it; letting go freezes it "
       "with the gate open and the last lift sends nothing",
       "phone", nullptr,
       "0 appear 400 300\n0 press mode\n0 toggle lock on\n1 press lock\n"
       "2 began 1@100,150\n3 moved 1@200,150\n4 ended 1@200,150\n"
       "5 began k@0,0:view=lock\n6 began 2@300,75\n7 ended k@0,0\n"
       "8 moved 2@100,75\n9 ended 2@100,75\n",
       "appear\nlock down\n"
       "6.000 BF 74 5F\n6.000 BF 75 5F\n6.000 BF 77 7F\nGATE ON\n"
       "lock up\n"},
      {"a finger slides off the lock view onto the empty pad and plays; its lift runs the "
       "lock-up first, so the gate stays open",
       "phone", nullptr,
       "0 appear 400 300\n0 press mode\n0 toggle lock on\n1 press lock\n"
       "2 began k@200,-30:view=lock\n3 moved k@200,150\n4 ended k@200,150\n"
       "5 began 1@100,100\n6 ended 1@100,100\n",
       // The slide-in begins the touch again, and the began hook sees the lock view again.
       "appear\nlock down\nlock down\n"
       "3.000 BF 74 3F\n3.000 BF 75 3F\n3.000 BF 77 7F\nGATE ON\nslide\n"
       "lock up\n"},
      {"the mode switch to synth unlocks; pin and arrows go out on the control channel in "
       "both modes",
       "phone", nullptr,
       "0 press mode\n0 toggle lock on\n1 press lock\n2 press mode\n"
       "3 began 1@0,0\n4 press pin\n5 press pin\n6 press left\n7 press right\n8 ended 1@0,0\n",
       "3.000 BF 75 7F\n3.000 9F 3C 7F\nNOTE ON\n"
       "4.000 BF 16 7F\n5.000 BF 16 00\n6.000 BF 15 7F\n7.000 BF 14 7F\n"
       "8.000 8F 3C 00\nNOTE OFF\n"},
  };
  playCases(cases, std::size(cases));
}

TEST(HeadlessPlay, ForceSensitivityAndPulseGate) {
  const PlayCase cases[] = {
      {"phone-force, medium: z is 0 at the landing, force / (max x 0.66) on moves, 0 at the "
       "lift; the pulse gate keeps the gate open",
       "phone-force", R"({"PulseGateEnabled": true})",
       "0 appear 400 300\n0 press mode\n"
       "5 began 1@100,150:force=2\n6 moved 1@100,150:force=2\n7 ended 1@100,150:force=2\n",
       "appear\n"
       "5.000 BF 74 1F\n5.000 BF 75 3F\n5.000 BF 77 7F\nGATE ON\n5.000 BF 78 00\n"
       "6.000 BF 78 39\n7.000 BF 78 00\n"},
      {"the pulse gate in synth mode keeps the note", "phone", R"({"PulseGateEnabled": true})",
       "0 appear 400 300\n5 began 1@100,150\n7 ended 1@100,150\n",
       "appear\n5.000 BF 74 1F\n5.000 BF 75 3F\n5.000 9F 3C 7F\nNOTE ON\n"},
      {"phone-force, high: a third of the maximum force already gives 127", "phone-force",
       R"({"SavedSensitivity": 2})",
       "0 appear 400 300\n0 press mode\n"
       "5 began 1@100,150:force=1\n6 moved 1@100,150:force=2.222222\n"
       "7 moved 1@100,150:force=1:max=6\n8 ended 1@100,150\n",
       "appear\n"
       "5.000 BF 74 1F\n5.000 BF 75 3F\n5.000 BF 77 7F\nGATE ON\n5.000 BF 78 00\n"
       "6.000 BF 78 7F\n7.000 BF 78 40\n8.000 BF 78 00\n8.000 BF 77 00\nGATE OFF\n"},
      {"tablet: a finger sends no z, a pencil does", "tablet", nullptr,
       "0 appear 400 300\n0 press mode\n"
       "5 began 1@100,150:force=3\n6 moved 1@100,150:force=3\n7 ended 1@100,150:force=3\n"
       "8 began p@100,150:force=3:pencil\n9 moved p@100,150:force=3\n10 ended p@100,150\n",
       "appear\n"
       "5.000 BF 74 1F\n5.000 BF 75 3F\n5.000 BF 77 7F\nGATE ON\n7.000 BF 77 00\nGATE OFF\n"
       "8.000 BF 77 7F\nGATE ON\n8.000 BF 78 00\n9.000 BF 78 56\n"
       "10.000 BF 78 00\n10.000 BF 77 00\nGATE OFF\n"},
      {"phone without force: a finger's force is never sent", "phone", nullptr,
       "0 appear 400 300\n0 press mode\n"
       "5 began 1@100,150:force=3\n6 moved 1@100,150:force=6\n7 ended 1@100,150:force=3\n",
       "appear\n"
       "5.000 BF 74 1F\n5.000 BF 75 3F\n5.000 BF 77 7F\nGATE ON\n7.000 BF 77 00\nGATE OFF\n"},
  };
  playCases(cases, std::size(cases));
}

TEST(HeadlessPlay, IncomingControllersMoveTheCrosshairOnlyInControlModeWithNoFinger) {
  const PlayCase cases[] = {
      {"synth mode: stored, not painted", "phone", nullptr,
       "0 appear 400 300\n1 cc 116 64\n2 dump\n",
       "appear\nDUMP {\"xPos\":0,\"yPos\":0,\"zPos\":0,\"padIsTouched\":false,\"locked\":false,"
       "\"lockEnabled\":false,\"pinned\":false,\"mode\":\"synth\",\"output\":\"ableton\","
       "\"sensitivity\":\"medium\",\"noteBehavior\":\"Retrigger\",\"pulseGateEnabled\":false,"
       "\"showArrows\":false,\"showLock\":false,\"selectedLook\":\"Classic\",\"prefsArray\":"
       "[[15,116,117,120,118,60,15,116,117,120,118,119],"
       "[0,113,114,117,115,60,15,116,117,120,118,119],[0,1,2,4,9,60,0,1,2,4,9,11],"
       "[0,113,114,117,115,60,15,116,117,120,118,119],"
       "[0,113,114,117,115,60,15,116,117,120,118,119],"
       "[0,113,114,117,115,60,15,116,117,120,118,119]],\"xIn\":0.5039370078740157,"
       "\"yIn\":0,\"zIn\":0,\"firstOpen\":false,\"showRatingAlert\":false,"
       "\"platform\":\"iphone_2d\",\"isForceTouchDevice\":false,\"shaderPause\":false,"
       "\"hidden\":{\"lockView\":true,\"leftButton\":true,\"rightButton\":true,"
       "\"lockEnableButton\":true,\"lockDown\":true},\"images\":{\"modeButton\":\"sine_on\","
       "\"pinButton\":\"thumbtack\",\"lockEnableButton\":\"openlock\","
       "\"horizontalLine\":\"horizontal_pink\",\"verticalLine\":\"vertical_pink\"},"
       "\"crosshair\":{\"x\":0,\"y\":0,\"size\":0},\"timer\":{\"speed\":0,\"gateSmooth\":0}}\n"},
  };
  playCases(cases, std::size(cases));

  // Control mode: painted on any channel while no finger is down, not while one is.
  test::TempDir dir;
  const test::Run run = test::playScript(dir,
                                         "0 appear 400 300\n0 press mode\n"
                                         "1 cc 116 127 5\n1 cc 117 0\n1 cc 120 127\n2 dump\n"
                                         "3 began 1@0,0\n4 cc 116 0\n4 cc 120 0\n5 dump\n"
                                         "6 cc 4 1\n6 cc 0 1\n7 setup-changed\n");
  EXPECT_EQ(run.exitCode, 0);
  const auto crosshair = [&](std::size_t from) {
    const auto at = run.out.find("\"crosshair\":", from);
    return run.out.substr(at, run.out.find('}', at) - at + 1);
  };
  const auto first = run.out.find("DUMP");
  const auto second = run.out.find("DUMP", first + 1);
  ASSERT_NE(second, std::string::npos);
  EXPECT_EQ(crosshair(first), "\"crosshair\":{\"x\":400,\"y\":300,\"size\":200}");
  EXPECT_EQ(crosshair(second), "\"crosshair\":{\"x\":400,\"y\":300,\"size\":200}");
  EXPECT_NE(run.out.find("\"xIn\":0,\"yIn\":0,\"zIn\":0", second), std::string::npos);
  EXPECT_TRUE(run.out.ends_with("end recieved\ninit recieved\n")) << run.out;
}

}  // namespace
}  // namespace vora
