// The touch and tick paths must never allocate: this executable counts every allocation
// made while a window is open.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "support/touch_fixture.h"

// GCC sees new inlined as malloc and the sized delete as free and cannot tell they pair.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

namespace {
std::atomic<bool> counting{false};
std::atomic<int> allocations{0};
}  // namespace

void* operator new(std::size_t size) {
  if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace vora {
namespace {

using std::chrono::milliseconds;

TEST(ViewControllerAllocation, TouchesAndTicksAllocateNothing) {
  for (Mode mode : {Mode::control, Mode::synth}) {
    SCOPED_TRACE(caseName(mode));
    test::TouchFixture f;
    ViewController& vc = f.show(mode, {DeviceIdiom::phone, true});
    vc.manager().setNoteBehavior(mode == Mode::control ? NoteBehavior::legato
                                                       : NoteBehavior::retrigger);
    TouchRef a = f.finger('A', {200, 150});
    TouchRef b = f.finger('B', {100, 75});
    const std::vector<TouchRef> setA{a}, setB{b}, setAB{a, b};
    f.port.sent.reserve(1000);
    f.log.lines.reserve(100);  // the log lines themselves fit in their strings

    counting = true;
    vc.touchesBegan(setA);
    for (int i = 0; i < 20; ++i) {
      a->location = a->preciseLocation = {200.0 + i * 5, 150.0 - i * 3};
      a->force = i * 0.3;
      vc.touchesMoved(setA);
      f.loop.advanceBy(milliseconds(10));
    }
    vc.touchesBegan(setB);
    vc.touchesMoved(setAB);
    vc.touchesEnded(setB);
    vc.touchesMoved(setA);
    vc.touchesCancelled(setA);
    f.loop.advanceBy(milliseconds(100));
    counting = false;

    EXPECT_EQ(allocations.exchange(0), 0);
    EXPECT_FALSE(vc.padIsTouched);
    EXPECT_GT(f.port.sent.size(), 20u);  // the window did do the work
  }
}

}  // namespace
}  // namespace vora
