#include <gtest/gtest.h>

#include <vector>

#include "core/settings/keys.h"
#include "support/touch_fixture.h"

namespace vora {
namespace {

using test::TouchFixture;

std::vector<TouchRef> one(const TouchRef& touch) { return {touch}; }

TEST(ViewControllerButtons, PinAndArrowsSendOnTheControlChannelInEitherMode) {
  for (Mode mode : {Mode::control, Mode::synth}) {
    SCOPED_TRACE(caseName(mode));
    TouchFixture f;
    f.store.setInteger(key::savedOutput, 1);  // Bitwig: synth channel 1, control channel 16
    ViewController& vc = f.show(mode);
    vc.pinPressed();
    EXPECT_TRUE(vc.pinned);
    EXPECT_EQ(vc.elements.pinButton.image, "thumbtackon");
    vc.pinPressed();
    EXPECT_FALSE(vc.pinned);
    EXPECT_EQ(vc.elements.pinButton.image, "thumbtack");
    vc.rightPressed();
    vc.leftPressed();
    EXPECT_EQ(f.port.sent, (std::vector<MidiMessage>{
                               {0xBF, 22, 127}, {0xBF, 22, 0}, {0xBF, 20, 127}, {0xBF, 21, 127}}));
  }
}

TEST(ViewControllerButtons, LockButtonSwitchesBetweenOffAndFrozen) {
  TouchFixture f;
  ViewController& vc = f.show(Mode::control);
  EXPECT_TRUE(vc.elements.lockView.hidden);
  vc.lockEnablePressed();
  EXPECT_TRUE(vc.lockEnabled);
  EXPECT_TRUE(vc.locked);
  EXPECT_EQ(vc.elements.lockEnableButton.image, "lock icon");
  EXPECT_FALSE(vc.elements.lockView.hidden);
  vc.lockEnablePressed();
  EXPECT_FALSE(vc.lockEnabled);
  EXPECT_FALSE(vc.locked);
  EXPECT_EQ(vc.elements.lockEnableButton.image, "openlock");
  EXPECT_TRUE(vc.elements.lockView.hidden);
  EXPECT_TRUE(f.port.sent.empty());
}

TEST(ViewControllerButtons, LockViewShowsItsPressedImageWhileHeld) {
  TouchFixture f;
  ViewController& vc = f.show(Mode::control);
  vc.lockEnablePressed();
  auto l = f.finger('L', {-30, 150}, TouchView::lock);
  vc.touchesBegan(one(l));
  EXPECT_FALSE(vc.locked);
  EXPECT_FALSE(vc.elements.lockDown.hidden);
  EXPECT_EQ(vc.elements.lockEnableButton.image, "openlock");
  vc.touchesEnded(one(l));
  EXPECT_TRUE(vc.locked);
  EXPECT_TRUE(vc.elements.lockDown.hidden);
  EXPECT_EQ(vc.elements.lockEnableButton.image, "lock icon");
}

TEST(ViewControllerButtons, ModeSwitchToSynthUnlocksHidesAndStoresAndBackDoesNotRelock) {
  TouchFixture f;
  f.store.setBool(key::showArrows, true);
  f.store.setBool(key::showLock, true);
  ViewController& vc = f.show(Mode::control);
  vc.lockEnablePressed();  // Frozen
  vc.modePressed();
  const auto& e = vc.elements;
  EXPECT_EQ(vc.manager().mode, Mode::synth);
  EXPECT_FALSE(vc.locked);
  EXPECT_FALSE(vc.lockEnabled);
  EXPECT_EQ(f.store.storedInteger(key::savedMode), 0);
  EXPECT_EQ(e.modeButton.image, "sine_on");
  EXPECT_EQ(e.horizontalLine.image, "horizontal_pink");
  EXPECT_EQ(e.verticalLine.image, "vertical_pink");
  for (const Element* hidden : {&e.lockView, &e.leftButton, &e.rightButton, &e.lockEnableButton}) {
    EXPECT_TRUE(hidden->hidden);
  }
  vc.modePressed();
  EXPECT_EQ(vc.manager().mode, Mode::control);
  EXPECT_EQ(f.store.storedInteger(key::savedMode), 1);
  EXPECT_EQ(e.modeButton.image, "mode_on");
  EXPECT_EQ(e.horizontalLine.image, "horizontal_blu");
  EXPECT_EQ(e.verticalLine.image, "vertical_blu");
  EXPECT_FALSE(vc.lockEnabled);
  EXPECT_TRUE(e.lockView.hidden);
  EXPECT_FALSE(e.lockEnableButton.hidden);
  EXPECT_FALSE(e.leftButton.hidden);
  EXPECT_TRUE(f.port.sent.empty());
}

TEST(ViewControllerButtons, ModeSwitchLeavesTheGateOpenAndTheLiftSendsTheNewModesOff) {
  TouchFixture f;
  ViewController& vc = f.show(Mode::control);
  auto a = f.finger('A', {200, 150});
  vc.touchesBegan(one(a));
  f.clear();
  vc.modePressed();
  EXPECT_TRUE(f.port.sent.empty());
  vc.touchesEnded(one(a));
  EXPECT_EQ(f.port.sent, (std::vector<MidiMessage>{{0x8F, 60, 0}}));
  EXPECT_EQ(f.log.lines, (std::vector<std::string>{"NOTE OFF"}));
}

TEST(ViewControllerButtons, VisibilityFollowsModeLockAndDisplaySwitches) {
  enum class Lock { off, frozen, held };
  struct Case {
    const char* name;
    Mode mode;
    bool showArrows, showLock;
    Lock lock;
    // expected
    bool lockViewHidden, arrowsHidden, lockButtonHidden;
    const char* lockImage;
    const char* modeImage;
    bool lockEnabled, locked;
  };
  const Case cases[]{
      {"control, all shown, off", Mode::control, true, true, Lock::off, true, false, false,
       "openlock", "mode_on", false, false},
      {"control, no arrows, frozen", Mode::control, false, true, Lock::frozen, false, true, false,
       "lock icon", "mode_on", true, true},
      {"control, held: the lock view hides while unlocked", Mode::control, true, true, Lock::held,
       true, false, false, "lock icon", "mode_on", true, false},
      {"control, lock switch off while frozen: the lock turns off", Mode::control, true, false,
       Lock::frozen, true, false, true, "lock icon" /* hidden; redrawn when shown */, "mode_on",
       false, false},
      {"synth hides every optional control", Mode::synth, true, true, Lock::off, true, true, true,
       "openlock", "sine_on", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TouchFixture f;
    ViewController& vc = f.show(c.mode);
    vc.lockEnabled = c.lock != Lock::off;
    vc.locked = c.lock == Lock::frozen;
    vc.elements.lockDown.hidden = false;
    vc.manager().setShowArrows(c.showArrows);
    vc.manager().setShowLock(c.showLock);
    f.center.post(notification::lockShown);
    const auto& e = vc.elements;
    EXPECT_EQ(e.lockView.hidden, c.lockViewHidden);
    EXPECT_EQ(e.leftButton.hidden, c.arrowsHidden);
    EXPECT_EQ(e.rightButton.hidden, c.arrowsHidden);
    EXPECT_EQ(e.lockEnableButton.hidden, c.lockButtonHidden);
    EXPECT_EQ(e.lockEnableButton.image, c.lockImage);
    EXPECT_EQ(e.modeButton.image, c.modeImage);
    EXPECT_TRUE(e.lockDown.hidden);
    EXPECT_FALSE(e.pinButton.hidden);
    EXPECT_EQ(vc.lockEnabled, c.lockEnabled);
    EXPECT_EQ(vc.locked, c.locked);
  }
}

TEST(ViewControllerButtons, ArrowsNotificationRecomputesVisibility) {
  TouchFixture f;
  ViewController& vc = f.show(Mode::control);
  EXPECT_TRUE(vc.elements.leftButton.hidden);
  vc.manager().setShowArrows(true);
  f.center.post(notification::arrowsShown);
  EXPECT_FALSE(vc.elements.leftButton.hidden);
  EXPECT_FALSE(vc.elements.rightButton.hidden);
}

}  // namespace
}  // namespace vora
