#pragma once

#include <memory>
#include <string>

#include "adapters/gles3/egl_context.h"
#include "adapters/gles3/gl_objects.h"
#include "adapters/gles3/image.h"
#include "adapters/gles3/scene_renderer.h"

namespace vora {

/// The scene drawn with no window: a surfaceless EGL context of its own, current on the
/// thread that creates it, drawing one pixel per scene point into a picture kept in GL.
/// All calls on the creating thread.
class OffscreenSceneRenderer {
 public:
  /// Null, with the reason in error, when this machine cannot draw without a window.
  static std::unique_ptr<OffscreenSceneRenderer> create(std::string& error,
                                                        SceneRenderer::ErrorHandler onError = {});
  ~OffscreenSceneRenderer();

  /// Draws one frame of snapshot at clockSeconds into the picture, sized to the scene.
  void drawFrame(const SceneSnapshot& snapshot, double clockSeconds);
  /// Frames drawn so far.
  long frames() const { return frames_; }
  /// The last frame's pixels in the rectangle x, y (from the bottom left), w x h, clamped
  /// to the picture; the whole picture when w or h is 0.
  Image read(int x = 0, int y = 0, int w = 0, int h = 0) const;

 private:
  OffscreenSceneRenderer() = default;

  std::unique_ptr<EglSurfacelessContext> context_;
  std::unique_ptr<SceneRenderer> renderer_;
  gl::Texture color_;
  gl::Framebuffer framebuffer_;
  int width_ = 0, height_ = 0;
  long frames_ = 0;
};

}  // namespace vora
