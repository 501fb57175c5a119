// Bad scripts and bad command lines: `script:LINE: reason` on stderr, exit 2, the steps
// before the bad line have run (their MIDI logged, their settings stored) and nothing else
// is written.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "e2e/headless_run.h"

namespace vora {
namespace {

TEST(HeadlessErrors, ABadLineStopsTheRunAfterTheStepsBeforeIt) {
  // Every script plays a touch and stores a row, then a tick at 20 ms would send the speed
  // if the clock moved on for the bad line: it must not.
  const std::string before =
      "0 appear 400 300\n0 press mode\n1 row controlZ 30\n5 began 1@100,150\n"
      "15 moved 1@104,150\n";
  const std::string playedBefore =
      "appear\nset pref.0.9 to 30\n"
      "5.000 BF 74 1F\n5.000 BF 75 3F\n5.000 BF 77 7F\nGATE ON\n15.000 BF 74 21\n";
  struct Case {
    const char* line;
    const char* error;
  };
  const Case cases[] = {
      {"50 jump", "unknown verb 'jump'"},
      {"50 began 2@10", "touch 2: position '10' is not X,Y"},
      {"10 dump", "the time 10.000 goes backwards (the clock is at 15.000 ms)"},
      {"50 ended 2@1,1", "touch 2 ends without having begun"},
      {"50 moved 3@1,1", "touch 3 moves without having begun"},
      {"50 row controlz 5", "unknown preference 'controlz' (synthChannel ... controlGate)"},
      {"50 test Gate", "unknown preference 'Gate' (synthChannel ... controlGate)"},
      {"50 press home", "unknown button 'home' (mode, pin, left, right, lock)"},
      {"50 toggle pin on", "unknown toggle 'pin' (arrows, lock)"},
      {"50 look Lava",
       "unknown look 'Lava' (Classic, Heat Map, Pulse Cell, Warp Speed, Life Flower)"},
      {"50 preset Bitwg", "unknown preset 'Bitwg' (Ableton, Bitwig, Rev2, User 1, User 2, User 3)"},
      {"50 behavior Staccato", "unknown behavior 'Staccato' (Legato, Retrigger)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    test::TempDir dir;
    const test::Run run =
        test::playScript(dir, before + "# a comment line\n" + c.line + "\n60 press mode\n");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, std::string("script:7: ") + c.error + "\n");
    EXPECT_EQ(run.out, test::kFreshStart + playedBefore);
    const auto stored = nlohmann::json::parse(test::readFile(test::storeFile(dir)));
    EXPECT_EQ(stored["SavedMode"], 1);
    EXPECT_EQ(stored["pref.0.9"], 30);
  }
}

TEST(HeadlessErrors, CommandLineMistakesAreReportedBeforeAnythingRuns) {
  struct Case {
    const char* args;
    const char* errorStart;
  };
  const Case cases[] = {
      {"--headless", "vora: --headless requires --script"},
      {"--headless --script missing.txt", "vora: cannot read the script missing.txt: "},
      {"--headless --script . ", "vora: cannot read the script .: it is a directory"},
      {"--headless --script s --device watch", "vora: --device: watch not in"},
      {"--headless --script s --linger soon", "vora: --linger: must be a decimal number"},
      {"--headless --script s --midi-log nodir/log", "vora: cannot write the MIDI log nodir/log: "},
      {"--script s", "vora: --script requires --headless"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    test::TempDir dir;
    test::writeFile(dir.path() / "s", "0 press pin\n");
    const std::string command = "cd '" + dir.path().string() +
                                "' && timeout 60 '" VORA_BINARY "' " + c.args +
                                " --store st >out 2>err";
    const int status = std::system(command.c_str());
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 2);
    EXPECT_TRUE(test::readFile(dir.path() / "err").starts_with(c.errorStart))
        << test::readFile(dir.path() / "err");
    EXPECT_EQ(test::readFile(dir.path() / "out"), "");
    // No launch was counted.
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "st"));
  }
}

}  // namespace
}  // namespace vora
