#pragma once

#include <memory>
#include <string>

#include "app/script_player.h"
#include "core/platform/log.h"

namespace vora {

/// The frames of `--snapshot FILE`: draws the scene (surfaceless EGL) 60 times a second of
/// the virtual clock and writes the last frame's picture behind the pad to path as PNG at
/// the end. Where the machine cannot draw, it says so once on log's system channel, the run
/// goes on rendering nothing, and the sink reports failure at the end.
std::unique_ptr<FrameSink> makeSnapshotSink(const std::string& path, Log& log);

}  // namespace vora
