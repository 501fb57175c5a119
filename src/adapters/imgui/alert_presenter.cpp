#include "adapters/imgui/alert_presenter.h"

#include <algorithm>

#include "adapters/imgui/form_kit.h"

namespace vora {

std::optional<std::size_t> AlertPresenter::draw(ImVec2 screen) {
  if (!alert_) return std::nullopt;
  ImGui::GetBackgroundDrawList()->AddRectFilled(ImVec2(0, 0), screen, ui_color::kDim);
  // Wide enough for every button side by side, as a phone's alert is for two short labels.
  float width = 300;
  for (const std::string& label : alert_->buttons) {
    width = std::max(
        width, float(alert_->buttons.size()) * (form::textWidth(label, fonts_.headline) + 32));
  }
  const float buttonHeight = 46;
  ImGui::SetNextWindowPos(ImVec2(screen.x / 2, screen.y / 2), ImGuiCond_Always, ImVec2(0.5f, 0.5f));
  ImGui::SetNextWindowSize(ImVec2(width, 0));
  ImGui::SetNextWindowFocus();
  ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(0, 0));
  ImGui::PushStyleColor(ImGuiCol_WindowBg, ImVec4(0.17f, 0.17f, 0.18f, 0.97f));
  ImGui::Begin("##alert", nullptr,
               ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                   ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_AlwaysAutoResize);
  auto centred = [width](const std::string& text, ImFont* font) {
    ImGui::PushFont(font);
    ImGui::PushTextWrapPos(width - 16);
    const float w =
        std::min(ImGui::CalcTextSize(text.c_str(), nullptr, false, width - 32).x, width - 32);
    ImGui::SetCursorPosX((width - w) / 2);
    ImGui::TextWrapped("%s", text.c_str());
    ImGui::PopTextWrapPos();
    ImGui::PopFont();
  };
  ImGui::Dummy(ImVec2(0, 12));
  centred(alert_->title, fonts_.headline);
  centred(alert_->message, fonts_.body);
  ImGui::Dummy(ImVec2(0, 6));

  std::optional<std::size_t> chosen;
  const std::size_t n = alert_->buttons.size();
  const ImVec2 top = ImGui::GetCursorScreenPos();
  ImDrawList& dl = *ImGui::GetWindowDrawList();
  dl.AddLine(ImVec2(top.x, top.y), ImVec2(top.x + width, top.y), ui_color::kSeparator);
  const float bw = n > 0 ? width / float(n) : width;
  for (std::size_t slot = 0; slot < n; ++slot) {
    // The cancelling button (the last) comes first; the default button (the first) is bold.
    const std::size_t index = n == 2 ? (slot == 0 ? 1 : 0) : slot;
    const std::string& label = alert_->buttons[index];
    const ImVec2 a(top.x + bw * float(slot), top.y);
    ImGui::SetCursorScreenPos(a);
    ImGui::PushID(static_cast<int>(index));
    if (ImGui::InvisibleButton("##button", ImVec2(bw, buttonHeight))) chosen = index;
    const bool held = ImGui::IsItemActive();
    ImGui::PopID();
    if (held)
      dl.AddRectFilled(a, ImVec2(a.x + bw, a.y + buttonHeight), IM_COL32(255, 255, 255, 20));
    if (slot > 0) dl.AddLine(a, ImVec2(a.x, a.y + buttonHeight), ui_color::kSeparator);
    ImFont* font = index == 0 ? fonts_.headline : fonts_.body;
    const float size = font->FontSize * ImGui::GetIO().FontGlobalScale;
    const float tw = form::textWidth(label, font);
    dl.AddText(font, size, ImVec2(a.x + (bw - tw) / 2, a.y + (buttonHeight - size) / 2),
               ui_color::kAccent, label.c_str());
  }
  ImGui::SetCursorScreenPos(ImVec2(top.x, top.y));
  ImGui::Dummy(ImVec2(width, buttonHeight));
  ImGui::End();
  ImGui::PopStyleColor();
  ImGui::PopStyleVar();
  if (chosen) alert_.reset();
  return chosen;
}

}  // namespace vora
