#include "adapters/imgui/image_library.h"

#include <algorithm>
#include <system_error>

#include "adapters/imgui/ui_frame.h"

// The decoder itself comes from the system's stb library (linked), not compiled in here.
#include <stb_image.h>

namespace vora {

void ImageLibrary::loadDirectory(const std::filesystem::path& dir,
                                 std::vector<std::string>& problems) {
  std::error_code ec;
  std::filesystem::directory_iterator it(dir, ec);
  if (ec) {
    problems.push_back("no images at " + dir.string() + ": " + ec.message());
    return;
  }
  for (const auto& entry : it) {
    if (entry.path().extension() != ".png") continue;
    int w = 0, h = 0, channels = 0;
    stbi_uc* pixels = stbi_load(entry.path().c_str(), &w, &h, &channels, 4);
    if (pixels == nullptr) {
      problems.push_back("cannot read image " + entry.path().string() + ": " +
                         stbi_failure_reason());
      continue;
    }
    ImageData image{entry.path().stem().string(), w, h, {}};
    image.pixels.assign(pixels, pixels + std::size_t(w) * std::size_t(h) * 4);
    stbi_image_free(pixels);
    images_.push_back(std::move(image));
  }
  std::sort(images_.begin(), images_.end(),
            [](const ImageData& a, const ImageData& b) { return a.name < b.name; });
}

std::uintptr_t ImageLibrary::texture(std::string_view name) const {
  auto it = std::lower_bound(images_.begin(), images_.end(), name,
                             [](const ImageData& a, std::string_view n) { return a.name < n; });
  if (it == images_.end() || it->name != name) return 0;
  return kFirstImageTexture + static_cast<std::uintptr_t>(it - images_.begin());
}

const ImageData* ImageLibrary::image(std::uintptr_t texture) const {
  if (texture < kFirstImageTexture || texture - kFirstImageTexture >= images_.size()) {
    return nullptr;
  }
  return &images_[texture - kFirstImageTexture];
}

}  // namespace vora
