#include <gtest/gtest.h>

#include <map>
#include <string>

#include "core/platform/virtual_run_loop.h"
#include "core/scene/scene_mailbox.h"
#include "core/scene/touch_pad_view.h"
#include "core/settings/settings_manager.h"
#include "support/fakes.h"

namespace vora {
namespace {

// Shader files by name; every look's files exist unless a test removes one.
class FakeBundle final : public ResourceBundle {
 public:
  FakeBundle() {
    for (const auto& look : makeLookCatalogue()) {
      files[look.shader] = "void main() { fragColor = vec4(1.0); }";
      if (look.feedbackShader) files[*look.feedbackShader] = "void main() {}";
    }
  }
  std::optional<std::string> pathForResource(std::string_view name,
                                             std::string_view type) const override {
    if (type != "fsh" || !files.contains(std::string(name))) return std::nullopt;
    return std::string(name);
  }
  std::optional<std::string> readText(const std::string& path) const override {
    if (unreadable.contains(path)) return std::nullopt;
    return files.at(path);
  }
  std::map<std::string, std::string> files;
  std::map<std::string, bool> unreadable;
};

// Records what the scene hands its view.
class RecordingView final : public SceneView {
 public:
  std::optional<TextureRef> textureFromNode(const SpriteNode& node) override {
    ++captures;
    if (node.shader) return std::nullopt;
    return TextureRef::solid(node.color);
  }
  void present(const SceneSnapshot& snapshot) override {
    last = snapshot;
    ++presents;
  }
  SceneSnapshot last;
  int presents = 0;
  int captures = 0;
};

class SceneTest : public ::testing::Test {
 protected:
  SceneTest() { scene().resources = &bundle; }

  TouchScene& scene() { return *padView.touchScene; }
  const Look& look(std::string_view name) {
    for (const auto& l : manager.looks()) {
      if (l.name == name) return l;
    }
    throw std::runtime_error("no look " + std::string(name));
  }
  std::string shaderOf(const SpriteNode& node) {
    return node.shader ? node.shader->program->name : std::string("none");
  }
  float attr(const SpriteNode& node, NodeAttribute a) {
    auto v = node.attribute(a);
    EXPECT_TRUE(v.has_value());
    return v.value_or(-1);
  }

  MemoryDefaultsStore store;
  NotificationCenter center;
  test::RecordingLog log;
  VirtualRunLoop loop;
  test::RecordingMidiPort port;
  SettingsManager manager{Services{store, center, log, loop, port}};
  FakeBundle bundle;
  TouchPadView padView{&manager};
  RecordingView view;
};

TEST_F(SceneTest, HostLayoutGivesPadRectangleInsetsAndSceneSize) {
  struct Case {
    const char* name;
    Size safe;
    EdgeInsets insets;
    Size scene;
  };
  const Case cases[] = {
      {"no unsafe areas", {800, 600}, {}, {800, 600}},
      {"bottom and side insets", {700, 350}, {0, 47, 21, 47}, {794, 371}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    padView.layout(&view, c.safe, c.insets);
    EXPECT_EQ(scene().safeSize, c.safe);
    EXPECT_EQ(scene().safeInsets, c.insets);
    EXPECT_EQ(scene().padding, 30.0);
    EXPECT_EQ(scene().safeArea.size, (Size{c.safe.width - 60, c.safe.height - 60}));
    EXPECT_EQ(scene().size(), c.scene);
    EXPECT_EQ(view.last.size, c.scene);
  }
}

TEST_F(SceneTest, TouchPointAtPadCornersWithPaddingAndInsets) {
  struct Case {
    const char* name;
    Size safe;
    EdgeInsets insets;
    Point touch;  // pad points, y down
    double ax, ay;
  };
  // Pad 740 x 540 in an 800 x 600 scene; pad 640 x 290 in a 794 x 371 scene whose bottom
  // inset is 21 (the left inset does not enter a_x).
  const Case cases[] = {
      {"top left", {800, 600}, {}, {0, 0}, 30.0 / 800, (30.0 + 540) / 600},
      {"bottom right", {800, 600}, {}, {740, 540}, 770.0 / 800, 30.0 / 600},
      {"centre", {800, 600}, {}, {370, 270}, 0.5, 0.5},
      {"inset top left", {700, 350}, {0, 47, 21, 47}, {0, 0}, 30.0 / 794, (30.0 + 290 + 21) / 371},
      {"inset bottom right", {700, 350}, {0, 47, 21, 47}, {640, 290}, 670.0 / 794, 51.0 / 371},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TouchPadView host{&manager};
    host.touchScene->resources = &bundle;
    host.layout(&view, c.safe, c.insets);
    host.touchScene->setTouchPoint(c.touch.x, c.touch.y);
    for (const SpriteNode* node : {&host.touchScene->primaryNode, &host.touchScene->feedbackNode}) {
      EXPECT_FLOAT_EQ(attr(*node, NodeAttribute::a_x), static_cast<float>(c.ax));
      EXPECT_FLOAT_EQ(attr(*node, NodeAttribute::a_y), static_cast<float>(c.ay));
    }
    EXPECT_EQ(view.last.primaryNode.attribute(NodeAttribute::a_x),
              host.touchScene->primaryNode.attribute(NodeAttribute::a_x));
  }
}

TEST_F(SceneTest, FirstPresentationSizesNodesAndAddsThemOnce) {
  padView.layout(&view, {640, 360}, {});
  for (const SpriteNode* node : {&scene().primaryNode, &scene().feedbackNode}) {
    EXPECT_EQ(node->size, (Size{640, 360}));
    EXPECT_EQ(node->anchorPoint, (Point{0, 0}));
    EXPECT_EQ(node->attribute2(NodeAttribute::a_size), (std::array<float, 2>{640, 360}));
  }
  EXPECT_TRUE(view.last.presented);
  EXPECT_TRUE(view.last.feedbackIsChild && view.last.primaryIsChild);
  EXPECT_EQ(view.captures, 1);
  EXPECT_EQ(scene().buffer, TextureRef::solid({0, 0, 0, 1}));

  // Later layouts with a new size rewrite the geometry; the nodes keep their first size.
  padView.layout(&view, {1000, 500}, {0, 47, 21, 47});
  EXPECT_EQ(scene().safeSize, (Size{1000, 500}));
  EXPECT_EQ(scene().safeArea.size, (Size{940, 440}));
  EXPECT_EQ(scene().size(), (Size{1094, 521}));
  for (const SpriteNode* node : {&view.last.primaryNode, &view.last.feedbackNode}) {
    EXPECT_EQ(node->size, (Size{640, 360}));
    EXPECT_EQ(node->attribute2(NodeAttribute::a_size), (std::array<float, 2>{640, 360}));
  }
  EXPECT_EQ(view.captures, 1) << "presented once in the same view";
}

TEST_F(SceneTest, IsIpadOnPrimaryNodeOnly) {
  for (Platform p : {Platform::ipad, Platform::iphone_3d, Platform::unknown}) {
    SCOPED_TRACE(caseName(p));
    manager.platform = p;
    TouchPadView host{&manager};
    host.touchScene->manager = &manager;
    host.touchScene->resources = &bundle;
    host.layout(&view, {400, 300}, {});
    EXPECT_EQ(attr(host.touchScene->primaryNode, NodeAttribute::a_isipad),
              p == Platform::ipad ? 1.0f : 0.0f);
    EXPECT_FALSE(host.touchScene->feedbackNode.attribute(NodeAttribute::a_isipad));
  }
}

TEST_F(SceneTest, ReloadLookBetweenLooksWithAndWithoutFeedback) {
  scene().manager = &manager;
  padView.layout(&view, {400, 300}, {});
  const TextureRef black = TextureRef::solid({0, 0, 0, 1});
  auto buffer = [](const SpriteNode& n) -> std::optional<TextureRef> {
    if (!n.shader) return std::nullopt;
    const auto* u = n.shader->uniformNamed("u_buffer0");
    return u ? std::optional(u->texture) : std::nullopt;
  };

  struct Step {
    const char* look;
    const char* primary;
    const char* feedback;
    bool primaryReadsBuffer;
  };
  const Step steps[] = {
      {"Heat Map", "heat-map", "heat-map-feedback", true},
      {"Classic", "vora-classic", "heat-map-feedback", false},  // feedback shader stays
      {"Pulse Cell", "pulse-cell", "pulse-cell-feedback", true},
      {"Life Flower", "life-flower", "life-flower-feedback", true},
  };
  std::uint64_t lastSerial = view.last.latestSerial;
  for (const auto& s : steps) {
    SCOPED_TRACE(s.look);
    const std::uint64_t feedbackSerialBefore =
        scene().feedbackNode.shader ? scene().feedbackNode.shader->serial : 0;
    manager.selectLook(look(s.look));  // the main screen's observer would reload; here by hand
    scene().reloadLook();
    EXPECT_EQ(shaderOf(view.last.primaryNode), s.primary);
    EXPECT_EQ(shaderOf(view.last.feedbackNode), s.feedback);
    EXPECT_EQ(buffer(view.last.primaryNode),
              s.primaryReadsBuffer ? std::optional(black) : std::nullopt);
    EXPECT_EQ(buffer(view.last.feedbackNode), black);
    EXPECT_GT(view.last.primaryNode.shader->serial, lastSerial) << "a new shader";
    if (!s.primaryReadsBuffer) {
      EXPECT_EQ(view.last.feedbackNode.shader->serial, feedbackSerialBefore) << "kept";
    }
    EXPECT_EQ(view.last.primaryNode.shader->program->uniforms, scene().uniforms);
    lastSerial = view.last.latestSerial;
  }
}

TEST_F(SceneTest, LookLoadedBeforePresentationReadsTheEmptyBuffer) {
  scene().manager = &manager;
  manager.selectLook(look("Warp Speed"));
  scene().reloadLook();
  EXPECT_EQ(shaderOf(scene().primaryNode), "warp-speed");
  EXPECT_EQ(scene().primaryNode.shader->uniformNamed("u_buffer0")->texture, TextureRef{});
  EXPECT_EQ(view.presents, 0) << "nothing presents the scene yet";
}

TEST_F(SceneTest, WithoutManagerNothingLoadsAndNothingPauses) {
  padView.layout(&view, {400, 300}, {});
  scene().reloadLook();
  EXPECT_FALSE(scene().primaryNode.shader);
  EXPECT_FALSE(scene().feedbackNode.shader);
  EXPECT_EQ(attr(scene().primaryNode, NodeAttribute::a_isipad), 0.0f);
  manager.setShaderPause(true);
  EXPECT_FALSE(scene().isPaused());
}

TEST_F(SceneTest, PauseFollowsShaderPauseAndTheScreenLatestWins) {
  scene().manager = &manager;
  manager.setShaderPause(true);
  padView.layout(&view, {400, 300}, {});
  EXPECT_TRUE(scene().isPaused()) << "already paused at first presentation";
  EXPECT_TRUE(view.last.paused);

  scene().setPaused(false);  // the main screen will appear
  EXPECT_FALSE(view.last.paused);
  manager.setShaderPause(true);
  EXPECT_TRUE(view.last.paused);
  manager.setShaderPause(false);
  EXPECT_FALSE(scene().isPaused());

  padView.touchScene.reset();  // the scene is gone: a later value does nothing
  manager.setShaderPause(true);
}

TEST_F(SceneTest, SpeedAndGateReachBothNodesAndTheView) {
  padView.layout(&view, {400, 300}, {});
  scene().setSpeed(0.25);
  scene().setGate(0.75);
  for (const SpriteNode* node : {&view.last.primaryNode, &view.last.feedbackNode}) {
    EXPECT_EQ(node->attribute(NodeAttribute::a_speed), 0.25f);
    EXPECT_EQ(node->attribute(NodeAttribute::a_g), 0.75f);
  }
}

TEST_F(SceneTest, TouchBeforeAnyAreaLeavesNoInfinity) {
  TouchScene s({0, 0});
  s.primaryNode.size = {0, 0};
  s.setTouchPoint(10, 10);
  EXPECT_FALSE(s.primaryNode.attribute(NodeAttribute::a_x));
  EXPECT_TRUE(s.feedbackNode.attribute(NodeAttribute::a_x)) << "the 400 x 300 node still maps";
}

}  // namespace
}  // namespace vora
