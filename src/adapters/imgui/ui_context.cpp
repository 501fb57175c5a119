#include "adapters/imgui/ui_context.h"

#include <imgui_impl_sdl.h>

#include <algorithm>
#include <system_error>

namespace vora {

namespace {

constexpr float kBodySize = 17;
constexpr float kHeadlineSize = 17;
constexpr float kSmallSize = 13;

ImFont* addFont(ImGuiIO& io, const std::filesystem::path& file, float points, float scale) {
  std::error_code ec;
  if (file.empty() || !std::filesystem::is_regular_file(file, ec)) return nullptr;
  ImFontConfig config;
  config.OversampleH = 2;
  config.PixelSnapH = false;
  // Latin-1 and the few symbols the screens use.
  static const ImWchar kRanges[] = {0x0020, 0x00FF, 0x2022, 0x2026, 0x2039, 0x203A, 0};
  return io.Fonts->AddFontFromFileTTF(file.c_str(), points * scale, &config, kRanges);
}

void applyStyle(float scale) {
  ImGuiStyle& style = ImGui::GetStyle();
  ImGui::StyleColorsDark(&style);
  style.WindowRounding = 12;
  style.ChildRounding = 10;
  style.FrameRounding = 6;
  style.PopupRounding = 10;
  style.GrabRounding = 6;
  style.WindowBorderSize = 0;
  style.FrameBorderSize = 0;
  style.WindowPadding = {16, 12};
  style.FramePadding = {8, 6};
  style.ItemSpacing = {8, 8};
  style.ScrollbarSize = 10;
  style.TouchExtraPadding = {2, 2};
  ImVec4* c = style.Colors;
  c[ImGuiCol_WindowBg] = ImGui::ColorConvertU32ToFloat4(ui_color::kSheet);
  c[ImGuiCol_PopupBg] = ImVec4(0.17f, 0.17f, 0.18f, 0.98f);
  c[ImGuiCol_Text] = ImVec4(1, 1, 1, 1);
  c[ImGuiCol_TextDisabled] = ImGui::ColorConvertU32ToFloat4(ui_color::kSecondary);
  c[ImGuiCol_FrameBg] = ImVec4(0.11f, 0.11f, 0.12f, 1);
  c[ImGuiCol_FrameBgHovered] = ImVec4(0.16f, 0.16f, 0.17f, 1);
  c[ImGuiCol_FrameBgActive] = ImVec4(0.2f, 0.2f, 0.22f, 1);
  c[ImGuiCol_Button] = ImVec4(0, 0, 0, 0);
  c[ImGuiCol_ButtonHovered] = ImVec4(1, 1, 1, 0.06f);
  c[ImGuiCol_ButtonActive] = ImVec4(1, 1, 1, 0.12f);
  c[ImGuiCol_Header] = ImVec4(1, 1, 1, 0.08f);
  c[ImGuiCol_HeaderHovered] = ImVec4(1, 1, 1, 0.1f);
  c[ImGuiCol_HeaderActive] = ImVec4(1, 1, 1, 0.14f);
  c[ImGuiCol_ScrollbarBg] = ImVec4(0, 0, 0, 0);
  c[ImGuiCol_ModalWindowDimBg] = ImGui::ColorConvertU32ToFloat4(ui_color::kDim);
  (void)scale;
}

}  // namespace

UiContext::UiContext(SDL_Window* window, float pixelScale, const std::filesystem::path& fontFile,
                     const std::filesystem::path& boldFontFile) {
  IMGUI_CHECKVERSION();
  context_ = ImGui::CreateContext();
  ImGuiIO& io = ImGui::GetIO();
  io.IniFilename = nullptr;  // the screens lay themselves out; nothing to remember
  io.LogFilename = nullptr;
  io.ConfigInputTextCursorBlink = true;

  // Fonts are rasterised in pixels and drawn in points, so text stays sharp on dense screens.
  const float scale = std::max(1.0f, pixelScale);
  fonts_.body = addFont(io, fontFile, kBodySize, scale);
  if (fonts_.body != nullptr) {
    fonts_.headline = addFont(io, boldFontFile, kHeadlineSize, scale);
    fonts_.small = addFont(io, fontFile, kSmallSize, scale);
    if (fonts_.headline == nullptr) fonts_.headline = fonts_.body;
    io.FontGlobalScale = 1.0f / scale;
  } else {
    ImFontConfig config;
    config.SizePixels = 13 * scale;
    fonts_.body = io.Fonts->AddFontDefault(&config);
    fonts_.headline = fonts_.small = fonts_.body;
    io.FontGlobalScale = 1.0f / scale;
  }
  io.FontDefault = fonts_.body;
  io.Fonts->GetTexDataAsRGBA32(&fontPixels_, &fontWidth_, &fontHeight_);
  io.Fonts->SetTexID(toImTexture(kFontTexture));
  applyStyle(scale);

  ImGui_ImplSDL2_InitForOpenGL(window, nullptr);
}

UiContext::~UiContext() {
  ImGui_ImplSDL2_Shutdown();
  ImGui::DestroyContext(context_);
}

void UiContext::processEvent(const SDL_Event& event) {
  // A flood of events the interface cannot keep up with drops the oldest motion first.
  if (queue_.size() > 512 && queue_.front().type == SDL_MOUSEMOTION) queue_.pop_front();
  queue_.push_back(event);
}

void UiContext::beginFrame() {
  bool changed = false;
  while (!queue_.empty()) {
    const SDL_Event e = queue_.front();
    const bool change = e.type == SDL_MOUSEBUTTONDOWN || e.type == SDL_MOUSEBUTTONUP ||
                        e.type == SDL_KEYDOWN || e.type == SDL_KEYUP;
    if (change && changed) break;  // the next change waits for the next frame
    queue_.pop_front();
    changed = changed || change;
    switch (e.type) {
      case SDL_MOUSEMOTION:
        mouse_ = ImVec2(float(e.motion.x), float(e.motion.y));
        break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
        mouse_ = ImVec2(float(e.button.x), float(e.button.y));
        if (e.button.button >= 1 && e.button.button <= 3) {
          // SDL numbers the buttons left, middle, right; ImGui left, right, middle.
          static constexpr int kImGuiButton[3] = {0, 2, 1};
          buttons_[kImGuiButton[e.button.button - 1]] = e.type == SDL_MOUSEBUTTONDOWN;
        }
        break;
      case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_LEAVE && !buttons_[0]) {
          mouse_ = ImVec2(-FLT_MAX, -FLT_MAX);
        }
        break;
      default:
        break;
    }
    ImGui_ImplSDL2_ProcessEvent(&e);
  }
  ImGui_ImplSDL2_NewFrame();
  // The backend polls the mouse as it is now; the interface follows the events instead.
  ImGuiIO& io = ImGui::GetIO();
  io.MousePos = mouse_;
  for (int b = 0; b < 3; ++b) io.MouseDown[b] = buttons_[b];
  ImGui::NewFrame();
}

void UiContext::endFrame(UiFrame& out) {
  ImGui::Render();
  copyDrawData(*ImGui::GetDrawData(), out);
}

bool UiContext::editingText() const { return ImGui::GetIO().WantTextInput; }

}  // namespace vora
