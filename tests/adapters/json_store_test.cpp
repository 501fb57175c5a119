#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "adapters/json_store/json_file_defaults_store.h"
#include "core/platform/virtual_run_loop.h"
#include "core/settings/keys.h"
#include "core/settings/settings_manager.h"
#include "support/fakes.h"

namespace vora {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

constexpr std::int64_t kNow = 1700000000;

std::string readText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void writeText(const fs::path& file, const std::string& text) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << text;
}

class JsonStore : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    root_ = fs::path(::testing::TempDir()) /
            ("vora-json-store-" + std::string(info->name()) + "-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_);
    dir_ = root_ / "vora";
  }
  void TearDown() override { fs::remove_all(root_); }

  std::unique_ptr<JsonFileDefaultsStore> open() {
    return std::make_unique<JsonFileDefaultsStore>(dir_, log_, [] { return kNow; });
  }
  fs::path file() const { return dir_ / "defaults.json"; }
  // Names in dir other than defaults.json.
  std::vector<std::string> others() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) {
      if (e.path().filename() != "defaults.json") names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path root_;
  fs::path dir_;
  test::RecordingLog log_;
};

TEST_F(JsonStore, MissingFolderIsAnEmptyStoreAndEachKindRoundTrips) {
  {
    auto store = open();
    EXPECT_TRUE(store->values().empty());
    EXPECT_FALSE(fs::exists(dir_));  // nothing is made until something is stored
    store->setInteger("LaunchCount", 3);
    store->setInteger("pref.0.7", -21);
    store->setBool("FirstOpen", false);
    store->setString("selectedLookName", "Heat Map \"quoted\" \xC3\xA9");
    store->set("ratio", 0.5);
    store->setInteger("gone", 1);
    store->remove("gone");
  }
  const Json saved = Json::parse(readText(file()));
  EXPECT_EQ(saved, Json::parse(R"({"LaunchCount": 3, "pref.0.7": -21, "FirstOpen": false,
      "selectedLookName": "Heat Map \"quoted\" \u00e9", "ratio": 0.5})"));
  EXPECT_TRUE(saved["LaunchCount"].is_number_integer());
  EXPECT_TRUE(saved["ratio"].is_number_float());

  auto again = open();
  EXPECT_EQ(again->integerForKey("LaunchCount"), 3);
  EXPECT_EQ(again->storedInteger("pref.0.7"), -21);
  EXPECT_EQ(*again->find("FirstOpen"), DefaultsValue(false));
  EXPECT_EQ(again->stringForKey("selectedLookName"), "Heat Map \"quoted\" \xC3\xA9");
  EXPECT_EQ(*again->find("ratio"), DefaultsValue(0.5));
  EXPECT_FALSE(again->exists("gone"));
  EXPECT_TRUE(log_.systemLines.empty());
  EXPECT_TRUE(others().empty());  // no temp file left behind
}

TEST_F(JsonStore, EveryWriteReplacesTheFileInsteadOfRewritingItInPlace) {
  auto store = open();
  store->setInteger("LaunchCount", 1);
  // A second name for the first file: an in-place rewrite would change what it shows.
  const fs::path before = root_ / "before.json";
  fs::create_hard_link(file(), before);
  const std::string first = readText(before);
  store->setInteger("LaunchCount", 2);
  EXPECT_EQ(readText(before), first);
  EXPECT_EQ(Json::parse(readText(file()))["LaunchCount"], 2);
  EXPECT_TRUE(others().empty());
}

TEST_F(JsonStore, DamagedFilesAreKeptAsideAndTheStoreStartsEmpty) {
  const char* damaged[] = {
      "hello",
      "[1, 2, 3]",
      "\"SavedOutput\"",
      "",
      "  \n",
      R"({"SavedOutput": 2, "FirstOp)",
      R"({"SavedOutput": 2,})",
      "{\"a\": \"\xFF\"}",  // not UTF-8
  };
  for (const char* text : damaged) {
    SCOPED_TRACE(text);
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    writeText(file(), text);
    log_.systemLines.clear();

    auto store = open();
    EXPECT_TRUE(store->values().empty());
    ASSERT_EQ(log_.systemLines.size(), 1u);
    EXPECT_NE(log_.systemLines[0].find("defaults.json.corrupt-1700000000"), std::string::npos)
        << log_.systemLines[0];
    EXPECT_FALSE(fs::exists(file()));
    EXPECT_EQ(readText(dir_ / "defaults.json.corrupt-1700000000"), text);

    store->setInteger("LaunchCount", 1);
    EXPECT_EQ(Json::parse(readText(file())), Json::parse(R"({"LaunchCount": 1})"));
    EXPECT_EQ(log_.systemLines.size(), 1u);
    EXPECT_TRUE(store->persisting());
  }
}

TEST_F(JsonStore, AnEarlierCopyOfADamagedFileIsNeverOverwritten) {
  fs::create_directories(dir_);
  writeText(dir_ / "defaults.json.corrupt-1700000000", "first damage");
  writeText(dir_ / "defaults.json.corrupt-1700000000-2", "second damage");
  writeText(file(), "third damage");
  auto store = open();
  EXPECT_EQ(readText(dir_ / "defaults.json.corrupt-1700000000"), "first damage");
  EXPECT_EQ(readText(dir_ / "defaults.json.corrupt-1700000000-2"), "second damage");
  EXPECT_EQ(readText(dir_ / "defaults.json.corrupt-1700000000-3"), "third damage");
  EXPECT_EQ(log_.systemLines.size(), 1u);
}

TEST_F(JsonStore, ValuesOfForeignKindsAndOddNumbersSurviveARewriteUnchanged) {
  fs::create_directories(dir_);
  const std::string nested = R"([1, {"b": null, "c": [2.50, "x"]}])";
  writeText(file(), "\xEF\xBB\xBF{\n  \"list\": " + nested + R"(,
  "nothing": null, "object": {"k": {}},
  "huge": 123456789012345678901234567890, "unsigned": 18446744073709551615,
  "negative": -99999999999999999999,
  "real": 1.50, "exp": 2e3, "SavedOutput": 2, "a\"b": "c"
})");
  {
    auto store = open();
    EXPECT_TRUE(log_.systemLines.empty());
    EXPECT_EQ(*store->find("list"), DefaultsValue(OtherValue{nested}));
    EXPECT_EQ(*store->find("nothing"), DefaultsValue(OtherValue{"null"}));
    EXPECT_EQ(store->integerForKey("object"), 0);
    // Beyond the integer range: still numbers to the readers.
    EXPECT_EQ(store->integerForKey("huge"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(store->integerForKey("unsigned"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(store->integerForKey("negative"), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(*store->find("real"), DefaultsValue(1.5));
    EXPECT_EQ(store->integerForKey("exp"), 2000);
    EXPECT_EQ(store->storedInteger("SavedOutput"), 2);
    EXPECT_EQ(store->stringForKey("a\"b"), "c");
    store->setInteger("SavedMode", 1);
    store->setInteger("SavedOutput", 3);
  }
  const std::string text = readText(file());
  for (const char* spelled :
       {R"([1, {"b": null, "c": [2.50, "x"]}])", "123456789012345678901234567890",
        "18446744073709551615", "-99999999999999999999", "1.50", "2e3", R"("object": {"k": {}})",
        R"("nothing": null)", R"("a\"b": "c")"}) {
    EXPECT_NE(text.find(spelled), std::string::npos) << spelled << " missing from\n" << text;
  }
  const Json saved = Json::parse(text);
  EXPECT_EQ(saved["SavedMode"], 1);
  EXPECT_EQ(saved["SavedOutput"], 3);
  EXPECT_TRUE(saved["real"].is_number_float());
}

TEST_F(JsonStore, AFailingWriteKeepsTheValuesWarnsOnceAndRecovers) {
  writeText(dir_, "a file where the folder should be");
  auto store = open();
  store->setInteger("LaunchCount", 1);
  store->setString("selectedLookName", "Pulse Cell");
  EXPECT_EQ(log_.systemLines.size(), 1u);
  EXPECT_FALSE(store->persisting());
  EXPECT_EQ(store->integerForKey("LaunchCount"), 1);
  EXPECT_EQ(readText(dir_), "a file where the folder should be");

  fs::remove(dir_);
  store->setBool("showLock", true);
  EXPECT_TRUE(store->persisting());
  ASSERT_EQ(log_.systemLines.size(), 2u);
  EXPECT_NE(log_.systemLines[1].find("again"), std::string::npos) << log_.systemLines[1];

  auto again = open();
  EXPECT_EQ(again->integerForKey("LaunchCount"), 1);
  EXPECT_EQ(again->stringForKey("selectedLookName"), "Pulse Cell");
  EXPECT_TRUE(again->boolForKey("showLock"));
}

TEST_F(JsonStore, AFileThatCannotBeReadIsLeftAlone) {
  fs::create_directories(file() / "inside");  // reading a folder fails
  auto store = open();
  ASSERT_EQ(log_.systemLines.size(), 1u);
  EXPECT_NE(log_.systemLines[0].find("cannot read"), std::string::npos);
  store->setInteger("LaunchCount", 1);
  EXPECT_EQ(store->integerForKey("LaunchCount"), 1);
  EXPECT_TRUE(fs::is_directory(file() / "inside"));
  EXPECT_TRUE(others().empty());
  EXPECT_EQ(log_.systemLines.size(), 1u);
}

TEST_F(JsonStore, ALinkedSettingsFileStaysLinked) {
  fs::create_directories(dir_);
  const fs::path real = root_ / "dotfiles-defaults.json";
  writeText(real, R"({"LaunchCount": 4})");
  fs::create_symlink(real, file());
  auto store = open();
  store->setInteger("LaunchCount", 5);
  EXPECT_TRUE(fs::is_symlink(file()));
  EXPECT_EQ(Json::parse(readText(real))["LaunchCount"], 5);
}

TEST_F(JsonStore, SettingsOutliveTheRun) {
  NotificationCenter center;
  VirtualRunLoop loop;
  test::RecordingMidiPort port;
  {
    auto store = open();
    SettingsManager manager(Services{*store, center, log_, loop, port});
    manager.setOutput(Output::bitwig);
    manager.setPref(prefList::synthX, 20);
    manager.selectLook(manager.looks()[2]);
  }
  auto store = open();
  SettingsManager manager(Services{*store, center, log_, loop, port});
  EXPECT_FALSE(manager.firstOpen);
  EXPECT_EQ(store->integerForKey(key::launchCount), 2);
  EXPECT_EQ(manager.prefsArray.get(Output::bitwig, prefList::synthX), 20);
  EXPECT_EQ(manager.selectedLook()->name, "Pulse Cell");
  EXPECT_TRUE(log_.systemLines.empty());
}

TEST(DefaultStoreDirectory, ConfigHomeElseHome) {
  const char* savedConfig = std::getenv("XDG_CONFIG_HOME");
  const char* savedHome = std::getenv("HOME");
  const std::string config = savedConfig ? savedConfig : "";
  const std::string home = savedHome ? savedHome : "";

  ::setenv("HOME", "/home/player", 1);
  ::setenv("XDG_CONFIG_HOME", "/xdg/config", 1);
  EXPECT_EQ(defaultStoreDirectory(), fs::path("/xdg/config/vora"));
  ::setenv("XDG_CONFIG_HOME", "relative/config", 1);  // only an absolute path counts
  EXPECT_EQ(defaultStoreDirectory(), fs::path("/home/player/.config/vora"));
  ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(defaultStoreDirectory(), fs::path("/home/player/.config/vora"));

  if (savedConfig) ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  if (savedHome) ::setenv("HOME", home.c_str(), 1);
}

}  // namespace
}  // namespace vora
