#include "adapters/gles3/offscreen_scene_renderer.h"

#include <algorithm>
#include <cmath>

namespace vora {

std::unique_ptr<OffscreenSceneRenderer> OffscreenSceneRenderer::create(
    std::string& error, SceneRenderer::ErrorHandler onError) {
  auto context = EglSurfacelessContext::create(error);
  if (!context) return nullptr;
  std::unique_ptr<OffscreenSceneRenderer> result(new OffscreenSceneRenderer);
  result->context_ = std::move(context);
  result->renderer_ = std::make_unique<SceneRenderer>(std::move(onError));
  return result;
}

OffscreenSceneRenderer::~OffscreenSceneRenderer() {
  // GL objects go while the context is still current.
  context_->makeCurrent();
  renderer_.reset();
  framebuffer_.reset();
  color_.reset();
}

void OffscreenSceneRenderer::drawFrame(const SceneSnapshot& snapshot, double clockSeconds) {
  const int w = std::max(1, static_cast<int>(std::lround(snapshot.size.width)));
  const int h = std::max(1, static_cast<int>(std::lround(snapshot.size.height)));
  if (w != width_ || h != height_ || !framebuffer_) {
    color_ = gl::makeTexture(w, h);
    framebuffer_ = gl::makeFramebuffer(color_.get());
    width_ = w;
    height_ = h;
  }
  renderer_->drawFrame(snapshot, w, h, clockSeconds, framebuffer_.get());
  ++frames_;
}

Image OffscreenSceneRenderer::read(int x, int y, int w, int h) const {
  Image image;
  if (!framebuffer_) return image;
  if (w <= 0 || h <= 0) x = 0, y = 0, w = width_, h = height_;
  x = std::clamp(x, 0, width_);
  y = std::clamp(y, 0, height_);
  w = std::clamp(w, 0, width_ - x);
  h = std::clamp(h, 0, height_ - y);
  image.width = w;
  image.height = h;
  image.rgba.resize(static_cast<std::size_t>(w) * h * 4);
  if (w == 0 || h == 0) return image;
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_.get());
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  std::vector<std::uint8_t> rows(image.rgba.size());
  glReadPixels(x, y, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  // GL reads bottom row first; pictures are stored top row first.
  const std::size_t stride = static_cast<std::size_t>(w) * 4;
  for (int row = 0; row < h; ++row) {
    std::copy_n(rows.data() + stride * (h - 1 - row), stride, image.rgba.data() + stride * row);
  }
  return image;
}

}  // namespace vora
