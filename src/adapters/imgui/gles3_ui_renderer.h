#pragma once

#include <cstdint>
#include <vector>

#include "adapters/imgui/ui_frame.h"

namespace vora {

class ImageLibrary;

/// Draws copied ImGui frames with OpenGL ES 3.0. Lives on the render thread, inside the GL
/// context; never touches ImGui itself, so the main thread can build the next frame meanwhile.
class Gles3UiRenderer {
 public:
  /// Compiles its program and uploads the font atlas (RGBA8, width x height) and every image
  /// of the library. The context must be current.
  Gles3UiRenderer(const std::uint8_t* fontPixels, int fontWidth, int fontHeight,
                  const ImageLibrary& images);
  ~Gles3UiRenderer();
  Gles3UiRenderer(const Gles3UiRenderer&) = delete;
  Gles3UiRenderer& operator=(const Gles3UiRenderer&) = delete;

  /// Draws frame over what the framebuffer holds, into a drawable of the given pixel size.
  void draw(const UiFrame& frame, int pixelWidth, int pixelHeight);

 private:
  unsigned upload(const std::uint8_t* pixels, int width, int height, bool mipmaps);

  unsigned program_ = 0;
  int projection_ = -1;
  int sampler_ = -1;
  unsigned vao_ = 0, vbo_ = 0, ebo_ = 0;
  std::vector<unsigned> textures_;  // by texture id
};

}  // namespace vora
