#pragma once

#include <cstdint>
#include <mutex>
#include <optional>

#include "core/platform/gfx.h"

namespace vora {

/// A SceneView that keeps the latest snapshot for a renderer to pick up, on another
/// thread or inline. The scene presents on the main thread; the renderer reads on its own.
class SceneMailbox final : public SceneView {
 public:
  /// canRender: a renderer draws what arrives here, so a plain node can be captured.
  explicit SceneMailbox(bool canRender) : canRender_(canRender) {}

  /// The capture of a plain node is its colour; a node with a shader cannot be captured
  /// here, and nothing can when no renderer draws.
  std::optional<TextureRef> textureFromNode(const SpriteNode& node) override;
  void present(const SceneSnapshot& snapshot) override;

  /// Copies the latest snapshot into out (no allocation); returns how many snapshots have
  /// arrived so far, 0 when none has.
  std::uint64_t read(SceneSnapshot& out) const;

 private:
  const bool canRender_;
  mutable std::mutex mutex_;
  SceneSnapshot latest_;
  std::uint64_t count_ = 0;
};

}  // namespace vora
