// MIDI devices coming and going while Vora plays, through a real JACK server: clients
// appear, vanish and come back under the same name. Vora's setup watcher notices, the
// outputs reopen, every destination present gets every message from then on, in order,
// and a destination that vanished costs nothing but its own messages. Sources vanishing
// leave the others heard.
#include <gtest/gtest.h>

#include <iostream>
#include <map>

#include "adapters/rtmidi/rtmidi_port.h"
#include "core/midi/midi_handler.h"
#include "core/midi/midi_setup_watcher.h"
#include "core/platform/virtual_run_loop.h"
#include "core/settings/keys.h"
#include "core/settings/settings_manager.h"
#include "reliability/jack_fixture.h"
#include "support/fakes.h"

namespace vora {
namespace {

using namespace rel;
using Clock = std::chrono::steady_clock;

class JackChurn : public JackTest {
 protected:
  std::unique_ptr<RawMidiClient> client(const std::string& name) {
    std::string whyNot;
    auto c = RawMidiClient::open(*server_, name, &whyNot);
    EXPECT_NE(c, nullptr) << whyNot;
    return c;
  }
};

/// A destination and the messages it must have had by now.
struct Destination {
  std::unique_ptr<RawMidiClient> client;
  std::vector<Bytes> expected;
};

TEST_F(JackChurn, DestinationsAndSourcesComeAndGoWhileVoraPlays) {
  std::map<std::string, Destination> present;
  present["Synth0"].client = client("Synth0");
  auto keysA = client("KeysA");
  auto keysB = client("KeysB");
  ASSERT_TRUE(present["Synth0"].client && keysA && keysB);

  test::RecordingLog log;
  MemoryDefaultsStore store;
  NotificationCenter center;
  VirtualRunLoop loop;
  OpenedMidiPort opened = openMidiPort(MidiApi::jack, log);
  ASSERT_NE(opened.port, nullptr) << opened.error;
  std::atomic<int> xPosts{0};
  center.addObserver(notification::xRecieved, [&] { ++xPosts; });
  auto manager =
      std::make_unique<SettingsManager>(Services{store, center, log, loop, *opened.port});
  MidiSetupWatcher watcher(loop, *opened.port, *manager->handler);
  MidiHandler& handler = *manager->handler;

  // Vora plays: a test burst on x, its eleven messages (factory Ableton row: BF 74 3C..46).
  auto play = [&] {
    handler.sendTest(prefList::controlX);
    for (auto& [name, d] : present) {
      for (std::uint8_t v = 60; v <= 70; ++v) d.expected.push_back({0xBF, 116, v});
    }
  };
  auto everyoneHasAll = [&] {
    return waitUntil(
        [&] {
          for (auto& [name, d] : present) {
            if (d.client->received().size() < d.expected.size()) return false;
          }
          return true;
        },
        std::chrono::seconds(20));
  };
  auto check = [&](const std::string& when) {
    if (!everyoneHasAll()) {
      std::string counts;
      for (auto& [name, d] : present) {
        counts += " " + name + " " + std::to_string(d.client->received().size()) + "/" +
                  std::to_string(d.expected.size());
      }
      FAIL() << when << ": messages missing (received/expected):" << counts
             << "\njackd said: " << server_->log();
    }
    for (auto& [name, d] : present) {
      EXPECT_TRUE(d.client->received() == d.expected)
          << name << " " << when << ": " << d.client->received().size() << " messages, "
          << d.expected.size() << " expected";
    }
  };
  auto noticed = [&] { loop.advanceBy(MidiSetupWatcher::kInterval); };
  // JACK makes a connection part of the graph it runs at the start of a period, so what is
  // sent in the moment a new output is connected can still go out unconnected. A synth
  // just plugged in is heard from the first period after its connection is made: wait
  // for that, then demand every message.
  auto connected = [&](const std::string& name) {
    EXPECT_TRUE(
        waitUntil([&] { return present[name].client->inputConnected(); }, std::chrono::seconds(10)))
        << "Vora did not connect to " << name;
  };

  play();
  check("at the start");

  std::chrono::microseconds slowestSend{0};
  int reopenings = 0, appeared = 1, vanished = 0;
  for (int round = 1; round <= 6; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    // A new destination appears; once the watcher has seen it and the connection is made,
    // it gets everything. The ones already there lose nothing to the reopening, not even
    // what was still on its way.
    const std::string name = "Synth" + std::to_string(round);
    play();
    present[name].client = client(name);
    ++appeared;
    noticed();
    ++reopenings;
    connected(name);
    play();
    check("after " + name + " appeared");

    // One vanishes. Until the watcher notices, Vora still sends to it: only its messages
    // are lost, the others get theirs, and sending costs no more.
    const std::string gone = "Synth" + std::to_string(round - 1);
    present[gone].client->close();
    present.erase(gone);
    ++vanished;
    const auto before = Clock::now();
    play();
    slowestSend = std::max(
        slowestSend, std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - before));
    check("right after " + gone + " vanished");
    noticed();
    ++reopenings;
    play();
    check("after the watcher saw " + gone + " go");

    // A destination that comes back under the name it had is a new client: it gets what
    // is sent once it is noticed, nothing from before.
    if (round == 3) {
      present[gone].client = client(gone);
      ++appeared;
      noticed();
      ++reopenings;
      connected(gone);
      play();
      check("after " + gone + " came back");
    }
  }

  // Sources: Vora listens to both keyboards; one is unplugged, the other is still heard.
  keysA->queue({0xB0, 116, 10});
  keysB->queue({0xB1, 116, 20});
  ASSERT_TRUE(waitUntil([&] { return xPosts.load() == 2; }));
  keysA->close();
  noticed();
  keysB->queue({0xB2, 116, 30});
  ASSERT_TRUE(waitUntil([&] { return xPosts.load() == 3; }));
  EXPECT_EQ(manager->xIn.load(), 30 / 127.0);
  play();
  check("after a source vanished");

  std::cout << appeared << " destinations appeared and " << vanished << " vanished (" << reopenings
            << " setup changes); slowest burst of 11 messages with a vanished destination "
            << slowestSend.count() << " us\n";
  for (const std::string& line : log.systemLines) std::cout << "system log: " << line << "\n";
}

}  // namespace
}  // namespace vora
