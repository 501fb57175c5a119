#include "core/midi/midi_setup_watcher.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "core/platform/virtual_run_loop.h"

namespace vora {
namespace {

using std::chrono::milliseconds;

class ListingPort final : public MidiPort {
 public:
  void openOutputs() override {}
  void openInputs(MidiListener&) override {}
  void send(const MidiMessage&) override {}
  std::vector<std::string> destinations() const override {
    ++listings;
    return destinationNames;
  }
  std::vector<std::string> sources() const override { return sourceNames; }

  std::vector<std::string> destinationNames{"Synth:in", "DAW:in"};
  std::vector<std::string> sourceNames{"Keys:out"};
  mutable int listings = 0;
};

class CountingListener final : public MidiListener {
 public:
  void receivedMessage(std::span<const std::uint8_t>) override {}
  void setupChanged() override { ++changes; }
  int changes = 0;
};

struct WatcherTest : ::testing::Test {
  VirtualRunLoop loop;
  ListingPort port;
  CountingListener listener;
  std::optional<MidiSetupWatcher> watcher{std::in_place, loop, port, listener};
};

TEST_F(WatcherTest, SteadySetupIsNeverReportedAndIsListedOnceASecond) {
  loop.advanceTo(milliseconds(10'000));
  EXPECT_EQ(listener.changes, 0);
  EXPECT_EQ(port.listings, 1 + 10);  // the starting point, then one per second
}

TEST_F(WatcherTest, EachKindOfChangeIsReportedOnceAtTheNextComparison) {
  struct Case {
    const char* name;
    std::function<void(ListingPort&)> change;
  };
  const Case cases[] = {
      {"destination added", [](ListingPort& p) { p.destinationNames.push_back("Drums:in"); }},
      {"destination gone", [](ListingPort& p) { p.destinationNames.pop_back(); }},
      {"source added", [](ListingPort& p) { p.sourceNames.push_back("Pads:out"); }},
      {"last source gone", [](ListingPort& p) { p.sourceNames.clear(); }},
      {"destination renamed", [](ListingPort& p) { p.destinationNames[0] = "Synth:in 2"; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int before = listener.changes;
    const TimePoint last = loop.now();
    c.change(port);
    loop.advanceTo(last + milliseconds(999));
    EXPECT_EQ(listener.changes, before) << "reported before the next comparison";
    loop.advanceTo(last + milliseconds(1000));
    EXPECT_EQ(listener.changes, before + 1);
    loop.advanceTo(last + milliseconds(5000));
    EXPECT_EQ(listener.changes, before + 1) << "the same setup reported again";
  }
}

TEST_F(WatcherTest, SamePortsInAnotherOrderAreNoChange) {
  std::swap(port.destinationNames[0], port.destinationNames[1]);
  loop.advanceTo(milliseconds(3000));
  EXPECT_EQ(listener.changes, 0);
}

TEST_F(WatcherTest, TimerOutlivingTheWatcherDoesNothing) {
  watcher.reset();
  port.destinationNames.clear();
  const int listings = port.listings;
  loop.advanceTo(milliseconds(3000));
  EXPECT_EQ(listener.changes, 0);
  EXPECT_EQ(port.listings, listings);
}

}  // namespace
}  // namespace vora
