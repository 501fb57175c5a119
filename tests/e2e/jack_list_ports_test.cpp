// `vora --list-ports --midi-api jack`, run as a process against a JACK server of the test's own.
#include <gtest/gtest.h>
#include <rtmidi/RtMidi.h>

#include "support/jack_server.h"

namespace vora {
namespace {

TEST(JackListPorts, ListsTheServersDestinationsAndSourcesButNotVorasOwn) {
  std::string whyNot;
  auto server = test::JackServer::start(&whyNot);
  if (!server) GTEST_SKIP() << "no JACK server can be started here: " << whyNot;
  server->useInThisProcess();
  auto dump = server->startMidiDump("Monitor", &whyNot);
  ASSERT_NE(dump, nullptr) << whyNot;
  RtMidiOut keys(RtMidi::UNIX_JACK, "Keys");
  keys.openVirtualPort("out");
  // A Vora already running: its ports are never listed as something to open.
  RtMidiIn otherVora(RtMidi::UNIX_JACK, "Vora");
  otherVora.openVirtualPort("Vora");

  const test::ProcessResult run = test::runProcess(
      {VORA_BINARY, "--list-ports", "--midi-api", "jack"}, {server->environment()});
  ASSERT_FALSE(run.timedOut);
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(run.output,
            "MIDI system: JACK\n"
            "Destinations, Vora sends to (1):\n"
            "  Monitor:input\n"
            "Sources, Vora listens to (1):\n"
            "  Keys:out\n");
  EXPECT_EQ(run.errors, "");
}

TEST(JackListPorts, NoServerIsOneLineOnStderrAndExitOne) {
  const std::string absent = test::unusedJackServerName();
  const test::ProcessResult run = test::runProcess(
      {VORA_BINARY, "--list-ports", "--midi-api", "jack"}, {"JACK_DEFAULT_SERVER=" + absent});
  ASSERT_FALSE(run.timedOut);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.output, "");
  EXPECT_EQ(run.errors,
            "vora: cannot reach MIDI: no JACK server is running (server \"" + absent + "\")\n");
}

}  // namespace
}  // namespace vora
