// The store survives crashes. vora plays a script of a few hundred edits (rows, presets,
// switches, looks, the mode button) and is killed (SIGKILL) at a random moment, a few hundred
// times over the same store. After every kill defaults.json must parse and hold exactly the
// state before or after the last edit that vora reported done, never anything torn or in
// between, and the next start must load it: its first DUMP shows what the file holds.
//
// VORA_KILLS sets the number of kills (default 300); the figure is printed at the end.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <random>

#include "reliability/vora_run.h"

namespace vora {
namespace {

using namespace rel;
using Clock = std::chrono::steady_clock;

constexpr int kEdits = 200;
const char* const kOutputs[] = {"Ableton", "Bitwig", "Rev2", "User 1", "User 2", "User 3"};
const char* const kOutputCases[] = {"ableton", "bitwig", "rev2", "user1", "user2", "user3"};
const char* const kLooks[] = {"Classic", "Heat Map", "Pulse Cell", "Warp Speed", "Life Flower"};

/// One edit: its script step, and what it does to the stored JSON object.
struct Edit {
  std::string step;
  std::function<void(Json&)> apply;
};

int currentOutput(const Json& store) { return store.value("SavedOutput", 0); }

std::string prefKey(const Json& store, int pref) {
  return "pref." + std::to_string(currentOutput(store)) + "." + std::to_string(pref);
}

std::vector<Edit> makeEdits() {
  std::vector<Edit> edits;
  for (int i = 0; i < kEdits; ++i) {
    const int value = 1 + (i * 37 + 5) % 127;  // 1..127: every row takes these as typed
    switch (i % 7) {
      case 0:  // controlX
        edits.push_back({"row controlX " + std::to_string(value),
                         [value](Json& s) { s[prefKey(s, 7)] = value; }});
        break;
      case 1: {
        const int o = (i / 7) % 6;
        edits.push_back(
            {std::string("preset ") + kOutputs[o], [o](Json& s) { s["SavedOutput"] = o; }});
        break;
      }
      case 2: {
        const bool on = (i / 7) % 2 == 0;
        edits.push_back({std::string("toggle arrows ") + (on ? "on" : "off"),
                         [on](Json& s) { s["showArrows"] = on; }});
        break;
      }
      case 3: {
        const char* look = kLooks[(i / 7) % 5];
        edits.push_back(
            {std::string("look ") + look, [look](Json& s) { s["selectedLookName"] = look; }});
        break;
      }
      case 4:
        edits.push_back(
            {"press mode", [](Json& s) { s["SavedMode"] = s.value("SavedMode", 0) == 1 ? 0 : 1; }});
        break;
      case 5:  // synthNote
        edits.push_back({"row synthNote " + std::to_string(value),
                         [value](Json& s) { s[prefKey(s, 5)] = value; }});
        break;
      default: {
        const bool on = (i / 7) % 3 != 0;
        edits.push_back({std::string("toggle lock ") + (on ? "on" : "off"),
                         [on](Json& s) { s["showLock"] = on; }});
        break;
      }
    }
  }
  return edits;
}

/// The script: the pad appears, then each edit followed by a DUMP that says it is done.
std::string makeScript(const std::vector<Edit>& edits) {
  std::string script = "0 appear 400 300\n0 dump\n";
  for (std::size_t i = 0; i < edits.size(); ++i) {
    const std::string t = std::to_string(i + 1);
    script += t + " " + edits[i].step + "\n" + t + " dump\n";
  }
  return script;
}

/// The store after start-up and each edit: states[0] before the run, states[1] after the
/// launch count, states[1 + j] after j edits.
std::vector<Json> expectedStates(const Json& before, const std::vector<Edit>& edits) {
  std::vector<Json> states{before};
  Json s = before;
  s["LaunchCount"] = before.value("LaunchCount", 0) + 1;
  states.push_back(s);
  for (const Edit& e : edits) {
    e.apply(s);
    states.push_back(s);
  }
  return states;
}

/// What a start on store must show in its first DUMP.
void expectLoaded(const Json& dump, const Json& store) {
  EXPECT_EQ(dump["output"], kOutputCases[currentOutput(store)]);
  EXPECT_EQ(dump["mode"], store.value("SavedMode", 0) == 1 ? "control" : "synth");
  EXPECT_EQ(dump["showArrows"], store.value("showArrows", false));
  EXPECT_EQ(dump["showLock"], store.value("showLock", false));
  EXPECT_EQ(dump["selectedLook"], store.value("selectedLookName", "Classic"));
  for (const auto& [key, value] : store.items()) {
    int o = 0, p = 0;
    if (std::sscanf(key.c_str(), "pref.%d.%d", &o, &p) == 2) {
      EXPECT_EQ(dump["prefsArray"][o][p], value) << key;
    }
  }
}

/// stderr without the sanitizer runtime's note on a process killed while it checked for
/// leaks at its exit (an instrumented build only); its reports of errors stay.
std::string ownWords(const std::string& errors) {
  std::string kept;
  for (const std::string& line : lines(errors)) {
    if (line.find("Unable to get registers from thread") != std::string::npos) continue;
    kept += line + "\n";
  }
  return kept;
}

int killsWanted() {
  const char* text = std::getenv("VORA_KILLS");
  const int n = text != nullptr ? std::atoi(text) : 0;
  return n > 0 ? n : 300;
}

std::size_t leftoverTempFiles(const fs::path& dir) {
  std::size_t n = 0;
  for (const auto& e : fs::directory_iterator(dir)) {
    if (e.path().filename().string().rfind(".defaults.json.tmp", 0) == 0) ++n;
  }
  return n;
}

TEST(StoreKill, EveryKillLeavesTheOldOrTheNewStoreAndTheNextStartLoadsIt) {
  // On tmpfs where there is one: a killed process loses nothing the kernel already holds, so
  // a disk's syncs would only make each run slower, not the test stronger.
  TempDir dir(fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path());
  const fs::path store = dir / "store";
  const fs::path out = dir / "out.txt", err = dir / "err.txt", scriptFile = dir / "edits.txt";
  const std::vector<Edit> edits = makeEdits();
  writeFile(scriptFile, makeScript(edits));
  const auto argv = headlessArgs(scriptFile, store);

  // A first run to its end: the model must agree with vora, and it gives the run's length.
  const auto started = Clock::now();
  const pid_t first = spawnTo(argv, out, err);
  ASSERT_GT(first, 0);
  int status = 0;
  ASSERT_EQ(::waitpid(first, &status, 0), first);
  const auto fullRun = Clock::now() - started;
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << readFile(err);
  const Json initial =
      Json::object({{"FirstOpen", false}, {"NewAbletonPrefs", true}, {"IntroduceSpeed", true}});
  ASSERT_EQ(Json::parse(readFile(store / "defaults.json")), expectedStates(initial, edits).back())
      << "the model of the edits does not match what vora stores";

  std::mt19937 rng(20240611);
  std::uniform_int_distribution<long> delayUs(
      0, std::chrono::duration_cast<std::chrono::microseconds>(fullRun).count() * 11 / 10);
  const int wanted = killsWanted();
  int kills = 0, finished = 0, oldState = 0, newState = 0;
  std::vector<std::size_t> killedAfter;  // steps done when each kill landed
  int midSave = 0;                       // kills that left a half-written temp file
  while (kills < wanted) {
    SCOPED_TRACE("kill " + std::to_string(kills + 1));
    const std::string beforeText = readFile(store / "defaults.json");
    const Json before = Json::parse(beforeText, nullptr, false);
    ASSERT_TRUE(before.is_object()) << "torn store:\n" << beforeText;
    const std::vector<Json> states = expectedStates(before, edits);

    const pid_t pid = spawnTo(argv, out, err);
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(std::chrono::microseconds(delayUs(rng)));
    ::kill(pid, SIGKILL);
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    const bool killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    if (!killed) {
      ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << readFile(err);
      ++finished;
    }
    EXPECT_EQ(ownWords(readFile(err)), "")
        << "a start on the store left by the last kill complained";

    // Done: the DUMPs printed. The first comes after start-up, each later one after an edit.
    const auto shown = dumps(readFile(out));
    if (!shown.empty()) expectLoaded(shown.front(), before);
    const std::size_t done = shown.empty() ? 0 : shown.size();  // index into states
    const std::string afterText = readFile(store / "defaults.json");
    const Json after = Json::parse(afterText, nullptr, false);
    ASSERT_TRUE(after.is_object()) << "torn store after the kill:\n" << afterText;
    const bool isOld = after == states[done];
    const bool isNew = done + 1 < states.size() && after == states[done + 1];
    ASSERT_TRUE(isOld || isNew) << "after " << done << " steps done the store holds\n"
                                << after.dump(1) << "\nexpected\n"
                                << states[done].dump(1) << "\nor the next step's state";
    if (!killed) continue;
    ++kills;
    isOld ? ++oldState : ++newState;
    killedAfter.push_back(done);
    midSave += leftoverTempFiles(store) > 0 ? 1 : 0;  // the next start removes it
    if (::testing::Test::HasFailure()) return;
  }

  // The store after the last kill: a clean start loads it without a word. A temp file of a
  // process still running (pid 1) may be a save in progress and stays.
  writeFile(store / ".defaults.json.tmp-1-0", "{");
  const RunResult last = runVora(store, "0 dump\n");
  ASSERT_EQ(last.exitCode, 0) << last.errors;
  EXPECT_EQ(last.errors, "");
  const auto shown = dumps(last.output);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(leftoverTempFiles(store), 1u) << "half-written copies of killed runs stay behind";
  EXPECT_TRUE(fs::exists(store / ".defaults.json.tmp-1-0"));

  std::sort(killedAfter.begin(), killedAfter.end());
  std::cout << "kills landed after 0.." << killedAfter.back() << " steps (median "
            << killedAfter[killedAfter.size() / 2] << "); " << midSave
            << " landed mid-save, between the temp file and its rename\n";
  std::cout << "kills survived: " << kills << " of " << kills << " (" << oldState
            << " left the state before the edit in progress, " << newState
            << " the state after it); " << finished << " runs ended before their kill; a "
            << "full run of " << edits.size() << " edits took "
            << std::chrono::duration_cast<std::chrono::milliseconds>(fullRun).count() << " ms\n";
  RecordProperty("kills_survived", kills);
}

}  // namespace
}  // namespace vora
