#pragma once

#include <memory>
#include <string>

#include "app/script_player.h"
#include "core/platform/log.h"

namespace vora {

/// The frames of `--snapshot FILE`: draws the scene 60 times a second of the virtual clock
/// and writes the last frame to path as PNG at the end. Returns null, after saying why on
/// log's system channel, when this build or machine cannot draw.
std::unique_ptr<FrameSink> makeSnapshotSink(const std::string& path, Log& log);

}  // namespace vora
