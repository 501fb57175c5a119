#include "adapters/imgui/form_kit.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "adapters/imgui/ui_context.h"
#include "adapters/imgui/ui_frame.h"

namespace vora::form {

namespace {

struct SectionState {
  ImVec2 start;
  float width = 0;
  int rows = 0;
};
// Sections do not nest; one is open at a time, on the main thread.
SectionState section;
ImFont* smallFont = nullptr;

ImFont* small() { return smallFont != nullptr ? smallFont : ImGui::GetFont(); }

}  // namespace

void useSmallFont(ImFont* font) { smallFont = font; }

float textWidth(std::string_view t, ImFont* font) {
  ImFont* f = font != nullptr ? font : ImGui::GetFont();
  const float size = f->FontSize * ImGui::GetIO().FontGlobalScale;
  return f->CalcTextSizeA(size, 1e9f, 0, t.data(), t.data() + t.size()).x;
}

void text(const Row& row, float x, std::string_view t, ImU32 color, ImFont* font) {
  ImFont* f = font != nullptr ? font : ImGui::GetFont();
  const float size = f->FontSize * ImGui::GetIO().FontGlobalScale;
  ImGui::GetWindowDrawList()->AddText(f, size, ImVec2(x, row.centerY() - size / 2), color, t.data(),
                                      t.data() + t.size());
}

void image(std::uintptr_t texture, ImVec2 c, float w, float h, float aspect) {
  if (texture == 0) return;
  float iw = w, ih = w / std::max(aspect, 0.01f);
  if (ih > h) {
    ih = h;
    iw = h * aspect;
  }
  ImGui::GetWindowDrawList()->AddImage(toImTexture(texture), ImVec2(c.x - iw / 2, c.y - ih / 2),
                                       ImVec2(c.x + iw / 2, c.y + ih / 2));
}

void beginSection(std::string_view header, std::uintptr_t img, float imageWidth) {
  ImGui::Dummy(ImVec2(0, 6));
  const ImVec2 pos = ImGui::GetCursorScreenPos();
  const float width = ImGui::GetContentRegionAvail().x;
  if (!header.empty()) {
    ImFont* font = small();
    const float size = font->FontSize * ImGui::GetIO().FontGlobalScale;
    const float h = std::max(size, imageWidth) + 6;
    std::string upper(header);
    for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    const float x = pos.x + kInset;
    ImGui::GetWindowDrawList()->AddText(font, size, ImVec2(x, pos.y + h - size - 2),
                                        ui_color::kSecondary, upper.c_str());
    if (img != 0) {
      const float after = x + textWidth(upper, font) + 6;
      image(img, ImVec2(after + imageWidth / 2, pos.y + h - size / 2 - 2), imageWidth, imageWidth,
            1);
    }
    ImGui::Dummy(ImVec2(width, h + 4));
  }
  section = SectionState{ImGui::GetCursorScreenPos(), width, 0};
  ImGui::GetWindowDrawList()->ChannelsSplit(2);
  ImGui::GetWindowDrawList()->ChannelsSetCurrent(1);
}

void endSection(std::string_view footer) {
  ImDrawList& dl = *ImGui::GetWindowDrawList();
  const ImVec2 end = ImGui::GetCursorScreenPos();
  dl.ChannelsSetCurrent(0);
  if (section.rows > 0) {
    dl.AddRectFilled(section.start, ImVec2(section.start.x + section.width, end.y),
                     ui_color::kGroup, 10);
  }
  dl.ChannelsMerge();
  if (!footer.empty()) {
    ImGui::Dummy(ImVec2(0, 2));
    ImGui::SetCursorPosX(ImGui::GetCursorPosX() + kInset);
    ImGui::PushFont(small());
    ImGui::PushStyleColor(ImGuiCol_Text, ImGui::ColorConvertU32ToFloat4(ui_color::kSecondary));
    ImGui::PushTextWrapPos(ImGui::GetCursorPosX() + section.width - 2 * kInset);
    ImGui::TextUnformatted(footer.data(), footer.data() + footer.size());
    ImGui::PopTextWrapPos();
    ImGui::PopStyleColor();
    ImGui::PopFont();
  }
  ImGui::Dummy(ImVec2(0, 10));
}

Row beginRow(float height) {
  const ImVec2 pos = ImGui::GetCursorScreenPos();
  Row row{pos, ImVec2(pos.x + section.width, pos.y + height)};
  if (section.rows > 0) {
    ImGui::GetWindowDrawList()->AddLine(ImVec2(pos.x + kInset, pos.y), ImVec2(row.max.x, pos.y),
                                        ui_color::kSeparator);
  }
  ++section.rows;
  return row;
}

void endRow(const Row& row) {
  ImGui::SetCursorScreenPos(row.min);
  ImGui::Dummy(ImVec2(row.max.x - row.min.x, row.max.y - row.min.y));
}

bool rowButton(const Row& row, const char* id) {
  const ImVec2 saved = ImGui::GetCursorScreenPos();
  ImGui::SetCursorScreenPos(row.min);
  const bool tapped =
      ImGui::InvisibleButton(id, ImVec2(row.max.x - row.min.x, row.max.y - row.min.y));
  if (ImGui::IsItemActive()) {
    ImGui::GetWindowDrawList()->AddRectFilled(row.min, row.max, IM_COL32(255, 255, 255, 24));
  }
  ImGui::SetCursorScreenPos(saved);
  return tapped;
}

bool toggle(const Row& row, const char* id, bool& value) {
  const float w = 51, h = 31;
  const ImVec2 a(row.max.x - kInset - w, row.centerY() - h / 2);
  ImGui::SetCursorScreenPos(a);
  const bool tapped = ImGui::InvisibleButton(id, ImVec2(w, h));
  if (tapped) value = !value;
  ImDrawList& dl = *ImGui::GetWindowDrawList();
  dl.AddRectFilled(a, ImVec2(a.x + w, a.y + h), value ? ui_color::kSwitchOn : ui_color::kSwitchOff,
                   h / 2);
  const float r = h / 2 - 2;
  const float cx = value ? a.x + w - h / 2 : a.x + h / 2;
  dl.AddCircleFilled(ImVec2(cx, a.y + h / 2), r, IM_COL32(255, 255, 255, 255), 24);
  return tapped;
}

}  // namespace vora::form
