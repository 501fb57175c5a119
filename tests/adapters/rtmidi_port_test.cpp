#include "adapters/rtmidi/rtmidi_port.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>

#include "adapters/rtmidi/midi_receiver.h"
#include "support/fakes.h"

namespace vora {
namespace {

TEST(RtMidiPort, OwnPortsAreTheVoraClientsOnly) {
  struct Case {
    const char* name;
    bool own;
  };
  const Case cases[] = {
      {"Vora:Vora", true},         // the virtual ports (JACK)
      {"Vora-01:Vora out", true},  // JACK numbers clients of the same name
      {"Vora-12:Vora in", true},
      {"Vora:Vora 128:0", true},  // ALSA adds client and port numbers
      {"Vora-Synth:in", false},   // another program's client
      {"Vora-:x", false},
      {"Vorax:in", false},
      {"Synth:Vora", false},  // a port merely named Vora
      {"Midi Through:Midi Through Port-0 14:0", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(isOwnMidiPort(c.name), c.own);
  }
}

class CollectingListener final : public MidiListener {
 public:
  void receivedMessage(std::span<const std::uint8_t> bytes) override {
    std::lock_guard lock(mutex);
    messages.emplace_back(bytes.begin(), bytes.end());
    threads.insert(std::this_thread::get_id());
    arrived.notify_all();
  }
  void setupChanged() override {}

  bool waitFor(std::size_t count) {
    std::unique_lock lock(mutex);
    return arrived.wait_for(lock, std::chrono::seconds(10),
                            [&] { return messages.size() >= count; });
  }

  std::mutex mutex;
  std::condition_variable arrived;
  std::vector<std::vector<std::uint8_t>> messages;
  std::set<std::thread::id> threads;
};

TEST(MidiReceiver, DeliversWholeMessagesInArrivalOrderOnOneThreadOfItsOwn) {
  CollectingListener listener;
  std::vector<std::vector<std::uint8_t>> sent;
  {
    MidiReceiver receiver(listener);
    for (int i = 0; i < 500; ++i) {
      std::vector<std::uint8_t> m{0xB0, static_cast<std::uint8_t>(i % 128),
                                  static_cast<std::uint8_t>(i / 128)};
      if (i % 100 == 0) m = {0xF8};  // a one-byte message between them
      receiver.push(m);
      sent.push_back(m);
    }
    ASSERT_TRUE(listener.waitFor(sent.size()));
  }
  EXPECT_EQ(listener.messages, sent);
  EXPECT_EQ(listener.threads.size(), 1u);
  EXPECT_EQ(listener.threads.count(std::this_thread::get_id()), 0u);
}

TEST(RtMidiPort, NoneOpensAPortThatReachesNothing) {
  test::RecordingLog log;
  OpenedMidiPort opened = openMidiPort(MidiApi::none, log);
  ASSERT_NE(opened.port, nullptr);
  EXPECT_EQ(opened.systemName, "none");
  opened.port->openOutputs();
  opened.port->send({0xB0, 1, 2});
  EXPECT_TRUE(opened.port->destinations().empty());
}

TEST(RtMidiPort, UnreachableAlsaIsOneClearErrorAndNoPort) {
  if (std::filesystem::exists("/dev/snd/seq")) GTEST_SKIP() << "this machine has an ALSA sequencer";
  test::RecordingLog log;
  const OpenedMidiPort opened = openMidiPort(MidiApi::alsa, log);
  EXPECT_EQ(opened.port, nullptr);
  EXPECT_EQ(opened.error, "cannot reach MIDI: no ALSA sequencer (No such file or directory)");
}

}  // namespace
}  // namespace vora
