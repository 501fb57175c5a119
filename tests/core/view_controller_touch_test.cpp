#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "core/midi/midi_handler.h"
#include "support/touch_fixture.h"

namespace vora {
namespace {

using test::TouchFixture;

/// Sent messages as "BF 74 3F", so that a failing table shows readable bytes.
std::vector<std::string> hex(const std::vector<MidiMessage>& sent) {
  std::vector<std::string> out;
  for (const auto& m : sent) {
    char text[9];
    std::snprintf(text, sizeof text, "%02X %02X %02X", m[0], m[1], m[2]);
    out.emplace_back(text);
  }
  return out;
}

enum class Phase { began, moved, ended, cancelled, wait3ms, lockButton };

/// One event and what it must produce. Finger ids: 'L' begins on the lock view, 'S' on
/// another view, any other letter on the pad.
struct Step {
  Phase phase;
  std::string ids;
  std::optional<Point> at;  ///< where the set's touches are for this event
  std::vector<std::string> midi;
  std::vector<std::string> log;
};

struct Setup {
  Mode mode;
  NoteBehavior behavior;
  bool pulseGate;
};

struct Scenario {
  const char* name;
  Setup setup;
  std::vector<Step> steps;
};

TouchView viewOf(char id) {
  return id == 'L' ? TouchView::lock : id == 'S' ? TouchView::other : TouchView::pad;
}

void play(const Scenario& s) {
  SCOPED_TRACE(s.name);
  TouchFixture f;
  ViewController& vc = f.show(s.setup.mode);
  vc.manager().setNoteBehavior(s.setup.behavior);
  vc.manager().setPulseGateEnabled(s.setup.pulseGate);
  for (std::size_t i = 0; i < s.steps.size(); ++i) {
    const Step& step = s.steps[i];
    SCOPED_TRACE("step " + std::to_string(i + 1));
    for (char id : step.ids) {
      auto it = f.fingers.find(id);
      f.finger(id, step.at.value_or(it == f.fingers.end() ? Point{} : it->second->location),
               viewOf(id));
    }
    f.clear();
    const auto touches = f.set(step.ids);
    switch (step.phase) {
      case Phase::began:
        vc.touchesBegan(touches);
        break;
      case Phase::moved:
        vc.touchesMoved(touches);
        break;
      case Phase::ended:
        vc.touchesEnded(touches);
        break;
      case Phase::cancelled:
        vc.touchesCancelled(touches);
        break;
      case Phase::wait3ms:
        f.loop.advanceBy(std::chrono::milliseconds(3));
        break;
      case Phase::lockButton:
        vc.lockEnablePressed();
        break;
    }
    EXPECT_EQ(hex(f.port.sent), step.midi);
    EXPECT_EQ(f.log.lines, step.log);
  }
}

// The Ableton row: control and synth both on channel 16 (0xBF); x 0x74, y 0x75, z 0x78,
// gate 0x77, note 60 (0x3C). On the 400 x 300 pad, A (200, 150) is x = y = 0x3F and
// B (100, 75) is x 0x1F, y 0x5F.
constexpr Point kA{200, 150};
constexpr Point kB{100, 75};
const std::vector<std::string> kAxy{"BF 74 3F", "BF 75 3F"};
const std::vector<std::string> kBxy{"BF 74 1F", "BF 75 5F"};

std::vector<TouchRef> one(const TouchRef& touch) { return {touch}; }

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(ViewControllerTouch, MultiFingerGateAndNoteRules) {
  const auto cl = Mode::control;
  const auto sy = Mode::synth;
  const auto leg = NoteBehavior::legato;
  const auto ret = NoteBehavior::retrigger;
  const std::vector<std::string> none;
  const std::vector<std::string> gateOn{"BF 77 7F"}, gateOff{"BF 77 00"};
  const std::vector<std::string> noteOn{"9F 3C 7F"}, noteOff{"8F 3C 00"};
  const std::vector<Scenario> scenarios{
      {"control legato: a second finger adds no gate; the hand-over sends x and y only",
       {cl, leg, false},
       {{Phase::began, "A", kA, kAxy + gateOn, {"GATE ON"}},
        {Phase::began, "B", kB, kBxy, {}},
        {Phase::ended, "B", {}, kAxy, {}},
        {Phase::ended, "A", {}, gateOff, {"GATE OFF"}}}},
      {"control retrigger: a second finger closes the gate and reopens it 3 ms later",
       {cl, ret, false},
       {{Phase::began, "A", kA, kAxy + gateOn, {"GATE ON"}},
        {Phase::began, "B", kB, kBxy + gateOff, {"GATE OFF"}},
        {Phase::wait3ms, "", {}, gateOn, {"GATE ON"}},
        {Phase::ended, "A", {}, none, {}},  // not the active finger; B's values stand
        {Phase::ended, "B", {}, gateOff, {"GATE OFF"}}}},
      {"control retrigger: all fingers lift before the reopening; the gate stays closed",
       {cl, ret, false},
       {{Phase::began, "A", kA, kAxy + gateOn, {"GATE ON"}},
        {Phase::began, "B", kB, kBxy + gateOff, {"GATE OFF"}},
        {Phase::ended, "B", {}, kAxy, {}},
        {Phase::ended, "A", {}, gateOff, {"GATE OFF"}},
        {Phase::wait3ms, "", {}, none, {}}}},
      {"control retrigger with pulse gate: the reopening still comes after the lifts",
       {cl, ret, true},
       {{Phase::began, "A", kA, kAxy + gateOn, {"GATE ON"}},
        {Phase::began, "B", kB, kBxy + gateOff, {"GATE OFF"}},
        {Phase::ended, "B", {}, kAxy, {}},
        {Phase::ended, "A", {}, none, {}},
        {Phase::wait3ms, "", {}, gateOn, {"GATE ON"}}}},
      {"synth retrigger: each further finger restarts the note",
       {sy, ret, false},
       {{Phase::began, "A", kA, kAxy + noteOn, {"NOTE ON"}},
        {Phase::began, "B", kB, kBxy + noteOff + noteOn, {"NOTE OFF", "NOTE ON"}},
        {Phase::ended, "B", {}, kAxy, {}},
        {Phase::ended, "A", {}, noteOff, {"NOTE OFF"}}}},
      {"synth legato: the note plays once across fingers",
       {sy, leg, false},
       {{Phase::began, "A", kA, kAxy + noteOn, {"NOTE ON"}},
        {Phase::began, "B", kB, kBxy, {}},
        {Phase::ended, "A", {}, none, {}},
        {Phase::ended, "B", {}, noteOff, {"NOTE OFF"}}}},
      {"pulse gate: the last lift closes no gate",
       {cl, leg, true},
       {{Phase::began, "A", kA, kAxy + gateOn, {"GATE ON"}}, {Phase::ended, "A", {}, none, {}}}},
      {"pulse gate: the last lift stops no note",
       {sy, leg, true},
       {{Phase::began, "A", kA, kAxy + noteOn, {"NOTE ON"}}, {Phase::ended, "A", {}, none, {}}}},
      {"a cancelled set ends its touches",
       {cl, leg, false},
       {{Phase::began, "AB", kA, kAxy + gateOn, {"GATE ON"}},
        {Phase::cancelled, "AB", {}, gateOff, {"GATE OFF"}}}},
      {"only the active finger moves the values",
       {cl, leg, false},
       {{Phase::began, "A", kA, kAxy + gateOn, {"GATE ON"}},
        {Phase::began, "B", kB, kBxy, {}},
        {Phase::moved, "A", Point{300, 225}, none, {}},
        {Phase::moved, "B", Point{300, 225}, {"BF 74 5F", "BF 75 1F"}, {}}}},
      {"a touch sliding in onto an empty pad starts playing there",
       {cl, leg, false},
       {{Phase::began, "S", Point{-20, 150}, none, {}},
        {Phase::moved,
         "S",
         Point{50, 150},
         {"BF 74 0F", "BF 75 3F", "BF 77 7F"},
         {"GATE ON", "slide"}},
        {Phase::moved, "S", kB, kBxy, {}},
        {Phase::ended, "S", {}, gateOff, {"GATE OFF"}}}},
      {"a touch sliding in while another finger holds is never accepted",
       {cl, leg, false},
       {{Phase::began, "A", kA, kAxy + gateOn, {"GATE ON"}},
        {Phase::began, "S", Point{-20, 75}, none, {}},
        {Phase::moved, "S", kB, none, {}},
        {Phase::ended, "S", {}, none, {}},
        {Phase::ended, "A", {}, gateOff, {"GATE OFF"}}}},
  };
  for (const auto& s : scenarios) play(s);
}

TEST(ViewControllerTouch, LockFreezesThePadAndTheLockViewLiftsIt) {
  const auto cl = Mode::control;
  const auto leg = NoteBehavior::legato;
  const std::vector<std::string> none;
  const std::vector<std::string> gateOn{"BF 77 7F"};
  const std::vector<Scenario> scenarios{
      {"frozen: moves and lifts send nothing and an open gate stays open",
       {cl, leg, false},
       {{Phase::began, "A", kA, kAxy + gateOn, {"GATE ON"}},
        {Phase::lockButton, "", {}, none, {}},
        {Phase::moved, "A", kB, none, {}},
        {Phase::ended, "A", {}, none, {}},
        {Phase::began, "B", kB, none, {}},
        {Phase::ended, "B", {}, none, {}},
        {Phase::lockButton, "", {}, none, {}},
        // Unlocked: the frozen fingers are forgotten, so the next lift closes the gate.
        {Phase::began, "C", kB, kBxy, {}},
        {Phase::ended, "C", {}, {"BF 77 00"}, {"GATE OFF"}}}},
      {"held: pad touches in the same set play; letting go freezes with the gate open",
       {cl, leg, false},
       {{Phase::lockButton, "", {}, none, {}},
        {Phase::began, "LA", kA, kAxy + gateOn, {"lock down", "GATE ON"}},
        {Phase::ended, "L", {}, none, {"lock up"}},
        {Phase::moved, "A", kB, none, {}},
        {Phase::ended, "A", {}, none, {}}}},
      {"a finger resting on the frozen pad is taken up as a slide-in once the lock is held",
       {cl, leg, false},
       {{Phase::lockButton, "", {}, none, {}},
        {Phase::began, "A", kA, none, {}},
        {Phase::began, "L", Point{-30, 150}, none, {"lock down"}},
        {Phase::moved, "A", kB, kBxy + gateOn, {"GATE ON", "slide"}}}},
      {"the lock-view finger slides onto an empty pad, plays, and freezes it when lifted",
       {cl, leg, false},
       {{Phase::lockButton, "", {}, none, {}},
        {Phase::began, "L", Point{-30, 150}, none, {"lock down"}},
        {Phase::moved,
         "L",
         Point{50, 150},
         {"BF 74 0F", "BF 75 3F", "BF 77 7F"},
         {"lock down", "GATE ON", "slide"}},
        {Phase::ended, "L", {}, none, {"lock up"}},
        {Phase::began, "A", kA, none, {}}}},
      {"the lock switched off while the lock view is held: the lift leaves the pad live",
       {cl, leg, false},
       {{Phase::lockButton, "", {}, none, {}},
        {Phase::began, "L", Point{-30, 150}, none, {"lock down"}},
        {Phase::lockButton, "", {}, none, {}},
        {Phase::ended, "L", {}, none, {"lock up"}},
        {Phase::began, "A", kA, kAxy + gateOn, {"GATE ON"}}}},
  };
  for (const auto& s : scenarios) play(s);
}

/// The scene's touch point, read back through the scene's own mapping of a_x and a_y.
Point scenePoint(const TouchScene& scene) {
  const SpriteNode& n = scene.primaryNode;
  const double x = *n.attribute(NodeAttribute::a_x) * n.size.width - scene.padding;
  const double y = scene.safeArea.size.height - (*n.attribute(NodeAttribute::a_y) * n.size.height -
                                                 scene.padding - scene.safeInsets.bottom);
  return {x, y};
}

TEST(ViewControllerTouch, PositionsNormaliseAndClampAtAndBeyondTheEdges) {
  struct Case {
    Point at;
    double x, y;
    Point scene;
  };
  const Case cases[]{
      {{0, 0}, 0, 1, {0, 0}},
      {{400, 300}, 1, 0, {400, 300}},
      {{100, 225}, 0.25, 0.25, {100, 225}},
      {{520, 150}, 1, 0.5, {400, 150}},
      {{-40, -10}, 0, 1, {0, 0}},
      {{200, 900}, 0.5, 0, {200, 300}},
  };
  TouchFixture f;
  ViewController& vc = f.show(Mode::control);
  vc.touchesBegan(one(f.finger('A', {200, 150})));
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "at " << c.at.x << "," << c.at.y);
    vc.touchesMoved(one(f.finger('A', c.at)));
    EXPECT_DOUBLE_EQ(vc.xPos, c.x);
    EXPECT_DOUBLE_EQ(vc.yPos, c.y);
    EXPECT_DOUBLE_EQ(vc.controlDataTimer.xCurrent, c.x);
    EXPECT_DOUBLE_EQ(vc.controlDataTimer.yCurrent, c.y);
    const Point p = scenePoint(*vc.touchPadView.touchScene);
    EXPECT_NEAR(p.x, c.scene.x, 0.05);
    EXPECT_NEAR(p.y, c.scene.y, 0.05);
  }
}

TEST(ViewControllerTouch, TouchBeforeThePadHasASizeLandsOnItsOriginWithoutNaN) {
  TouchFixture f;
  f.store.setInteger(key::savedMode, 1);
  ViewController& vc = f.create();
  vc.viewDidLoad();
  f.clear();
  vc.touchesBegan(one(f.finger('A', {120, 80})));
  vc.touchesMoved(one(f.finger('A', {150, 90})));
  EXPECT_EQ(vc.xPos, 0.0);
  EXPECT_EQ(vc.yPos, 1.0);
  // x 0 repeats the handler's initial byte, so only y and the gate go out.
  EXPECT_EQ(hex(f.port.sent), (std::vector<std::string>{"BF 75 7F", "BF 77 7F"}));
  const Point p = scenePoint(*vc.touchPadView.touchScene);
  EXPECT_NEAR(p.x, 0, 0.05);
  EXPECT_NEAR(p.y, 0, 0.05);
}

TEST(ViewControllerTouch, ForceBecomesZByDeviceSensitivityAndPencil) {
  struct Case {
    const char* name;
    DeviceTraits traits;
    TouchType type;
    Sensitivity sensitivity;
    double forceOfMax;  ///< force as a fraction of the maximum possible force
    double z;
    bool zSent;
  };
  const DeviceTraits forcePhone{DeviceIdiom::phone, true};
  const DeviceTraits plainPhone{DeviceIdiom::phone, false};
  const DeviceTraits tablet{DeviceIdiom::tablet, false};
  const Case cases[]{
      {"high: a third of the maximum is already full", forcePhone, TouchType::direct,
       Sensitivity::high, 1.0 / 3, 1, true},
      {"medium", forcePhone, TouchType::direct, Sensitivity::medium, 0.33, 0.5, true},
      {"low: a third gives a third", forcePhone, TouchType::direct, Sensitivity::low, 1.0 / 3,
       1.0 / 3, true},
      {"low: only the maximum gives full z", forcePhone, TouchType::direct, Sensitivity::low, 1, 1,
       true},
      {"no force capability and a finger: z stays 0, never sent", plainPhone, TouchType::direct,
       Sensitivity::high, 1, 0, false},
      {"tablet finger: the view reports no force", tablet, TouchType::direct, Sensitivity::medium,
       1, 0, false},
      {"tablet pencil carries force", tablet, TouchType::pencil, Sensitivity::low, 0.5, 0.5, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TouchFixture f;
    ViewController& vc = f.show(Mode::control, c.traits);
    vc.manager().setSensitivity(c.sensitivity);
    TouchRef a = f.finger('A', kA);
    a->type = c.type;
    vc.touchesBegan(one(a));
    EXPECT_EQ(vc.zPos, 0.0);
    a->force = c.forceOfMax * a->maximumPossibleForce;
    vc.touchesMoved(one(f.finger('A', kB)));
    EXPECT_NEAR(vc.zPos, c.z, 1e-9);
    std::vector<std::string> expected = kAxy + std::vector<std::string>{"BF 77 7F"};
    if (c.zSent) expected.push_back("BF 78 00");
    expected = expected + kBxy;
    if (c.zSent) {
      char z[9];
      std::snprintf(z, sizeof z, "BF 78 %02X", static_cast<int>(c.z * 127));
      expected.push_back(z);
    }
    EXPECT_EQ(hex(f.port.sent), expected);
  }
}

TEST(ViewControllerTouch, HandOverZeroesZOnceThenReadsForceAgain) {
  TouchFixture f;
  ViewController& vc = f.show(Mode::control, {DeviceIdiom::phone, true});
  vc.manager().setNoteBehavior(NoteBehavior::legato);
  TouchRef a = f.finger('A', kA);
  TouchRef b = f.finger('B', kB);
  a->force = a->maximumPossibleForce;  // pressed hard all along
  vc.touchesBegan(one(a));
  vc.touchesBegan(one(b));
  f.clear();
  vc.touchesEnded(one(b));
  // A takes over: its x and y, z 0 from the hand-over, then z 0 for the lifted finger.
  EXPECT_EQ(hex(f.port.sent), (kAxy + std::vector<std::string>{"BF 78 00", "BF 78 00"}));
  EXPECT_FALSE(vc.moveOnEndFlag);
  EXPECT_EQ(vc.activeTouch, a);
  f.clear();
  vc.touchesMoved(one(a));
  EXPECT_EQ(vc.zPos, 1.0);
  EXPECT_EQ(hex(f.port.sent), (std::vector<std::string>{"BF 78 7F"}));
}

TEST(ViewControllerTouch, TouchesFeedTheSamplerAndItsTicksReachMidiAndTheScene) {
  TouchFixture f;
  ViewController& vc = f.show(Mode::control);
  vc.touchesBegan(one(f.finger('A', kA)));
  EXPECT_EQ(vc.controlDataTimer.gateCurrent, 1.0);
  EXPECT_TRUE(vc.controlDataTimer.zeroFlag);
  f.loop.advanceTo(std::chrono::milliseconds(10));
  f.clear();
  vc.touchesMoved(one(f.finger('A', {240, 150})));  // 0.1 of the width
  f.loop.advanceTo(std::chrono::milliseconds(20));
  // speed 0.07 shaped: (0.77)^0.7 = 0.8328 -> 105
  EXPECT_EQ(hex(f.port.sent), (std::vector<std::string>{"BF 74 4C", "BF 76 69"}));
  const SpriteNode& node = vc.touchPadView.touchScene->primaryNode;
  EXPECT_NEAR(*node.attribute(NodeAttribute::a_speed), std::pow(0.77, 0.7), 1e-6);
  EXPECT_NEAR(*node.attribute(NodeAttribute::a_g), 1 - 0.7 * 0.7, 1e-6);

  vc.touchesEnded(one(f.finger('A', {240, 150})));
  EXPECT_EQ(vc.controlDataTimer.gateCurrent, 0.0);
  EXPECT_TRUE(vc.controlDataTimer.zeroFlag);
  EXPECT_FALSE(vc.padIsTouched);
  EXPECT_DOUBLE_EQ(vc.xPos, 0.6);  // the values stay where the finger left them
}

TEST(ViewControllerTouch, FingersBeyondCapacityAreIgnoredWithoutGrowingTheList) {
  TouchFixture f;
  ViewController& vc = f.show(Mode::control);
  vc.manager().setNoteBehavior(NoteBehavior::legato);
  const auto capacity = vc.touchArray.capacity();
  ASSERT_GE(capacity, ViewController::kMaxTouches);
  std::vector<TouchRef> many;
  for (std::size_t i = 0; i <= ViewController::kMaxTouches; ++i) {
    many.push_back(std::make_shared<Touch>());
    many.back()->location = {static_cast<double>(i), 10};
  }
  vc.touchesBegan(many);
  EXPECT_EQ(vc.touchArray.size(), ViewController::kMaxTouches);
  EXPECT_EQ(vc.touchArray.capacity(), capacity);
  EXPECT_EQ(vc.activeTouch, many[ViewController::kMaxTouches - 1]);
  vc.touchesEnded(many);
  EXPECT_TRUE(vc.touchArray.empty());
  EXPECT_FALSE(vc.padIsTouched);
}

}  // namespace
}  // namespace vora
