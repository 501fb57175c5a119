// Damaged settings stores: whatever is in (or instead of) defaults.json, vora starts, says
// once on stderr what it found, keeps a file it cannot use aside untouched, plays with the
// defaults where a value is unusable, and keeps what it can. A store that cannot be written
// (read-only folder, full disk) costs a warning, never the music, and never the file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <random>

#include "reliability/vora_run.h"

namespace vora {
namespace {

using namespace rel;

// Starts, shows the pad, plays a note, edits Ableton's controlX to 21, shows the state.
constexpr const char* kScript =
    "0 appear 400 300\n"
    "1 dump\n"
    "2 began a@100,100\n"
    "3 row controlX 21\n"
    "4 ended a@100,100\n"
    "5 dump\n";

std::vector<fs::path> asideCopies(const fs::path& dir) {
  std::vector<fs::path> found;
  for (const auto& e : fs::directory_iterator(dir)) {
    if (e.path().filename().string().rfind("defaults.json.corrupt-", 0) == 0) {
      found.push_back(e.path());
    }
  }
  return found;
}

std::string noise(std::size_t size) {
  std::mt19937 rng(42);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(rng());
  bytes[0] = '\x93';  // never a JSON opening
  return bytes;
}

// A store of ten megabytes: a few real settings among a thousand keys of someone else's.
std::string tenMegabytes() {
  std::string text = R"({"FirstOpen": false, "NewAbletonPrefs": true, "IntroduceSpeed": true,
    "LaunchCount": 3, "SavedMode": 1, "pref.0.8": 40)";
  const std::string filler(10'000, 'x');
  for (int i = 0; i < 1000; ++i)
    text += ",\n\"notes." + std::to_string(i) + "\": \"" + filler + "\"";
  return text + "}\n";
}

struct Damage {
  const char* name;
  std::string content;  ///< what defaults.json holds (unless makeDirectory)
  bool makeDirectory;   ///< defaults.json is a folder
  const char* said;     ///< a word of the one line on stderr; empty: nothing to say
  bool keptAside;       ///< moved to defaults.json.corrupt-<time>
  /// What the first DUMP shows: keys with their values.
  std::vector<std::pair<std::string, Json>> starts;
  /// Keys the line on stderr must name.
  std::vector<std::string> mentions = {};
};

void PrintTo(const Damage& d, std::ostream* os) { *os << d.name; }

const Json kDefaults = Json::object({{"output", "ableton"},
                                     {"mode", "synth"},
                                     {"sensitivity", "medium"},
                                     {"noteBehavior", "Retrigger"},
                                     {"selectedLook", "Classic"},
                                     {"showArrows", false},
                                     {"showLock", false},
                                     {"pulseGateEnabled", false}});

std::vector<Damage> damages() {
  return {
      {"empty", "", false, "empty", true, {}},
      {"truncated",
       R"({"FirstOpen": false, "SavedOutput": 2, "showArr)",
       false,
       "not valid JSON",
       true,
       {}},
      {"binary noise", noise(64 * 1024), false, "not valid JSON", true, {}},
      {"a JSON array", R"([{"SavedOutput": 2}])", false, "not a JSON object", true, {}},
      {"wrong types under every key",
       R"({"FirstOpen": "no", "NewAbletonPrefs": 1, "IntroduceSpeed": [true], "LaunchCount": "7",
           "SavedOutput": "2", "SavedMode": "1", "SavedSensitivity": true,
           "PulseGateEnabled": "true", "selectedLookName": 3, "noteBehavior": false,
           "showArrows": "yes", "showLock": 1, "pref.0.8": "21", "pref.2.11": {"cc": 5}})",
       false,
       "SavedOutput",
       false,
       {},
       {"LaunchCount", "SavedOutput", "SavedMode", "SavedSensitivity", "PulseGateEnabled",
        "selectedLookName", "noteBehavior", "showArrows", "showLock", "pref.0.8", "pref.2.11"}},
      {"huge numbers",
       R"({"FirstOpen": false, "NewAbletonPrefs": true, "IntroduceSpeed": true,
           "LaunchCount": 9223372036854775807, "SavedOutput": 1e300,
           "SavedMode": 18446744073709551616, "SavedSensitivity": 99999999999,
           "pref.0.8": 1e300, "pref.0.6": 4294967296, "pref.0.11": 99999999999999999999999})",
       false,
       "SavedOutput",
       false,
       {},
       {"LaunchCount", "SavedOutput", "SavedMode", "SavedSensitivity", "pref.0.8", "pref.0.6",
        "pref.0.11"}},
      {"negative numbers",
       R"({"FirstOpen": false, "NewAbletonPrefs": true, "IntroduceSpeed": true,
           "LaunchCount": -5, "SavedOutput": -1, "SavedMode": -1, "SavedSensitivity": -2,
           "pref.0.8": -20, "pref.0.6": -1, "pref.0.5": -128})",
       false,
       "SavedOutput",
       false,
       {},
       {"LaunchCount", "SavedOutput", "SavedMode", "SavedSensitivity", "pref.0.8", "pref.0.6",
        "pref.0.5"}},
      {"ten megabytes", tenMegabytes(), false, "", false, {{"mode", "control"}}},
      {"a folder where the file should be", "", true, "cannot read", false, {}},
  };
}

class DamagedStore : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedStore, StartsSaysOnceKeepsTheFileAndPlaysOn) {
  const Damage& d = GetParam();
  TempDir dir;
  const fs::path file = dir / "defaults.json";
  if (d.makeDirectory) {
    fs::create_directory(file);
    writeFile(file / "inside", "keep me");
  } else {
    writeFile(file, d.content);
  }

  const RunResult run = runVora(dir.path(), kScript, {"--midi-log", (dir / "midi.log").string()});
  ASSERT_FALSE(run.timedOut);
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_TRUE(run.output.find("NOTE ON") != std::string::npos ||
              run.output.find("GATE ON") != std::string::npos)
      << "the pad must play";

  // Said once, or not at all when nothing is wrong.
  const auto said = lines(run.errors);
  if (*d.said == '\0') {
    EXPECT_TRUE(said.empty()) << run.errors;
  } else {
    ASSERT_EQ(said.size(), 1u) << run.errors;
    EXPECT_NE(said[0].find(d.said), std::string::npos) << said[0];
    for (const std::string& key : d.mentions) {
      EXPECT_NE(said[0].find(key + " ("), std::string::npos) << key << " not named: " << said[0];
    }
  }

  const auto states = dumps(run.output);
  ASSERT_EQ(states.size(), 2u);
  Json expected = kDefaults;
  for (const auto& [k, v] : d.starts) expected[k] = v;
  for (const auto& [k, v] : expected.items()) EXPECT_EQ(states[0][k], v) << k;
  EXPECT_EQ(states[1]["prefsArray"][0][7], 21);

  // Every message sent is a MIDI message, whatever numbers the store held.
  for (const std::string& line : lines(readFile(dir / "midi.log"))) {
    unsigned t1, t2, b1, b2, b3;
    ASSERT_EQ(std::sscanf(line.c_str(), "%u.%u %X %X %X", &t1, &t2, &b1, &b2, &b3), 5) << line;
    EXPECT_TRUE(b1 >= 0x80 && b2 < 0x80 && b3 < 0x80) << line;
  }

  if (d.makeDirectory) {
    // Left as it was; the run's edits lived in memory only.
    EXPECT_TRUE(fs::is_directory(file));
    EXPECT_EQ(readFile(file / "inside"), "keep me");
    return;
  }
  const auto aside = asideCopies(dir.path());
  if (d.keptAside) {
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_TRUE(readFile(aside[0]) == d.content) << "the copy aside must be the damaged file";
    EXPECT_NE(said[0].find(aside[0].filename().string()), std::string::npos) << said[0];
  } else {
    EXPECT_TRUE(aside.empty());
  }

  // What was saved holds the edit and every key it found that the run did not change.
  const Json saved = Json::parse(readFile(file));
  ASSERT_TRUE(saved.is_object());
  EXPECT_EQ(saved["pref.0.7"], 21);
  if (!d.keptAside) {
    const Json before = Json::parse(d.content);
    for (const auto& [k, v] : before.items()) {
      if (k == "LaunchCount") continue;
      EXPECT_EQ(saved[k], v) << k;
    }
  }

  // The next start loads it and plays with the edit; values the run did not touch are
  // still there, unusable as before, and said again; nothing else is.
  const RunResult next = runVora(dir.path(), "0 dump\n");
  ASSERT_EQ(next.exitCode, 0) << next.errors;
  if (d.mentions.empty()) {
    EXPECT_EQ(next.errors, "");
  } else {
    ASSERT_EQ(lines(next.errors).size(), 1u) << next.errors;
    EXPECT_NE(next.errors.find("cannot be used as they are"), std::string::npos) << next.errors;
  }
  const auto again = dumps(next.output);
  ASSERT_EQ(again.size(), 1u);
  EXPECT_EQ(again[0]["prefsArray"][0][7], 21);
}

INSTANTIATE_TEST_SUITE_P(Table, DamagedStore, ::testing::ValuesIn(damages()), [](const auto& info) {
  std::string name;
  for (char c : std::string(info.param.name)) {
    name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  }
  return name;
});

// ---- a store that cannot be written -------------------------------------------------

const std::string kGoodStore =
    R"({"FirstOpen": false, "IntroduceSpeed": true, "LaunchCount": 4, "NewAbletonPrefs": true,
 "pref.0.8": 30, "showArrows": true, "someone.elses": [1, 2]})";

/// How a test takes the store's folder out of writing and gives it back.
struct Blocker {
  std::vector<std::string> argvFront;   ///< runs vora inside the blocked world
  std::function<void(pid_t)> unblock;   ///< the pid of vora
  std::function<fs::path(pid_t)> view;  ///< where the test sees the store folder
};

std::size_t count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

/// Plays while the store cannot be written, then once it can again.
void playThroughAStoreThatCannotBeWritten(LiveVora& vora, const fs::path& storeSeen) {
  ASSERT_TRUE(vora.dumpAt("0").has_value()) << vora.process().errors();
  ASSERT_EQ(vora.send("1 appear 400 300\n2 began a@100,100\n3 row controlX 21\n"
                      "4 ended a@100,100\n5 row controlY 22\n6 began b@10,10\n7 ended b@10,10"),
            true);
  const auto during = vora.dumpAt("8");
  ASSERT_TRUE(during.has_value()) << vora.process().errors();
  EXPECT_EQ((*during)["prefsArray"][0][7], 21);
  EXPECT_EQ((*during)["prefsArray"][0][8], 22);
  EXPECT_EQ(count(vora.process().output(), "NOTE ON"), 2u) << "the pad must keep playing";

  // Warned once for the failing writes (start-up's launch count, then two edits).
  EXPECT_EQ(lines(vora.process().errors()).size(), 1u) << vora.process().errors();
  EXPECT_EQ(count(vora.process().errors(), "cannot save"), 1u) << vora.process().errors();
  // The file is as it was, and nothing half-written lies beside it.
  EXPECT_EQ(readFile(storeSeen / "defaults.json"), kGoodStore);
  for (const auto& e : fs::directory_iterator(storeSeen)) {
    const std::string name = e.path().filename().string();
    EXPECT_TRUE(name == "defaults.json" || name == "filler") << name;
  }
}

void checkSavedAgain(LiveVora& vora, const fs::path& storeSeen) {
  // The next edit saves everything this run kept.
  ASSERT_TRUE(vora.send("9 toggle arrows off"));
  ASSERT_TRUE(vora.dumpAt("10").has_value());
  EXPECT_EQ(count(vora.process().errors(), "are saved to"), 1u) << vora.process().errors();
  const Json saved = Json::parse(readFile(storeSeen / "defaults.json"));
  EXPECT_EQ(saved["LaunchCount"], 5);
  EXPECT_EQ(saved["pref.0.7"], 21);
  EXPECT_EQ(saved["pref.0.8"], 22);
  EXPECT_EQ(saved["showArrows"], false);
  EXPECT_EQ(saved["someone.elses"], Json::parse("[1, 2]"));
}

TEST(StoreCannotBeWritten, ReadOnlyFolderWarnsOnceKeepsPlayingAndSavesOnceWritableAgain) {
  TempDir dir;
  const fs::path store = dir / "store";
  fs::create_directory(store);
  writeFile(store / "defaults.json", kGoodStore);
  fs::permissions(dir.path(), fs::perms::all);

  // root writes anywhere: vora then runs as nobody, and the folder is nobody's to read only.
  std::vector<std::string> front;
  if (::geteuid() == 0) {
    front = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};
    const RunResult probe =
        runProcess({front[0], front[1], front[2], front[3], front[4], VORA_BINARY, "--version"});
    if (probe.exitCode != 0) {
      GTEST_SKIP() << "cannot run vora as an unprivileged user here: " << probe.errors;
    }
  }
  fs::permissions(store, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                             fs::perms::others_read | fs::perms::others_exec);
  fs::permissions(store / "defaults.json", fs::perms::all);
  if (::geteuid() != 0) fs::permissions(store, fs::perms::owner_write, fs::perm_options::remove);

  LiveVora vora(store, {}, front);
  ASSERT_TRUE(vora.running()) << vora.whyNot();
  playThroughAStoreThatCannotBeWritten(vora, store);
  fs::permissions(store, fs::perms::all);
  checkSavedAgain(vora, store);
  EXPECT_EQ(vora.finish(), 0);
}

TEST(StoreCannotBeWritten, FullDiskWarnsOnceKeepsPlayingAndSavesOnceThereIsRoomAgain) {
  TempDir dir;
  const fs::path store = dir / "store";
  fs::create_directory(store);
  writeFile(dir / "seed.json", kGoodStore);

  // A small file system of its own, mounted in a namespace of vora's, and filled up.
  const std::string setUp =
      "mount -t tmpfs -o size=64k tmpfs \"$0\" && cp \"$1\" \"$0/defaults.json\" && "
      "(cat /dev/zero > \"$0/filler\") 2>/dev/null; shift; exec \"$@\"";
  const std::vector<std::string> front{
      "unshare", "-Urm", "sh", "-c", setUp, store.string(), (dir / "seed.json").string()};
  const RunResult probe =
      runProcess({"unshare", "-Urm", "sh", "-c", "mount -t tmpfs tmpfs \"$0\"", store.string()});
  if (probe.exitCode != 0)
    GTEST_SKIP() << "cannot mount a small file system here: " << probe.errors;

  LiveVora vora(store, {}, front);
  ASSERT_TRUE(vora.running()) << vora.whyNot();
  // The test sees vora's mount through its root.
  const pid_t pid = vora.pid();
  ASSERT_GT(pid, 0);
  const fs::path seen = fs::path("/proc") / std::to_string(pid) / "root" / store.relative_path();
  playThroughAStoreThatCannotBeWritten(vora, seen);
  fs::remove(seen / "filler");
  checkSavedAgain(vora, seen);
  EXPECT_EQ(vora.finish(), 0);
}

}  // namespace
}  // namespace vora
