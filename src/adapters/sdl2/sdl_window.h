#pragma once

#include <SDL.h>

#include <optional>
#include <string>

#include "core/touch/touch.h"

namespace vora {

/// How the window opens.
struct WindowOptions {
  bool windowed = false;  ///< a window instead of the full screen
  int width = 1024;       ///< window size in points when windowed
  int height = 600;
  std::string title = "Vora";
};

/// SDL's video system, the app's one window and its OpenGL ES 3.0 context. Landscape, full
/// screen unless windowed, high-DPI aware; the screen saver is held off while it lives.
/// Created on the main thread; the context is handed to the render thread.
class SdlWindow {
 public:
  /// Opens the window, or gives the reason it could not.
  static std::optional<SdlWindow> open(const WindowOptions& options, std::string& error);
  SdlWindow(SdlWindow&& other) noexcept;
  SdlWindow& operator=(SdlWindow&&) = delete;
  ~SdlWindow();

  SDL_Window* window() const { return window_; }
  SDL_GLContext context() const { return context_; }
  /// The window's size in points (what pointer events and the layout use).
  Size size() const;
  /// The drawable's size in pixels.
  Size pixelSize() const;
  /// GL_RENDERER, for the start-up line.
  const std::string& renderer() const { return renderer_; }

 private:
  SdlWindow() = default;
  SDL_Window* window_ = nullptr;
  SDL_GLContext context_ = nullptr;
  std::string renderer_;
};

}  // namespace vora
