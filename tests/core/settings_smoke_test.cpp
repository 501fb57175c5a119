#include <gtest/gtest.h>

#include "core/midi/midi_handler.h"
#include "core/platform/virtual_run_loop.h"
#include "core/settings/settings_manager.h"
#include "support/fakes.h"

namespace vora {
namespace {

TEST(SettingsSmoke, FirstRunBuildsFactoryRowsAndSendsAbletonNote) {
  MemoryDefaultsStore store;
  NotificationCenter center;
  test::RecordingLog log;
  VirtualRunLoop loop;
  test::RecordingMidiPort port;
  SettingsManager manager(Services{store, center, log, loop, port});
  manager.handler->sendNoteOn();
  ASSERT_EQ(port.sent.size(), 1u);
  EXPECT_EQ(port.sent[0], (MidiMessage{0x9F, 60, 127}));
  EXPECT_EQ(log.lines.front(), "launch count: 1");
}

}  // namespace
}  // namespace vora
