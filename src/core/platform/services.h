#pragma once

#include "core/platform/defaults_store.h"
#include "core/platform/log.h"
#include "core/platform/midi_port.h"
#include "core/platform/notification_center.h"
#include "core/platform/run_loop.h"

namespace vora {

/// The platform services the core is built on, borrowed from whoever wires the app
/// (main, the headless player, a test). They outlive everything built from them.
struct Services {
  DefaultsStore& defaults;
  NotificationCenter& notifications;
  Log& log;
  RunLoop& runLoop;
  MidiPort& midi;
};

}  // namespace vora
