#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vora {

/// An RGBA picture, 8 bits a channel, top row first.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;

  const std::uint8_t* pixel(int x, int y) const {
    return rgba.data() + (static_cast<std::size_t>(y) * width + x) * 4;
  }
};

/// Writes image as a PNG file at path; false with the reason in error when it cannot.
bool writePng(const std::string& path, const Image& image, std::string& error);

}  // namespace vora
