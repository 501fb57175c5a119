// Vora's MIDI through a real JACK server, checked by clients Vora did not write:
// jack_midi_dump receives, RtMidi clients of the test send.
//
// A JACK connection takes effect at a cycle boundary, so a message sent the moment a
// connection is made can miss it; and JACK drops a cycle's MIDI when a client misses that
// cycle. The tests therefore sync on a marker message before they check what follows, and
// play again what was merely lost.
#include <gtest/gtest.h>
#include <rtmidi/RtMidi.h>

#include <algorithm>
#include <atomic>
#include <memory>

#include "adapters/rtmidi/rtmidi_port.h"
#include "core/midi/midi_handler.h"
#include "core/midi/midi_setup_watcher.h"
#include "core/platform/virtual_run_loop.h"
#include "core/settings/keys.h"
#include "core/settings/settings_manager.h"
#include "support/fakes.h"
#include "support/jack_server.h"

namespace vora {
namespace {

using Bytes = std::vector<std::vector<std::uint8_t>>;

// Controller 127 on channel 1: no factory row uses it.
const MidiMessage kMarker{0xB0, 127, 127};

class JackMidiTest : public ::testing::Test {
 protected:
  // One server for the whole suite: libjack keeps process-wide state bound to the first
  // server it reached, so a process cannot move on to a second one. (CTest runs each test
  // in a process of its own, and each gets its own server.)
  static void SetUpTestSuite() {
    server_ = test::JackServer::start(&whyNoServer_).release();
    if (server_ != nullptr) server_->useInThisProcess();
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  void SetUp() override {
    if (server_ == nullptr) GTEST_SKIP() << "no JACK server can be started here: " << whyNoServer_;
    center_.addObserver(notification::xRecieved, [this] { ++xPosts_; });
    center_.addObserver(notification::yRecieved, [this] { ++yPosts_; });
  }

  std::unique_ptr<test::ChildProcess> startDump(const std::string& client) {
    std::string whyNot;
    auto dump = server_->startMidiDump(client, &whyNot);
    EXPECT_NE(dump, nullptr) << whyNot;
    return dump;
  }

  /// Vora as the app builds it: the JACK port, and the settings object whose handler opens it.
  void startVora() {
    OpenedMidiPort opened = openMidiPort(MidiApi::jack, log_);
    ASSERT_NE(opened.port, nullptr) << opened.error;
    port_ = std::move(opened.port);
    manager_ = std::make_unique<SettingsManager>(Services{store_, center_, log_, loop_, *port_});
  }

  /// A MIDI source outside Vora: a virtual output port "<client>:out".
  static std::unique_ptr<RtMidiOut> startSource(const std::string& client) {
    auto source = std::make_unique<RtMidiOut>(RtMidi::UNIX_JACK, client);
    source->openVirtualPort("out");
    return source;
  }

  static Bytes printed(const test::ChildProcess& dump) {
    return test::parseMidiDump(dump.output());
  }

  static std::size_t markersIn(const Bytes& got) {
    const std::vector<std::uint8_t> marker(kMarker.begin(), kMarker.end());
    return static_cast<std::size_t>(std::count(got.begin(), got.end(), marker));
  }

  /// Sends the marker from Vora until dump prints one more than it had.
  static void syncOutput(MidiPort& port, const test::ChildProcess& dump) {
    const std::size_t before = markersIn(printed(dump));
    EXPECT_TRUE(test::waitUntil([&] {
      if (markersIn(printed(dump)) > before) return true;
      port.send(kMarker);
      return false;
    })) << "nothing Vora sent reached jack_midi_dump";
  }

  /// Checks that what send() makes Vora send reaches dump exactly as expected. JACK drops a
  /// cycle's MIDI when a client misses the cycle (an xrun on a loaded machine), so a round
  /// that merely lost messages is played again; a wrong, extra or reordered message fails.
  void expectDelivered(const test::ChildProcess& dump, const std::function<void()>& send,
                       const Bytes& expected) {
    for (int round = 0; round < 5; ++round) {
      syncOutput(*port_, dump);
      send();
      Bytes tail;
      test::waitUntil(
          [&] {
            const Bytes got = printed(dump);
            const std::vector<std::uint8_t> marker(kMarker.begin(), kMarker.end());
            tail.assign(std::find(got.rbegin(), got.rend(), marker).base(), got.end());
            return tail.size() >= expected.size();
          },
          std::chrono::seconds(3));
      if (tail == expected) return;
      ASSERT_TRUE(test::isSubsequence(tail, expected))
          << "round " << round << " delivered what was not sent, or out of order";
    }
    FAIL() << "messages were lost in every round";
  }

  /// Sends message from source every 100 ms until arrived holds; how many were sent.
  static int sendUntil(RtMidiOut& source, std::vector<unsigned char> message,
                       const std::function<bool()>& arrived) {
    int sent = 0;
    const bool ok = test::waitUntil([&] {
      if (arrived()) return true;
      source.sendMessage(&message);
      ++sent;
      return test::waitUntil(arrived, std::chrono::milliseconds(100));
    });
    EXPECT_TRUE(ok) << "nothing sent reached Vora";
    return sent;
  }

  static inline test::JackServer* server_ = nullptr;
  static inline std::string whyNoServer_;
  std::atomic<int> xPosts_{0}, yPosts_{0};
  MemoryDefaultsStore store_;
  NotificationCenter center_;
  test::RecordingLog log_;
  VirtualRunLoop loop_;
  std::unique_ptr<MidiPort> port_;
  std::unique_ptr<SettingsManager> manager_;  // last: goes first, while the port lives
};

TEST_F(JackMidiTest, HandlerMessagesLeaveVoraByteForByte) {
  auto dump = startDump("dump");
  ASSERT_NE(dump, nullptr);
  ASSERT_NO_FATAL_FAILURE(startVora());
  MidiHandler& handler = *manager_->handler;

  // The factory Ableton row: control and synth channel 15, x on 116, gate on 119, note 60.
  Bytes expected{{0xBF, 116, 127}, {0x9F, 60, 127}, {0x8F, 60, 0}};
  for (std::uint8_t n = 60; n <= 70; ++n) expected.push_back({0xBF, 119, n});
  expectDelivered(
      *dump,
      [&] {
        handler.xBytePrev = 0;  // so that each round sends x again
        handler.sendValue(prefList::controlX, 1.0);
        handler.sendNoteOn();
        handler.sendNoteOff();
        handler.sendTest(prefList::controlGate);
      },
      expected);
  EXPECT_EQ(log_.systemLines, std::vector<std::string>{});
}

TEST_F(JackMidiTest, ControlChangesFromASourceAndIntoTheVoraPortSetReceivedValues) {
  auto keys = startSource("Keys");
  ASSERT_NO_FATAL_FAILURE(startVora());

  // From a source Vora found and opened by itself, on any channel.
  const int xSent = sendUntil(*keys, {0xB3, 116, 127}, [&] { return manager_->xIn.load() == 1.0; });
  EXPECT_GE(xPosts_.load(), 1);
  EXPECT_LE(xPosts_.load(), xSent);

  // Into Vora's own input port, as a DAW would send.
  RtMidiOut daw(RtMidi::UNIX_JACK, "DAW");
  bool found = false;
  for (unsigned i = 0; i < daw.getPortCount() && !found; ++i) {
    const std::string name = daw.getPortName(i);
    if (isOwnMidiPort(name) && name.ends_with(":Vora")) {
      daw.openPort(i, "to Vora");
      found = true;
    }
  }
  ASSERT_TRUE(found) << "no Vora input port";
  const int ySent = sendUntil(daw, {0xB0, 117, 127}, [&] { return manager_->yIn.load() == 1.0; });
  EXPECT_GE(yPosts_.load(), 1);
  EXPECT_LE(yPosts_.load(), ySent);
}

TEST_F(JackMidiTest, DestinationAppearingLaterIsOpenedOnTheSetupChange) {
  ASSERT_NO_FATAL_FAILURE(startVora());
  MidiSetupWatcher watcher(loop_, *port_, *manager_->handler);
  auto dump = startDump("late");
  ASSERT_NE(dump, nullptr);

  // Vora's own ports exist on the server but are neither destinations nor sources to it.
  const std::vector<std::string> all = server_->ports();
  EXPECT_TRUE(std::any_of(all.begin(), all.end(), isOwnMidiPort));
  EXPECT_EQ(port_->destinations(), std::vector<std::string>{"late:input"});
  EXPECT_EQ(port_->sources(), std::vector<std::string>{});

  loop_.advanceBy(MidiSetupWatcher::kInterval);
  expectDelivered(
      *dump, [&] { manager_->handler->sendPinOn(); }, Bytes{{0xBF, 22, 127}});
}

TEST_F(JackMidiTest, IncomingControllerZeroReopensOutputsFromTheReceivingThread) {
  auto keys = startSource("Keys");
  ASSERT_NO_FATAL_FAILURE(startVora());
  auto dump = startDump("reopen");
  ASSERT_NE(dump, nullptr);

  // The reopen runs on Vora's receiving thread while this thread keeps sending.
  const std::vector<unsigned char> init{0xB0, 0, 0};
  const bool arrived = test::waitUntil([&] {
    keys->sendMessage(&init);
    manager_->handler->sendForward();
    return !test::parseMidiDump(dump->output()).empty();
  });
  ASSERT_TRUE(arrived);
  EXPECT_EQ(test::parseMidiDump(dump->output()).front(),
            (std::vector<std::uint8_t>{0xBF, 20, 127}));
  manager_.reset();  // joins the receiving thread: the log is ours to read
  EXPECT_NE(std::find(log_.lines.begin(), log_.lines.end(), "init recieved"), log_.lines.end());
}

}  // namespace
}  // namespace vora
