#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vora {

/// One decoded image: straight-alpha RGBA8 pixels, row by row from the top.
struct ImageData {
  std::string name;  ///< the resource name: the file name without ".png"
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;
};

/// The app's PNG image resources, decoded once at start-up (stb_image) and looked up by name.
/// Filled on the main thread before the render thread starts, read-only afterwards, so both
/// threads may read it.
class ImageLibrary {
 public:
  /// Decodes every PNG file in dir. Files that cannot be decoded are skipped and named in
  /// problems (one line each); a missing dir gives an empty library and one problem.
  void loadDirectory(const std::filesystem::path& dir, std::vector<std::string>& problems);

  /// The texture id of the image called name (see ui_frame.h), or 0 when there is none.
  std::uintptr_t texture(std::string_view name) const;
  /// The image behind a texture id, or nullptr.
  const ImageData* image(std::uintptr_t texture) const;
  const std::vector<ImageData>& images() const { return images_; }

 private:
  std::vector<ImageData> images_;  // sorted by name
};

}  // namespace vora
