#include "app/headless_snapshot.h"

#include <chrono>
#include <cmath>

#include "adapters/gles3/offscreen_scene_renderer.h"
#include "core/scene/scene_mailbox.h"

namespace vora {

namespace {

double seconds(Duration d) { return std::chrono::duration<double>(d).count(); }

class SnapshotSink final : public FrameSink {
 public:
  SnapshotSink(std::string path, Log& log, std::unique_ptr<OffscreenSceneRenderer> renderer)
      : path_(std::move(path)),
        log_(log),
        renderer_(std::move(renderer)),
        mailbox_(renderer_ != nullptr) {}

  SceneView* sceneView() override { return &mailbox_; }

  void drawFrame(ViewController& controller) override {
    if (!renderer_) return;
    mailbox_.read(snapshot_);
    renderer_->drawFrame(snapshot_, seconds(controller.manager().services().runLoop.now()));
  }

  void finish(ViewController& controller) override {
    if (!renderer_) {
      fail("nothing was rendered");
      return;
    }
    if (renderer_->frames() == 0) drawFrame(controller);
    // The picture behind the pad: the scene less its padding and unsafe areas.
    const TouchScene& scene = *controller.touchPadView.touchScene;
    Image image;
    if (scene.rootView() == &mailbox_) {
      image =
          renderer_->read(static_cast<int>(std::lround(scene.safeInsets.left + scene.padding)),
                          static_cast<int>(std::lround(scene.safeInsets.bottom + scene.padding)),
                          static_cast<int>(std::lround(scene.safeArea.size.width)),
                          static_cast<int>(std::lround(scene.safeArea.size.height)));
    } else {
      image = renderer_->read();
    }
    std::string error;
    if (!writePng(path_, image, error)) fail(error);
  }

  bool failed() const override { return failed_; }

 private:
  void fail(const std::string& why) {
    log_.system("vora: no snapshot written to " + path_ + ": " + why);
    failed_ = true;
  }

  std::string path_;
  Log& log_;
  std::unique_ptr<OffscreenSceneRenderer> renderer_;
  SceneMailbox mailbox_;
  SceneSnapshot snapshot_;
  bool failed_ = false;
};

}  // namespace

std::unique_ptr<FrameSink> makeSnapshotSink(const std::string& path, Log& log) {
  std::string error;
  auto renderer = OffscreenSceneRenderer::create(error);
  if (!renderer) {
    log.system("vora: cannot draw without a window (" + error +
               "); the scene renders nothing and no snapshot will be written");
  }
  return std::make_unique<SnapshotSink>(path, log, std::move(renderer));
}

}  // namespace vora
