// The windowed app's sheets end to end: the settings sheet edits a row with the keyboard and
// the mouse, the store file keeps it, and the next message uses it; the first-run welcome
// takes the touches until it is dismissed.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "support/window_fixture.h"

namespace vora {
namespace {

using test::Bytes;
namespace layout = test::layout;
using WindowSheetTest = test::WindowAppTest;

// Positions in the settings sheet of a 1024 x 600 window (a 640 x 552 sheet at (192, 24)):
// the "Synth Mode" rows "X CC" and "Y CC", their number fields and "Test" buttons, and the
// close button at the navigation bar's leading end.
constexpr int kXRow = 410;
constexpr int kYRow = 454;
constexpr int kField = 761;
constexpr int kTest = 511;
constexpr int kClose[2] = {225, 56};

TEST_F(WindowSheetTest, ARowEditedInTheSheetIsStoredAndPlayed) {
  startVora(R"({"FirstOpen": false, "NewAbletonPrefs": true, "IntroduceSpeed": true,
                "LaunchCount": 1})");
  const test::WindowDriver& w = *window_;
  w.click(layout::kSettings[0], layout::kSettings[1]);

  // Typed and committed with Return; then its "Test" sends the burst on the new number.
  w.click(kField, kXRow);
  w.type("21");
  w.key("Return");
  w.click(kTest, kXRow);
  // Typed and left by closing the sheet: committed, and clamped to 127.
  w.click(kField, kYRow);
  w.type("300");
  w.click(kClose[0], kClose[1]);
  // The sheet takes new touches until it has closed: wait for the commit that closing made.
  ASSERT_TRUE(test::waitUntil([&] {
    return vora_->output().find("set pref.0.2 to 127\n") != std::string::npos;
  })) << vora_->output();
  test::WindowDriver::pause();
  test::WindowDriver::pause();
  // The next touch (synth mode) sends x and y on the new numbers.
  w.click(512, 300);

  Bytes expected;
  for (std::uint8_t v = 60; v <= 70; ++v) expected.push_back({0xBF, 21, v});
  expected.insert(expected.end(),
                  {{0xBF, 21, 63}, {0xBF, 127, 63}, {0x9F, 0x3C, 127}, {0x8F, 0x3C, 0}});
  EXPECT_EQ(waitFor(expected.size()), expected) << vora_->output();

  const auto stored = nlohmann::json::parse(store_->contents());
  EXPECT_EQ(stored.value("pref.0.1", -1), 21) << stored.dump();
  EXPECT_EQ(stored.value("pref.0.2", -1), 127) << stored.dump();
  const std::string out = vora_->output();
  EXPECT_NE(out.find("set pref.0.1 to 21\n"), std::string::npos) << out;
  EXPECT_NE(out.find("set pref.0.2 to 127\n"), std::string::npos) << out;
}

TEST_F(WindowSheetTest, TheWelcomeTakesTouchesUntilItIsDismissed) {
  startVora("{}");
  const test::WindowDriver& w = *window_;
  w.click(900, 500);  // on the pad, but the welcome is up: nothing is sent
  w.click(419, 341);  // "Dismiss"
  test::WindowDriver::pause();
  test::WindowDriver::pause();
  w.click(512, 300);

  const Bytes expected{{0xBF, 0x74, 63}, {0xBF, 0x75, 63}, {0x9F, 0x3C, 127}, {0x8F, 0x3C, 0}};
  EXPECT_EQ(waitFor(expected.size()), expected) << vora_->output();
  EXPECT_EQ(nlohmann::json::parse(store_->contents()).value("FirstOpen", true), false);
}

}  // namespace
}  // namespace vora
