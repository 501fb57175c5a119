#pragma once

#include <imgui.h>

#include <cstdint>
#include <vector>

namespace vora {

/// One draw command of a copied ImGui frame: a run of indices with its texture and clip
/// rectangle (in points).
struct UiCommand {
  ImVec4 clip;
  std::uintptr_t texture = 0;
  unsigned elementCount = 0;
  unsigned indexOffset = 0;  ///< within its list
};

/// One draw list: slices of the frame's vertex, index and command arrays.
struct UiList {
  unsigned vertexStart = 0, vertexCount = 0;
  unsigned indexStart = 0, indexCount = 0;
  unsigned commandStart = 0, commandCount = 0;
};

/// A finished ImGui frame copied out of ImGui, so that the render thread can draw it while the
/// main thread builds the next one. Keeps its capacity from frame to frame.
struct UiFrame {
  ImVec2 displaySize;             ///< points
  ImVec2 framebufferScale{1, 1};  ///< pixels per point
  std::vector<ImDrawVert> vertices;
  std::vector<ImDrawIdx> indices;
  std::vector<UiList> lists;
  std::vector<UiCommand> commands;
};

/// Copies what ImGui::Render() produced into frame (user callbacks are not supported and are
/// skipped).
void copyDrawData(const ImDrawData& data, UiFrame& frame);

/// Texture ids the UI draws with: 0 is none, kFontTexture the font atlas, images from
/// kFirstImageTexture on.
inline constexpr std::uintptr_t kFontTexture = 1;
inline constexpr std::uintptr_t kFirstImageTexture = 2;

inline ImTextureID toImTexture(std::uintptr_t id) { return reinterpret_cast<ImTextureID>(id); }

}  // namespace vora
