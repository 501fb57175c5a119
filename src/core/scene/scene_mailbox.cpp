#include "core/scene/scene_mailbox.h"

namespace vora {

std::optional<TextureRef> SceneMailbox::textureFromNode(const SpriteNode& node) {
  if (!canRender_ || node.shader) return std::nullopt;
  return TextureRef::solid(node.color);
}

void SceneMailbox::present(const SceneSnapshot& snapshot) {
  std::lock_guard lock(mutex_);
  latest_ = snapshot;
  ++count_;
}

std::uint64_t SceneMailbox::read(SceneSnapshot& out) const {
  std::lock_guard lock(mutex_);
  out = latest_;
  return count_;
}

}  // namespace vora
