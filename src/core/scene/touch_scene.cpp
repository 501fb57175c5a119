#include "core/scene/touch_scene.h"

#include "core/settings/settings_manager.h"

namespace vora {

TouchScene::TouchScene() {
  primaryNode.size = {400, 300};
  feedbackNode.size = {400, 300};
  safeArea.size = {399, 299};
}

void TouchScene::setTouchPoint(double x, double y) {
  auto set = [&](SpriteNode& node) {
    const double ax = (padding + x) / node.size.width;
    const double ay = (padding + (safeArea.size.height - y) + safeInsets.bottom) / node.size.height;
    node.attributes[static_cast<std::size_t>(NodeAttribute::a_x)] =
        std::array<float, 2>{static_cast<float>(ax), 0.0f};
    node.attributes[static_cast<std::size_t>(NodeAttribute::a_y)] =
        std::array<float, 2>{static_cast<float>(ay), 0.0f};
  };
  set(primaryNode);
  set(feedbackNode);
}

void TouchScene::setSpeed(double value) { setNodeAttribute(NodeAttribute::a_speed, value); }

void TouchScene::setGate(double value) { setNodeAttribute(NodeAttribute::a_g, value); }

void TouchScene::setNodeAttribute(NodeAttribute name, double value) {
  const std::array<float, 2> v{static_cast<float>(value), 0.0f};
  primaryNode.attributes[static_cast<std::size_t>(name)] = v;
  feedbackNode.attributes[static_cast<std::size_t>(name)] = v;
}

void TouchScene::reloadLook() {
  if (manager == nullptr) return;
  if (const auto& look = manager->selectedLook()) {
    primaryNode.shader = look->shader;
    primaryNode.hasBufferUniform = false;
  }
  const auto& look = manager->selectedLook();
  if (!look || !look->feedbackShader) return;
  if (primaryNode.shader) primaryNode.hasBufferUniform = true;
  feedbackNode.shader = *look->feedbackShader;
  feedbackNode.hasBufferUniform = true;
}

}  // namespace vora
