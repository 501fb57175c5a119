#include "adapters/sdl2/sdl_window.h"

#include <GLES3/gl3.h>

#include <algorithm>
#include <utility>

namespace vora {

std::optional<SdlWindow> SdlWindow::open(const WindowOptions& options, std::string& error) {
  // Touch screens give fingers; the mouse stays a mouse (never a made-up finger). SDL still
  // makes mouse events from fingers, which the settings sheets use for taps; the pad ignores
  // them.
  SDL_SetHint(SDL_HINT_MOUSE_TOUCH_EVENTS, "0");
  SDL_SetHint(SDL_HINT_TOUCH_MOUSE_EVENTS, "1");
  SDL_SetHint(SDL_HINT_ORIENTATIONS, "LandscapeLeft LandscapeRight");
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  SDL_SetHint(SDL_HINT_IME_SHOW_UI, "1");
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    error = std::string("cannot start the video system: ") + SDL_GetError();
    return std::nullopt;
  }
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);

  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_RESIZABLE;
  int w = std::max(options.width, 1);
  int h = std::max(options.height, 1);
  if (!options.windowed) {
    flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
  } else if (w < h) {
    std::swap(w, h);  // landscape only
  }
  SdlWindow result;
  result.window_ = SDL_CreateWindow(options.title.c_str(), SDL_WINDOWPOS_CENTERED,
                                    SDL_WINDOWPOS_CENTERED, w, h, flags);
  if (result.window_ == nullptr) {
    error = std::string("cannot open a window: ") + SDL_GetError();
    SDL_Quit();
    return std::nullopt;
  }
  SDL_SetWindowMinimumSize(result.window_, 480, 270);
  result.context_ = SDL_GL_CreateContext(result.window_);
  if (result.context_ == nullptr) {
    error = std::string("cannot create an OpenGL ES 3.0 context: ") + SDL_GetError();
    return std::nullopt;
  }
  if (const auto* r = glGetString(GL_RENDERER)) result.renderer_ = reinterpret_cast<const char*>(r);
  // The screen never dims or locks while Vora runs: a performer does not touch the keyboard.
  SDL_DisableScreenSaver();
  SDL_GL_MakeCurrent(result.window_, nullptr);
  return result;
}

SdlWindow::SdlWindow(SdlWindow&& other) noexcept
    : window_(std::exchange(other.window_, nullptr)),
      context_(std::exchange(other.context_, nullptr)),
      renderer_(std::move(other.renderer_)) {}

SdlWindow::~SdlWindow() {
  if (context_ != nullptr) SDL_GL_DeleteContext(context_);
  if (window_ != nullptr) {
    SDL_DestroyWindow(window_);
    SDL_EnableScreenSaver();
    SDL_Quit();
  }
}

Size SdlWindow::size() const {
  int w = 0, h = 0;
  SDL_GetWindowSize(window_, &w, &h);
  return {double(w), double(h)};
}

Size SdlWindow::pixelSize() const {
  int w = 0, h = 0;
  SDL_GL_GetDrawableSize(window_, &w, &h);
  return {double(w), double(h)};
}

}  // namespace vora
