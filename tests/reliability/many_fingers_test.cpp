// Many fingers on the pad: up to twenty at once, lifted in any order, cancelled mid-gesture,
// ids used again after their end. After every event the controller's touch list must match
// the fingers really down, the newest of them must drive x and y, and the gate or note must
// be open exactly while a finger is down.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "core/midi/midi_handler.h"
#include "support/touch_fixture.h"

namespace vora {
namespace {

using test::TouchFixture;
constexpr std::size_t kFingers = 20;

struct PadSetup {
  Mode mode;
  NoteBehavior behavior;
};

/// The fingers a real screen has down, in the order they landed, and what MIDI has said.
class Pad {
 public:
  Pad(TouchFixture& f, PadSetup setup) : f_(f), setup_(setup) {
    f_.show(setup.mode);
    f_.vc->manager().setNoteBehavior(setup.behavior);
    f_.clear();
  }

  ViewController& vc() { return *f_.vc; }
  std::size_t down() const { return live_.size(); }

  std::vector<TouchRef> land(std::size_t n, std::mt19937& rng) {
    std::vector<TouchRef> set;
    for (std::size_t i = 0; i < n; ++i) {
      // A fresh touch object each time, as the platform gives for a finger (or a reused id).
      auto t = std::make_shared<Touch>();
      t->location = randomPoint(rng);
      t->preciseLocation = t->location;
      set.push_back(t);
      live_.push_back(t);
    }
    vc().touchesBegan(set);
    return set;
  }

  void move(const std::vector<TouchRef>& set, std::mt19937& rng) {
    for (const auto& t : set) {
      t->location = randomPoint(rng);
      t->preciseLocation = t->location;
    }
    vc().touchesMoved(set);
  }

  void lift(const std::vector<TouchRef>& set, bool cancel) {
    for (const auto& t : set) live_.erase(std::find(live_.begin(), live_.end(), t));
    cancel ? vc().touchesCancelled(set) : vc().touchesEnded(set);
  }

  /// Some fingers that are down, in random order.
  std::vector<TouchRef> pick(std::size_t n, std::mt19937& rng) const {
    std::vector<TouchRef> all = live_;
    std::shuffle(all.begin(), all.end(), rng);
    all.resize(std::min(n, all.size()));
    return all;
  }

  /// The list, the active finger and x and y follow the fingers really down.
  void checkTouches() {
    ViewController& c = vc();
    ASSERT_EQ(c.touchArray, live_) << "the touch list holds a finger that is not down, or "
                                      "misses one that is";
    ASSERT_EQ(c.padIsTouched, !live_.empty());
    if (live_.empty()) return;
    ASSERT_EQ(c.activeTouch, live_.back()) << "the newest finger down must drive x and y";
    const Point at = live_.back()->location;
    EXPECT_DOUBLE_EQ(c.xPos, std::clamp(at.x, 0.0, TouchFixture::kWidth) / TouchFixture::kWidth);
    EXPECT_DOUBLE_EQ(c.yPos,
                     1 - std::clamp(at.y, 0.0, TouchFixture::kHeight) / TouchFixture::kHeight);
  }

  /// Once the 3 ms retrigger delay has passed: open exactly while a finger is down, and the
  /// last x and y sent are the active finger's.
  void checkSound() {
    readMidi();
    const bool shouldSound = !live_.empty();
    if (setup_.mode == Mode::control) {
      EXPECT_EQ(gateOpen_, shouldSound) << "the gate must be open exactly while a finger is down";
    } else {
      EXPECT_EQ(notesSounding_, shouldSound ? 1 : 0)
          << "one note must sound while a finger is down, none after";
    }
    const auto byteOf = [](double v) { return static_cast<int>(v * 127.0); };
    EXPECT_EQ(lastX_, byteOf(vc().xPos));
    EXPECT_EQ(lastY_, byteOf(vc().yPos));
  }

 private:
  static Point randomPoint(std::mt19937& rng) {
    // Mostly on the pad, sometimes beyond its edges.
    std::uniform_real_distribution<double> x(-40, TouchFixture::kWidth + 40);
    std::uniform_real_distribution<double> y(-40, TouchFixture::kHeight + 40);
    return {x(rng), y(rng)};
  }

  void readMidi() {
    const PrefRow row = vc().manager().prefsArray.row(vc().manager().output());
    const bool control = setup_.mode == Mode::control;
    const int xCC = row[raw(control ? prefList::controlX : prefList::synthX)];
    const int yCC = row[raw(control ? prefList::controlY : prefList::synthY)];
    const int gateCC = row[raw(prefList::controlGate)];
    for (const MidiMessage& m : f_.port.sent) {
      const int kind = m[0] & 0xF0;
      if (kind == 0x90) ++notesSounding_;
      if (kind == 0x80) --notesSounding_;
      if (kind != 0xB0) continue;
      if (m[1] == xCC) lastX_ = m[2];
      if (m[1] == yCC) lastY_ = m[2];
      if (control && m[1] == gateCC) gateOpen_ = m[2] == 127;
    }
    f_.port.sent.clear();
  }

  TouchFixture& f_;
  PadSetup setup_;
  std::vector<TouchRef> live_;
  bool gateOpen_ = false;
  int notesSounding_ = 0;
  int lastX_ = 0, lastY_ = 0;
};

const PadSetup kSetups[] = {
    {Mode::control, NoteBehavior::legato},
    {Mode::control, NoteBehavior::retrigger},
    {Mode::synth, NoteBehavior::legato},
    {Mode::synth, NoteBehavior::retrigger},
};

std::string name(const PadSetup& s) {
  return std::string(s.mode == Mode::control ? "control " : "synth ") +
         (s.behavior == NoteBehavior::legato ? "legato" : "retrigger");
}

TEST(ManyFingers, TwentyDownAtOnceThenLiftedInShuffledOrderOneOrSeveralAtATime) {
  for (const PadSetup& setup : kSetups) {
    for (unsigned seed = 1; seed <= 5; ++seed) {
      SCOPED_TRACE(name(setup) + ", seed " + std::to_string(seed));
      std::mt19937 rng(seed);
      TouchFixture f;
      Pad pad(f, setup);
      pad.land(kFingers, rng);
      f.loop.advanceBy(std::chrono::milliseconds(5));
      ASSERT_NO_FATAL_FAILURE(pad.checkTouches());
      pad.checkSound();
      while (pad.down() > 0) {
        // Every third lift is a cancel; sets of one to three fingers.
        const auto set = pad.pick(1 + rng() % 3, rng);
        pad.lift(set, rng() % 3 == 0);
        ASSERT_NO_FATAL_FAILURE(pad.checkTouches());
        pad.move(pad.pick(pad.down(), rng), rng);  // every finger left moves; one drives
        ASSERT_NO_FATAL_FAILURE(pad.checkTouches());
        f.loop.advanceBy(std::chrono::milliseconds(5));
        pad.checkSound();
      }
    }
  }
}

// Fingers land, move, lift and are cancelled at random, up to twenty at once; sometimes the
// last finger lifts within the 3 ms of a retrigger, before its gate reopens.
TEST(ManyFingers, RandomGesturesKeepTheListTheActiveFingerAndTheGateConsistent) {
  for (const PadSetup& setup : kSetups) {
    for (unsigned seed = 1; seed <= 10; ++seed) {
      SCOPED_TRACE(name(setup) + ", seed " + std::to_string(seed));
      std::mt19937 rng(seed * 7919);
      TouchFixture f;
      Pad pad(f, setup);
      for (int event = 0; event < 400; ++event) {
        SCOPED_TRACE("event " + std::to_string(event));
        const unsigned roll = rng() % 10;
        if (roll < 3 && pad.down() < kFingers) {
          pad.land(std::min<std::size_t>(1 + rng() % 3, kFingers - pad.down()), rng);
        } else if (roll < 6 && pad.down() > 0) {
          pad.move(pad.pick(1 + rng() % 4, rng), rng);
        } else if (pad.down() > 0) {
          pad.lift(pad.pick(1 + rng() % 2, rng), roll == 9);
        }
        ASSERT_NO_FATAL_FAILURE(pad.checkTouches());
        if (rng() % 4 != 0) {
          f.loop.advanceBy(std::chrono::milliseconds(3 + rng() % 10));
          pad.checkSound();
        }
        if (::testing::Test::HasFailure()) return;
      }
    }
  }
}

TEST(ManyFingers, AnIdUsedAgainAfterItsEndIsANewFinger) {
  for (const PadSetup& setup : kSetups) {
    SCOPED_TRACE(name(setup));
    TouchFixture f;
    std::mt19937 rng(3);
    Pad pad(f, setup);
    for (int round = 0; round < 3; ++round) {
      // Finger 1 lands and lifts; the same finger number lands again with finger 2 down.
      const TouchRef first = pad.land(1, rng).front();
      pad.lift({first}, round == 1);
      f.loop.advanceBy(std::chrono::milliseconds(5));
      pad.checkSound();
      const TouchRef second = pad.land(1, rng).front();
      const TouchRef again = pad.land(1, rng).front();
      ASSERT_NO_FATAL_FAILURE(pad.checkTouches());
      pad.lift({again}, false);
      ASSERT_NO_FATAL_FAILURE(pad.checkTouches());
      EXPECT_EQ(f.vc->activeTouch, second);
      pad.lift({second}, false);
      f.loop.advanceBy(std::chrono::milliseconds(5));
      ASSERT_NO_FATAL_FAILURE(pad.checkTouches());
      pad.checkSound();
    }
  }
}

}  // namespace
}  // namespace vora
