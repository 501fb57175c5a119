#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "core/settings/keys.h"
#include "support/touch_fixture.h"

namespace vora {
namespace {

using std::chrono::milliseconds;
using test::TouchFixture;

TEST(ViewControllerScreen, CreationStartsTheSamplerButOnlyLoadingConnectsIt) {
  TouchFixture f;
  ViewController& vc = f.create();
  EXPECT_EQ(vc.touchPadView.paddingDist, 30.0);
  EXPECT_EQ(vc.touchPadView.touchPadSize, (Size{20, 30}));
  EXPECT_EQ(vc.touchPadView.manager, nullptr);
  ASSERT_NE(vc.touchPadView.touchScene, nullptr);

  vc.controlDataTimer.gateCurrent = 1.0;
  f.loop.advanceTo(milliseconds(10));
  EXPECT_DOUBLE_EQ(vc.controlDataTimer.gateSmooth, 0.3);  // ticking already
  const TouchScene& scene = *vc.touchPadView.touchScene;
  EXPECT_FALSE(scene.primaryNode.attribute(NodeAttribute::a_g));  // nobody listens yet

  vc.viewDidLoad();
  EXPECT_EQ(f.shell.idleTimerDisables, 1);
  EXPECT_EQ(vc.touchPadView.manager, &vc.manager());
  EXPECT_EQ(scene.manager, &vc.manager());
  EXPECT_EQ(vc.elements.verticalLine.opacity, 0.6);
  EXPECT_EQ(vc.elements.horizontalLine.opacity, 0.6);
  f.loop.advanceTo(milliseconds(20));
  EXPECT_NEAR(*scene.primaryNode.attribute(NodeAttribute::a_g), 1 - 0.7 * 0.7, 1e-6);
  EXPECT_EQ(*scene.primaryNode.attribute(NodeAttribute::a_speed), 0.0f);
}

TEST(ViewControllerScreen, LoadingPicksCrosshairImagesByMode) {
  for (Mode mode : {Mode::control, Mode::synth}) {
    SCOPED_TRACE(caseName(mode));
    TouchFixture f;
    ViewController& vc = f.show(mode);
    const bool control = mode == Mode::control;
    EXPECT_EQ(vc.elements.horizontalLine.image, control ? "horizontal_blu" : "horizontal_pink");
    EXPECT_EQ(vc.elements.verticalLine.image, control ? "vertical_blu" : "vertical_pink");
    EXPECT_EQ(vc.elements.modeButton.image, control ? "mode_on" : "sine_on");
  }
}

TEST(ViewControllerScreen, DetectPlatformFromTheDevice) {
  struct Case {
    DeviceTraits traits;
    Platform platform;
    bool isForceTouchDevice;
  };
  // isForceTouchDevice starts true here, so "unchanged" shows for the unknown device.
  const Case cases[]{
      {{DeviceIdiom::phone, false}, Platform::iphone_2d, false},
      {{DeviceIdiom::phone, true}, Platform::iphone_3d, true},
      {{DeviceIdiom::tablet, false}, Platform::ipad, true},
      {{DeviceIdiom::other, false}, Platform::unknown, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(caseName(c.platform));
    TouchFixture f;
    ViewController& vc = f.create(c.traits);
    vc.manager().isForceTouchDevice = true;
    vc.viewDidLoad();
    EXPECT_EQ(vc.manager().platform, c.platform);
    EXPECT_EQ(vc.manager().isForceTouchDevice, c.isForceTouchDevice);
  }
}

TEST(ViewControllerScreen, DisappearingPausesTheSceneAndAppearingResumesIt) {
  TouchFixture f;
  ViewController& vc = f.show(Mode::control);
  const TouchScene& scene = *vc.touchPadView.touchScene;
  vc.viewWillDisappear();
  EXPECT_TRUE(scene.isPaused());
  vc.viewWillAppear();
  EXPECT_FALSE(scene.isPaused());
  EXPECT_EQ(f.log.lines, (std::vector<std::string>{"disapear", "appear"}));
}

TEST(ViewControllerScreen, AppearingMeasuresThePadAndWelcomesOnlyOnce) {
  TouchFixture f;
  ViewController& vc = f.create();
  ASSERT_TRUE(vc.manager().firstOpen);  // an empty store is a first start
  vc.viewDidLoad();
  vc.elements.touchArea.size = {640, 360};
  vc.viewWillAppear();
  vc.viewDidAppear();
  EXPECT_EQ(vc.width, 640);
  EXPECT_EQ(vc.height, 360);
  ASSERT_TRUE(vc.pendingAlert);
  EXPECT_EQ(vc.pendingAlert->title, "Welcome");
  EXPECT_EQ(vc.pendingAlert->message, "Let's get set up");
  EXPECT_EQ(vc.pendingAlert->buttons, (std::vector<std::string>{"Setup Instructions", "Dismiss"}));
  EXPECT_FALSE(vc.manager().firstOpen);
  EXPECT_EQ(f.shell.reviewRequests, 0);

  vc.pendingAlert.reset();  // the window presented it
  vc.elements.touchArea.size = {800, 450};
  vc.viewDidAppear();
  EXPECT_FALSE(vc.pendingAlert);
  EXPECT_EQ(vc.width, 800);

  vc.openSetupInstructions();
  EXPECT_EQ(f.shell.urls, (std::vector<std::string>{std::string(kSetupInstructionsUrl)}));
}

TEST(ViewControllerScreen, RatingIsRequestedAtEveryAppearanceWhileRaised) {
  TouchFixture f;
  f.store.setInteger(key::launchCount, 9);  // this start is the tenth
  ViewController& vc = f.show(Mode::control);
  ASSERT_TRUE(vc.manager().showRatingAlert);
  EXPECT_EQ(f.shell.reviewRequests, 1);
  vc.viewDidAppear();
  EXPECT_EQ(f.shell.reviewRequests, 2);
}

TEST(ViewControllerScreen, IncomingValuesMoveTheCrosshairOnTheMainThreadOnly) {
  struct Case {
    const char* name;
    Mode mode;
    bool fingerDown;
    bool moves;
  };
  const Case cases[]{
      {"control mode, no finger", Mode::control, false, true},
      {"synth mode", Mode::synth, false, false},
      {"a finger on the pad", Mode::control, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TouchFixture f;
    ViewController& vc = f.show(c.mode);
    if (c.fingerDown) vc.touchesBegan(std::vector<TouchRef>{f.finger('A', {10, 10})});
    const MainScreenElements before = vc.elements;
    ASSERT_NE(f.port.listener, nullptr);
    const std::uint8_t x[]{0xB0, 116, 64}, y[]{0xB0, 117, 32}, z[]{0xB0, 120, 127};
    f.port.listener->receivedMessage(x);
    f.port.listener->receivedMessage(y);
    f.port.listener->receivedMessage(z);
    // Nothing is painted until the main thread runs the queued painting.
    EXPECT_EQ(vc.elements.target.center, before.target.center);
    f.loop.runDue();
    const double px = 64.0 / 127 * 400, py = 300 * (1 - 32.0 / 127);
    const auto& e = vc.elements;
    if (c.moves) {
      EXPECT_EQ(e.verticalLine.center, (Point{px, py}));
      EXPECT_EQ(e.horizontalLine.center, (Point{px, py}));
      EXPECT_EQ(e.target.center, (Point{px, py}));
      EXPECT_EQ(e.target.size, (Size{200, 200}));
    } else {
      EXPECT_EQ(e.verticalLine.center, before.verticalLine.center);
      EXPECT_EQ(e.target.center, before.target.center);
      EXPECT_EQ(e.target.size, before.target.size);
    }
  }
}

TEST(ViewControllerScreen, PaintersCheckTheModeWhenTheyRunNotWhenQueued) {
  TouchFixture f;
  ViewController& vc = f.show(Mode::control);
  vc.manager().zIn = 0.5;
  f.center.post(notification::zRecieved);
  vc.modePressed();  // synth before the queue runs
  f.loop.runDue();
  EXPECT_EQ(vc.elements.target.size, (Size{}));

  vc.modePressed();
  vc.manager().zIn = 0;
  f.center.post(notification::zRecieved);
  f.loop.runDue();
  EXPECT_EQ(vc.elements.target.size, (Size{0, 0}));
  vc.manager().zIn = 1;
  f.center.post(notification::zRecieved);
  f.loop.runDue();
  EXPECT_EQ(vc.elements.target.size, (Size{200, 200}));
}

TEST(ViewControllerScreen, SpeedGoesOutOnTheModesSpeedController) {
  for (Mode mode : {Mode::control, Mode::synth}) {
    SCOPED_TRACE(caseName(mode));
    TouchFixture f;
    f.store.setInteger(key::savedOutput, 1);  // Bitwig: the two speed rows differ
    ViewController& vc = f.show(mode);
    vc.handleControlData(0.5, 0.25);
    vc.handleControlData(0.5, 0.25);  // unchanged: nothing more goes out
    const MidiMessage expected =
        mode == Mode::control ? MidiMessage{0xBF, 118, 63} : MidiMessage{0xB0, 115, 63};
    EXPECT_EQ(f.port.sent, (std::vector<MidiMessage>{expected}));
    const SpriteNode& node = vc.touchPadView.touchScene->feedbackNode;
    EXPECT_EQ(*node.attribute(NodeAttribute::a_speed), 0.5f);
    EXPECT_EQ(*node.attribute(NodeAttribute::a_g), 0.25f);
  }
}

}  // namespace
}  // namespace vora
