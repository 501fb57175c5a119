// The settings verbs of `vora --headless`, and what they leave in the --store for the
// next run.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "e2e/headless_run.h"

namespace vora {
namespace {

nlohmann::json storedValues(const test::TempDir& dir) {
  return nlohmann::json::parse(test::readFile(test::storeFile(dir)));
}

TEST(HeadlessSettings, PresetRowsModeAndLookPersistIntoTheNextRun) {
  test::TempDir dir;
  const test::Run first = test::playScript(dir,
                                           "0 preset User 2\n"
                                           "1 row controlX 21\n"
                                           "2 row synthChannel 3\n"
                                           "3 row controlGate 1.5\n"  // not a whole number
                                           "4 row synthNote 300\n"
                                           "5 test synthNote\n"
                                           "5 test controlChannel\n"
                                           "6 press mode\n"
                                           "7 behavior Legato\n"
                                           "8 toggle arrows on\n"
                                           "9 look Pulse Cell\n");
  ASSERT_EQ(first.exitCode, 0) << first.err;
  EXPECT_EQ(first.out, std::string(test::kFreshStart) +
                           "output set to: User 2\n"
                           "set pref.4.7 to 21\n"
                           "set pref.4.0 to 2\n"
                           "set pref.4.5 to 127\n"
                           "5.000 92 7F 7F\n5.000 82 7F 00\n"
                           "note behavior set to: Legato\n"
                           "Pulse Cell\n");
  const auto stored = storedValues(dir);
  EXPECT_EQ(stored["SavedOutput"], 4);
  EXPECT_EQ(stored["pref.4.7"], 21);
  EXPECT_EQ(stored["pref.4.0"], 2);
  EXPECT_EQ(stored["pref.4.5"], 127);
  EXPECT_FALSE(stored.contains("pref.4.11"));
  EXPECT_EQ(stored["SavedMode"], 1);
  EXPECT_EQ(stored["noteBehavior"], "Legato");
  EXPECT_EQ(stored["showArrows"], true);
  EXPECT_EQ(stored["selectedLookName"], "Pulse Cell");

  // The next run starts on User 2 in control mode and plays its edited controller.
  const test::Run second = test::playScript(dir,
                                            "0 appear 400 300\n"
                                            "5 began 1@100,150\n6 ended 1@100,150\n"
                                            "6 test controlX\n");
  ASSERT_EQ(second.exitCode, 0) << second.err;
  std::string burst;
  for (int v = 0x3C; v <= 0x46; ++v) {
    char line[32];
    std::snprintf(line, sizeof line, "6.000 BF 15 %02X\n", v);
    burst += line;
  }
  EXPECT_EQ(second.out,
            "launch\nlaunch count: 2\npref.4.0\npref.4.5\npref.4.7\nappear\n"
            "5.000 BF 15 1F\n5.000 BF 75 3F\n5.000 BF 77 7F\nGATE ON\n"
            "6.000 BF 77 00\nGATE OFF\n" +
                burst);
}

TEST(HeadlessSettings, TogglesWriteOnEveryStepAndTheSettingsScreenPausesTheLook) {
  test::TempDir dir;
  const test::Run run = test::playScript(dir,
                                         "0 press mode\n"
                                         "1 toggle arrows on\n"
                                         "1 toggle lock on\n"
                                         "1 toggle lock on\n"
                                         "2 press lock\n"
                                         "3 settings open\n"
                                         "4 dump\n"
                                         "5 toggle lock off\n"  // unlocks and hides the lock
                                         "6 settings close\n"
                                         "7 dump\n");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto first = run.out.find("DUMP ");
  const auto second = run.out.find("DUMP ", first + 1);
  ASSERT_NE(second, std::string::npos);
  const auto dumpAt = [&](std::size_t at) {
    return nlohmann::json::parse(run.out.substr(at + 5, run.out.find('\n', at) - at - 5));
  };
  const auto open = dumpAt(first);
  EXPECT_EQ(open["shaderPause"], true);
  EXPECT_EQ(open["locked"], true);
  EXPECT_EQ(open["hidden"]["leftButton"], false);
  EXPECT_EQ(open["hidden"]["lockEnableButton"], false);
  EXPECT_EQ(open["hidden"]["lockView"], false);
  EXPECT_EQ(open["images"]["lockEnableButton"], "lock icon");
  const auto closed = dumpAt(second);
  EXPECT_EQ(closed["shaderPause"], false);
  EXPECT_EQ(closed["locked"], false);
  EXPECT_EQ(closed["lockEnabled"], false);
  EXPECT_EQ(closed["showLock"], false);
  EXPECT_EQ(closed["hidden"]["lockEnableButton"], true);
  EXPECT_EQ(closed["hidden"]["lockView"], true);
  EXPECT_EQ(storedValues(dir)["showLock"], false);
}

TEST(HeadlessSettings, ScriptFromStandardInputAndMidiLogToAFile) {
  test::TempDir dir;
  const auto log = dir.path() / "midi.log";
  const std::string command = "printf '0 press pin\\n40 press right\\n' | timeout 60 '" VORA_BINARY
                              "' --headless --script - --store '" +
                              (dir.path() / "store").string() +
                              "' --midi-api none --linger 15.5 --midi-log '" + log.string() +
                              "' > '" + (dir.path() / "out").string() + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(test::readFile(log), "0.000 BF 16 7F\n40.000 BF 14 7F\n");
  EXPECT_EQ(test::readFile(dir.path() / "out"), test::kFreshStart);
}

}  // namespace
}  // namespace vora
