#include "adapters/gles3/image.h"

#include <stb_image_write.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vora {

bool writePng(const std::string& path, const Image& image, std::string& error) {
  if (image.width <= 0 || image.height <= 0) {
    error = "the picture is empty";
    return false;
  }
  // stb reports no reason; try the file first so a bad path says why.
  std::FILE* probe = std::fopen(path.c_str(), "wb");
  if (probe == nullptr) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  std::fclose(probe);
  if (stbi_write_png(path.c_str(), image.width, image.height, 4, image.rgba.data(),
                     image.width * 4) == 0) {
    error = "cannot write " + path + " as PNG";
    return false;
  }
  return true;
}

}  // namespace vora
