// Item 5: frames. Per look, the time to draw one frame of the scene (the feedback step
// included) with OpenGL ES 3 on this machine's renderer (Mesa's llvmpipe here), at 1280x720
// and 1920x1080, against the naive variant that takes a fresh texture every frame; and the
// headless renderer's frames per second, end to end through `vora --headless --snapshot`.
#include <GLES3/gl3.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "adapters/gles3/egl_context.h"
#include "adapters/gles3/scene_renderer.h"
#include "core/settings/settings_manager.h"
#include "support/fixture.h"
#include "support/process.h"
#include "support/results.h"
#include "support/stats.h"

namespace vora::bench {
namespace {

using namespace std::chrono_literals;

constexpr auto kPerCase = 2000ms;  // frames are drawn for this long per look, size and variant

/// A colour texture and a framebuffer drawing into it: stands in for the window's drawable.
struct Target {
  Target(const Target&) = delete;
  Target& operator=(const Target&) = delete;
  GLuint texture = 0, framebuffer = 0;
  Target(int w, int h) {
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
  }
  ~Target() {
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteTextures(1, &texture);
  }
};

/// What a texture allocated for every frame's feedback costs beyond ours: made, bound as a
/// render target, filled once, and freed when the next frame's replaces it.
void naiveFrame(std::unique_ptr<Target>& last, int w, int h) {
  auto next = std::make_unique<Target>(w, h);
  glViewport(0, 0, w, h);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  last = std::move(next);
}

std::string fixed(double v, int digits = 1) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", digits, v);
  return buf;
}

double secondsSince(BenchClock::time_point t) {
  return std::chrono::duration<double>(BenchClock::now() - t).count();
}

}  // namespace

int run() {
  Results results("frames");
  std::string error;
  auto context = EglSurfacelessContext::create(error);
  if (!context) {
    results.missing("5", "Frame time", "", "no OpenGL ES 3 context: " + error);
    return 1;
  }
  const std::string renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  std::string problem;
  SceneRenderer sceneRenderer([&](const std::string& message) { problem = message; });

  for (const auto& [w, h] : {std::pair{1280, 720}, std::pair{1920, 1080}}) {
    StampingMidiPort port;
    MainScreen screen(port, {static_cast<double>(w), static_cast<double>(h)});
    SettingsManager& manager = screen.vc->manager();
    auto finger = std::make_shared<Touch>();
    finger->location = finger->preciseLocation = {w * 0.3, h * 0.6};
    const std::array<TouchRef, 1> set{finger};
    screen.vc->touchesBegan(set);
    Target target(w, h);
    const std::vector<Look> looks = manager.looks();
    for (const Look& look : looks) {
      manager.selectLook(look);
      for (bool naive : {false, true}) {
        SceneSnapshot snapshot;
        std::unique_ptr<Target> fresh;
        Samples ms;
        const auto start = BenchClock::now();
        int frame = 0;
        // Two frames to warm up (shaders compiled, targets made), then at least five timed.
        while (frame < 7 || secondsSince(start) < std::chrono::duration<double>(kPerCase).count()) {
          // The finger circles, so the scene has something to follow.
          finger->location = finger->preciseLocation = {w * (0.5 + 0.3 * std::cos(frame * 0.1)),
                                                        h * (0.5 + 0.3 * std::sin(frame * 0.1))};
          screen.vc->touchesMoved(set);
          screen.loop.advanceBy(16ms);
          screen.sceneView.read(snapshot);
          const auto t0 = BenchClock::now();
          if (naive) naiveFrame(fresh, w, h);
          sceneRenderer.drawFrame(snapshot, w, h, frame / 60.0, target.framebuffer);
          glFinish();
          if (frame >= 2) ms.add(secondsSince(t0) * 1000);
          ++frame;
        }
        const std::string size = std::to_string(w) + "x" + std::to_string(h);
        results.add({"5",
                     "Frame time, \"" + look.name + "\"" +
                         (look.feedbackShader ? "" : " (no feedback)") + ", " + size +
                         (naive ? ", naive (a texture per frame)" : ""),
                     ms.median(), "ms", "", std::nullopt,
                     std::to_string(ms.size()) + " frames, median (99th percentile " +
                         fixed(ms.quantile(0.99)) + " ms); " + renderer +
                         (problem.empty() ? "" : "; " + problem)});
      }
    }
  }

  // The headless renderer end to end: two runs of the same script, 1 s and 11 s of the
  // virtual clock at 60 frames a second; the difference is 600 frames' worth.
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("vora-bench-frames-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  {
    std::ofstream(dir / "script.txt") << "0 appear 1024 600\n0 began 1@300,300\n";
    std::ofstream(dir / "defaults.json") << "{\"FirstOpen\": false, \"SavedMode\": 1}\n";
  }
  auto timed = [&](int lingerMs) -> std::optional<double> {
    const auto t0 = BenchClock::now();
    auto out = runToEnd({VORA_BINARY, "--headless", "--script", (dir / "script.txt").string(),
                         "--store", dir.string(), "--midi-api", "none", "--linger",
                         std::to_string(lingerMs), "--snapshot", (dir / "last.png").string()},
                        {}, 300s);
    if (!out) return std::nullopt;
    return secondsSince(t0);
  };
  const auto shortRun = timed(1000), longRun = timed(11000);
  std::filesystem::remove_all(dir);
  if (!shortRun || !longRun) {
    results.missing("5", "Headless renderer, frames per second", "",
                    "vora --headless --snapshot failed");
    return 1;
  }
  results.add({"5", "Headless renderer (vora --headless --snapshot, 1024x600), frames per second",
               600.0 / (*longRun - *shortRun), "fps", "", std::nullopt,
               "600 frames: an 11 s script against a 1 s one, the default look; wall clock"});
  return 0;
}

}  // namespace vora::bench

int main() { return vora::bench::run(); }
