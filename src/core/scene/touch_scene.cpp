#include "core/scene/touch_scene.h"

#include <cmath>

#include "core/scene/shader_loading.h"
#include "core/settings/settings_manager.h"

namespace vora {

namespace {

std::vector<std::shared_ptr<const FloatUniform>> sceneUniforms() {
  return {std::make_shared<const FloatUniform>(FloatUniform{"u_x", 0.5f}),
          std::make_shared<const FloatUniform>(FloatUniform{"u_y", 0.5f})};
}

std::vector<AttributeDeclaration> sceneAttributes() {
  return {{NodeAttribute::a_size, AttributeType::float2},
          {NodeAttribute::a_x, AttributeType::float1},
          {NodeAttribute::a_y, AttributeType::float1},
          {NodeAttribute::a_g, AttributeType::float1},
          {NodeAttribute::a_speed, AttributeType::float1},
          {NodeAttribute::a_isipad, AttributeType::float1}};
}

SpriteNode blackNode(Size size) {
  SpriteNode node;
  node.color = Color{0, 0, 0, 1};
  node.size = size;
  return node;
}

}  // namespace

TouchScene::TouchScene() : uniforms(sceneUniforms()), attributes(sceneAttributes()) {
  primaryNode = blackNode({400, 300});
  feedbackNode = blackNode({400, 300});
  safeArea = blackNode({399, 299});
  safeArea.color = Color{0.5f, 0.5f, 0.5f, 1};
}

TouchScene::TouchScene(Size size) : TouchScene() { size_ = size; }

TouchScene::~TouchScene() = default;

void TouchScene::setSize(Size size) {
  if (size == size_) return;
  size_ = size;
  publish();
}

void TouchScene::setBackgroundColor(Color color) {
  if (color == backgroundColor_) return;
  backgroundColor_ = color;
  publish();
}

void TouchScene::didMoveToView(SceneView& view) {
  rootView_ = &view;
  backgroundColor_ = Color{0, 0, 0, 1};

  const Size s = size_;
  for (SpriteNode* node : {&primaryNode, &feedbackNode}) {
    node->anchorPoint = Point{0, 0};
    node->size = s;
  }
  const bool ipad = manager != nullptr && manager->platform == Platform::ipad;
  primaryNode.setValue(NodeAttribute::a_isipad, ipad ? 1.0f : 0.0f);

  if (auto capture = view.textureFromNode(primaryNode)) buffer = *capture;
  reloadLook();

  feedbackNode.setValue(NodeAttribute::a_size, static_cast<float>(feedbackNode.size.width),
                        static_cast<float>(feedbackNode.size.height));
  primaryNode.setValue(NodeAttribute::a_size, static_cast<float>(primaryNode.size.width),
                       static_cast<float>(primaryNode.size.height));
  nodesAdded_ = true;

  if (manager != nullptr && !cancellables_) {
    cancellables_ = std::make_shared<TouchScene*>(this);
    std::weak_ptr<TouchScene*> weak = cancellables_;
    manager->observeShaderPause([weak](bool pause) {
      if (auto scene = weak.lock()) (*scene)->setPaused(pause);
    });
  }
  publish();
}

void TouchScene::reloadLook() {
  if (manager == nullptr) return;
  if (const auto& look = manager->selectedLook()) installShaderQuietly(primaryNode, look->shader);

  const auto& look = manager->selectedLook();
  if (!look || !look->feedbackShader) {
    publish();
    return;
  }
  if (primaryNode.shader) primaryNode.shader->addUniform({kBufferUniform, buffer});
  installShaderQuietly(feedbackNode, *look->feedbackShader);
  if (feedbackNode.shader) feedbackNode.shader->addUniform({kBufferUniform, buffer});
  publish();
}

void TouchScene::installShader(SpriteNode& node, std::string_view name) {
  installShaderQuietly(node, name);
  publish();
}

void TouchScene::installShaderQuietly(SpriteNode& node, std::string_view name) {
  Shader shader = loadShader(bundle(), name, &uniforms, &attributes);
  shader.serial = ++serial_;
  node.shader = std::move(shader);
}

void TouchScene::setTouchPoint(double x, double y) {
  auto set = [&](SpriteNode& node) {
    const double ax = (padding + x) / node.size.width;
    const double ay = (padding + (safeArea.size.height - y) + safeInsets.bottom) / node.size.height;
    // A node not yet given an area has no meaningful point; keep what it had rather than
    // hand the shader an infinity.
    if (std::isfinite(ax)) node.setValue(NodeAttribute::a_x, static_cast<float>(ax));
    if (std::isfinite(ay)) node.setValue(NodeAttribute::a_y, static_cast<float>(ay));
  };
  set(primaryNode);
  set(feedbackNode);
  publish();
}

void TouchScene::setSpeed(double value) { setNodeAttribute(NodeAttribute::a_speed, value); }

void TouchScene::setGate(double value) { setNodeAttribute(NodeAttribute::a_g, value); }

void TouchScene::setNodeAttribute(NodeAttribute name, double value) {
  primaryNode.setValue(name, static_cast<float>(value));
  feedbackNode.setValue(name, static_cast<float>(value));
  publish();
}

void TouchScene::setPaused(bool paused) {
  if (paused == paused_) return;
  paused_ = paused;
  publish();
}

SceneSnapshot TouchScene::snapshot() const {
  SceneSnapshot s;
  s.size = size_;
  s.backgroundColor = backgroundColor_;
  s.presented = rootView_ != nullptr;
  s.paused = paused_;
  s.feedbackNode = feedbackNode;
  s.primaryNode = primaryNode;
  s.feedbackIsChild = nodesAdded_;
  s.primaryIsChild = nodesAdded_;
  s.latestSerial = serial_;
  return s;
}

void TouchScene::publish() {
  if (rootView_ != nullptr) rootView_->present(snapshot());
}

const ResourceBundle& TouchScene::bundle() {
  if (resources != nullptr) return *resources;
  if (!ownBundle_) ownBundle_ = std::make_unique<DirectoryBundle>(locateResources().value_or(""));
  return *ownBundle_;
}

}  // namespace vora
