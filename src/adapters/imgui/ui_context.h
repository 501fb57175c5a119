#pragma once

#include <SDL.h>
#include <imgui.h>

#include <cfloat>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <vector>

#include "adapters/imgui/ui_frame.h"

namespace vora {

/// The fonts the screens use.
struct UiFonts {
  ImFont* body = nullptr;      ///< rows and buttons
  ImFont* headline = nullptr;  ///< bold: titles, the looks list's names
  ImFont* small = nullptr;     ///< section headers and footers
};

/// Dear ImGui on the main thread: its context, the fonts and the dark style, SDL input, and
/// frames copied out for the render thread. Everything here runs on the main thread.
class UiContext {
 public:
  /// pixelScale is pixels per point: fonts are rasterised at that density. fontFile is a
  /// TrueType font; when it cannot be read, ImGui's own font is used.
  UiContext(SDL_Window* window, float pixelScale, const std::filesystem::path& fontFile,
            const std::filesystem::path& boldFontFile);
  ~UiContext();
  UiContext(const UiContext&) = delete;
  UiContext& operator=(const UiContext&) = delete;

  /// Queues one SDL event for ImGui.
  void processEvent(const SDL_Event& event);
  /// Starts a frame; the screens draw between this and endFrame. This ImGui reads the mouse
  /// and the keys as states once a frame, so a quick click or key tap that starts and ends
  /// between two frames would be lost or land where the mouse went next. Each frame therefore
  /// takes queued events up to one button or key change, and sees the mouse where those
  /// events put it.
  void beginFrame();
  /// Finishes the frame and copies its geometry into out.
  void endFrame(UiFrame& out);

  /// The font atlas (RGBA8) for the renderer.
  const std::uint8_t* fontPixels() const { return fontPixels_; }
  int fontWidth() const { return fontWidth_; }
  int fontHeight() const { return fontHeight_; }
  const UiFonts& fonts() const { return fonts_; }
  /// True while a text field has the keyboard.
  bool editingText() const;

 private:
  ImGuiContext* context_ = nullptr;
  std::deque<SDL_Event> queue_;
  ImVec2 mouse_{-FLT_MAX, -FLT_MAX};
  bool buttons_[3] = {false, false, false};
  UiFonts fonts_;
  unsigned char* fontPixels_ = nullptr;
  int fontWidth_ = 0, fontHeight_ = 0;
};

/// Colours of the screens, in ImGui's packed form.
namespace ui_color {
inline constexpr ImU32 kSheet = IM_COL32(28, 28, 30, 255);  // grouped background
inline constexpr ImU32 kGroup = IM_COL32(44, 44, 46, 255);  // a section's rows
inline constexpr ImU32 kSeparator = IM_COL32(84, 84, 88, 160);
inline constexpr ImU32 kPrimary = IM_COL32(255, 255, 255, 255);
inline constexpr ImU32 kSecondary = IM_COL32(152, 152, 159, 255);  // captions, "Test"
inline constexpr ImU32 kGray = IM_COL32(142, 142, 147, 255);
inline constexpr ImU32 kAccent = IM_COL32(10, 132, 255, 255);
inline constexpr ImU32 kDim = IM_COL32(0, 0, 0, 110);  // behind a sheet or alert
inline constexpr ImU32 kSwitchOn = IM_COL32(48, 209, 88, 255);
inline constexpr ImU32 kSwitchOff = IM_COL32(72, 72, 76, 255);
}  // namespace ui_color

}  // namespace vora
