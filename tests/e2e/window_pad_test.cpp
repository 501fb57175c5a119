// The windowed app end to end: `vora --windowed` on a virtual display, played with the mouse
// through xdotool, its MIDI read back by jack_midi_dump on a JACK server of the test's own.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "support/window_fixture.h"

namespace vora {
namespace {

using test::Bytes;
namespace layout = test::layout;
using WindowTest = test::WindowAppTest;

// A store past its first start, in control mode, with the arrows shown.
constexpr const char* kControlStore =
    R"({"FirstOpen": false, "NewAbletonPrefs": true, "IntroduceSpeed": true, "LaunchCount": 1,
        "SavedMode": 1, "showArrows": true})";

TEST_F(WindowTest, TheMouseOnThePadAndTheButtonsPlaysVora) {
  startVora(kControlStore);
  const test::WindowDriver& w = *window_;

  // The pad is the window less 30 points on every side (964 x 540). Control mode: a press at
  // (512, 165) is x 0.5 and y 0.75; a drag to (271, 435) is x and y 0.25; the release closes
  // the gate.
  w.move(512, 165);
  w.press();
  test::WindowDriver::pause();
  w.move(271, 435);
  test::WindowDriver::pause();
  w.release();
  test::WindowDriver::pause();
  // The arrows and the pin, on the control channel; a button press never reaches the pad.
  w.click(layout::kLeft[0], layout::kLeft[1]);
  w.click(layout::kRight[0], layout::kRight[1]);
  w.click(layout::kPin[0], layout::kPin[1]);
  w.click(layout::kPin[0], layout::kPin[1]);
  // The mode button switches to synth (sending nothing); a tap at (753, 300), x 0.75 and
  // y 0.5, plays the note.
  w.click(layout::kMode[0], layout::kMode[1]);
  w.click(753, 300);

  const Bytes expected{
      {0xBF, 0x74, 63},  {0xBF, 0x75, 95},  {0xBF, 0x77, 127},  // press: x, y, gate on
      {0xBF, 0x74, 31},  {0xBF, 0x75, 31},                      // drag
      {0xBF, 0x77, 0},                                          // release: gate off
      {0xBF, 0x15, 127}, {0xBF, 0x14, 127},                     // left, right
      {0xBF, 0x16, 127}, {0xBF, 0x16, 0},                       // pin on, off
      {0xBF, 0x74, 95},  {0xBF, 0x75, 63},  {0x9F, 0x3C, 127},  // synth tap: x, y, note on
      {0x8F, 0x3C, 0},                                          // note off
  };
  EXPECT_EQ(waitFor(expected.size()), expected) << vora_->output();
  EXPECT_TRUE(receivedSpeed()) << "the drag moved the speed controller";

  const std::string out = vora_->output();
  EXPECT_EQ(out.rfind("launch\n", 0), 0u) << out;
  for (const char* line : {"GATE ON\n", "GATE OFF\n", "NOTE ON\n", "NOTE OFF\n"}) {
    EXPECT_NE(out.find(line), std::string::npos) << line;
  }
  // The mode persisted at once.
  EXPECT_EQ(nlohmann::json::parse(store_->contents()).value("SavedMode", -1), 0)
      << store_->contents();
}

TEST_F(WindowTest, TheLockFreezesThePadUntilItsViewIsHeld) {
  startVora(
      R"({"FirstOpen": false, "NewAbletonPrefs": true, "IntroduceSpeed": true,
          "LaunchCount": 1, "SavedMode": 1, "showLock": true})");
  const test::WindowDriver& w = *window_;
  w.click(layout::kLockButton[0], layout::kLockButton[1]);
  w.click(512, 300);  // frozen: nothing
  // The lock view in the bottom-left corner (115 points square) lifts the lock while held.
  w.move(layout::kLockView[0], layout::kLockView[1]);
  w.press();
  test::WindowDriver::pause();
  w.release();
  test::WindowDriver::pause();
  w.click(layout::kLockButton[0], layout::kLockButton[1]);  // off again
  w.click(512, 300);

  const Bytes expected{{0xBF, 0x74, 63}, {0xBF, 0x75, 63}, {0xBF, 0x77, 127}, {0xBF, 0x77, 0}};
  EXPECT_EQ(waitFor(expected.size()), expected) << vora_->output();
  const std::string out = vora_->output();
  EXPECT_NE(out.find("lock down\nlock up\n"), std::string::npos) << out;
}

}  // namespace
}  // namespace vora
