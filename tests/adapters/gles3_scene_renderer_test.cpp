#include <gtest/gtest.h>

#include <map>
#include <string>

#include "adapters/gles3/offscreen_scene_renderer.h"
#include "core/platform/virtual_run_loop.h"
#include "core/scene/scene_mailbox.h"
#include "core/scene/shader_loading.h"
#include "core/scene/touch_pad_view.h"
#include "core/settings/settings_manager.h"
#include "support/fakes.h"

// The scene drawn by OpenGL ES on Mesa (llvmpipe here) through a surfaceless EGL context.

namespace vora {
namespace {

// Shader texts by name, for looks written by the test.
class TextBundle final : public ResourceBundle {
 public:
  std::optional<std::string> pathForResource(std::string_view name,
                                             std::string_view) const override {
    if (!files.contains(std::string(name))) return std::nullopt;
    return std::string(name);
  }
  std::optional<std::string> readText(const std::string& path) const override {
    return files.at(path);
  }
  std::map<std::string, std::string> files;
};

class Gles3Scene : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    renderer = OffscreenSceneRenderer::create(
        error, [this](const std::string& message) { errors.push_back(message); });
    if (!renderer) GTEST_SKIP() << "no surfaceless EGL display here: " << error;
  }

  // Presents the scene at w x h points with no padding, so the pad is the whole scene.
  void present(double w, double h) {
    padView.paddingDist = 0;
    scene().manager = &manager;
    scene().resources = &bundle;
    padView.layout(&mailbox, {w, h}, {});
  }
  void choose(std::string_view name) {
    for (const auto& look : manager.looks()) {
      if (look.name == name) manager.selectLook(look);
    }
    scene().reloadLook();
  }
  // Draws one frame, 1/60 s after the last.
  void frame() {
    mailbox.read(snapshot);
    renderer->drawFrame(snapshot, frames++ / 60.0);
  }
  std::array<int, 4> pixel(int x, int y) {  // y from the bottom, as the scene counts
    Image image = renderer->read(x, y, 1, 1);
    const auto* p = image.pixel(0, 0);
    return {p[0], p[1], p[2], p[3]};
  }
  TouchScene& scene() { return *padView.touchScene; }

  std::unique_ptr<OffscreenSceneRenderer> renderer;
  std::vector<std::string> errors;
  MemoryDefaultsStore store;
  NotificationCenter center;
  test::RecordingLog log;
  VirtualRunLoop loop;
  test::RecordingMidiPort port;
  SettingsManager manager{Services{store, center, log, loop, port}};
  TextBundle bundle;
  TouchPadView padView;
  SceneMailbox mailbox{true};
  SceneSnapshot snapshot;
  int frames = 0;
};

TEST_F(Gles3Scene, EveryLookCompilesAndLinks) {
  DirectoryBundle resources(std::string(VORA_SOURCE_DIR) + "/resources");
  TouchScene s;
  for (const auto& look : makeLookCatalogue()) {
    for (const auto& name : {std::optional(look.shader), look.feedbackShader}) {
      if (!name) continue;
      SCOPED_TRACE(*name);
      Shader shader = loadShader(resources, *name, &s.uniforms, &s.attributes);
      EXPECT_EQ(SceneRenderer::check(*shader.program), std::nullopt);
    }
  }
}

TEST_F(Gles3Scene, AShaderThatDoesNotCompileIsReportedOnceWithItsLog) {
  bundle.files["vora-classic"] = "void main() {\n  fragColor = vec4(1.0)\n}\n";
  present(32, 32);
  choose("Classic");
  frame();
  frame();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].rfind("Unable to compile shader vora-classic.fsh:\n", 0), 0u) << errors[0];
  EXPECT_NE(errors[0].find("error"), std::string::npos) << errors[0];
  EXPECT_NE(errors[0].find("3"), std::string::npos) << "the log points into the file";
}

TEST_F(Gles3Scene, AttributesReachTheShaderAsTheNodeHoldsThem) {
  bundle.files["vora-classic"] =
      "void main() { fragColor = vec4(a_x, a_y, a_g * a_size.x / 128.0, 1.0); }";
  present(64, 32);
  choose("Classic");
  scene().setTouchPoint(16, 8);  // pad coordinates, y down: a_x 0.25, a_y 0.75
  scene().setGate(0.5);
  frame();
  EXPECT_EQ(pixel(10, 10), (std::array<int, 4>{64, 191, 64, 255}));  // 0.5 x 64 / 128
}

// A feedback shader that counts its own frames in red; the main shader shows the count.
TEST_F(Gles3Scene, FeedbackAdvancesOneStepPerFrameAndStartsOverOnALookChange) {
  const char* counter =
      "void main() { fragColor = texture(u_buffer0, v_texcoord) + vec4(1.0 / 255.0, 0, 0, 0); }";
  const char* show = "void main() { fragColor = vec4(texture(u_buffer0, v_texcoord).rgb, 1.0); }";
  bundle.files = {{"heat-map", show},
                  {"heat-map-feedback", counter},
                  {"pulse-cell", show},
                  {"pulse-cell-feedback", counter},
                  {"vora-classic", "void main() { fragColor = vec4(0.0, 1.0, 0.0, 1.0); }"}};
  present(16, 16);
  choose("Heat Map");
  for (int i = 1; i <= 5; ++i) {
    frame();
    EXPECT_EQ(pixel(8, 8)[0], i) << "the main shader sees the newest step";
  }
  scene().setPaused(true);
  frame();
  frame();
  EXPECT_EQ(pixel(8, 8)[0], 5) << "no step while paused";
  scene().setPaused(false);
  frame();
  EXPECT_EQ(pixel(8, 8)[0], 6);

  choose("Pulse Cell");  // a new feedback shader starts from the black capture
  frame();
  EXPECT_EQ(pixel(8, 8)[0], 1);
  frame();
  EXPECT_EQ(pixel(8, 8)[0], 2);

  choose("Classic");  // no feedback shader: the old one keeps stepping underneath
  frame();
  EXPECT_EQ(pixel(8, 8), (std::array<int, 4>{0, 255, 0, 255}));
  choose("Pulse Cell");
  frame();
  EXPECT_EQ(pixel(8, 8)[0], 1);
  EXPECT_TRUE(errors.empty());
}

TEST_F(Gles3Scene, NodesKeepTheirFirstSizeWhenTheSceneGrows) {
  bundle.files["vora-classic"] = "void main() { fragColor = vec4(1.0); }";
  present(20, 10);
  choose("Classic");
  padView.layout(&mailbox, {40, 20}, {});
  frame();
  EXPECT_EQ(pixel(5, 5), (std::array<int, 4>{255, 255, 255, 255}));
  EXPECT_EQ(pixel(30, 5), (std::array<int, 4>{0, 0, 0, 255})) << "the black background";
  EXPECT_EQ(pixel(5, 15), (std::array<int, 4>{0, 0, 0, 255}));
}

}  // namespace
}  // namespace vora
