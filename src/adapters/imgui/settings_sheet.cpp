#include "adapters/imgui/settings_sheet.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string>
#include <type_traits>

#include "adapters/imgui/form_kit.h"
#include "adapters/imgui/image_library.h"
#include "core/settings/settings_manager.h"
#include "core/touch/view_controller.h"

namespace vora {

namespace {

constexpr float kFieldWidth = 77;
constexpr float kNavHeight = 52;
constexpr const char* kNotice = "Vora collects nothing: your settings stay on this computer.";

prefList prefOf(const PickerRow& row) {
  return std::visit(
      [](const auto& r) -> prefList {
        using T = std::decay_t<decltype(r)>;
        if constexpr (std::is_same_v<T, FormRowNotePicker>) {
          return prefList::synthNote;
        } else {
          return r.pref;
        }
      },
      row);
}

void writeNumber(char (&text)[16], int value) { std::snprintf(text, sizeof text, "%d", value); }

/// A sheet's window: fixed, undecorated, over the screen's centre.
void beginSheetWindow(const char* id, ImVec2 screen, ImVec2 size) {
  ImGui::SetNextWindowPos(ImVec2((screen.x - size.x) / 2, (screen.y - size.y) / 2));
  ImGui::SetNextWindowSize(size);
  ImGui::Begin(id, nullptr,
               ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                   ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoScrollWithMouse);
}

/// Drag-to-scroll for touch screens: ImGui scrolls only by wheel.
void dragScroll() {
  if (ImGui::IsWindowHovered() && ImGui::IsMouseDragging(ImGuiMouseButton_Left) &&
      !ImGui::IsAnyItemActive()) {
    ImGui::SetScrollY(ImGui::GetScrollY() - ImGui::GetIO().MouseDelta.y);
  }
}

/// A plain text button in the navigation bar; returns true on a tap.
bool navButton(const char* label, ImVec2 pos, ImFont* font, ImU32 color) {
  ImGui::SetCursorScreenPos(pos);
  ImGui::PushFont(font);
  ImGui::PushStyleColor(ImGuiCol_Text, ImGui::ColorConvertU32ToFloat4(color));
  const bool tapped = ImGui::Button(label);
  ImGui::PopStyleColor();
  ImGui::PopFont();
  return tapped;
}

void centredTitle(std::string_view title, float y, float x0, float width, ImFont* font) {
  const float w = form::textWidth(title, font);
  const float size = font->FontSize * ImGui::GetIO().FontGlobalScale;
  ImGui::GetWindowDrawList()->AddText(font, size, ImVec2(x0 + (width - w) / 2, y - size / 2),
                                      ui_color::kPrimary, title.data(),
                                      title.data() + title.size());
}

}  // namespace

SettingsSheet::SettingsSheet(SettingsManager& manager, const ImageLibrary& images,
                             const UiFonts& fonts, ShellHooks& shell)
    : manager_(manager), images_(images), fonts_(fonts), shell_(shell) {}

SettingsSheet::~SettingsSheet() { close(); }

void SettingsSheet::open() {
  if (view_) return;
  view_ = std::make_unique<SettingsView>(manager_);
  looks_.emplace(manager_);
  page_ = Page::settings;
  synthRows_ = view_->synthRows();
  controlRows_ = view_->controlRows();
  editing_ = -1;
  view_->onAppear();
}

void SettingsSheet::commitPending() {
  if (!view_ || editing_ < 0) return;
  PickerRow row = view_->row(static_cast<prefList>(editing_));
  const std::string_view text(fields_[static_cast<std::size_t>(editing_)].text);
  std::visit(
      [text](auto& r) {
        if (text != std::to_string(r.displayValue())) r.commit(text);
      },
      row);
  editing_ = -1;
}

void SettingsSheet::close() {
  if (!view_) return;
  commitPending();
  devices_.reset();
  view_->onDisappear();
  synthRows_.clear();
  controlRows_.clear();
  looks_.reset();
  view_.reset();
}

void SettingsSheet::draw(ImVec2 screen) {
  if (!view_) return;
  closeRequested_ = false;
  ImGui::GetBackgroundDrawList()->AddRectFilled(ImVec2(0, 0), screen, ui_color::kDim);

  const float margin = screen.y > 500 ? 24.0f : 8.0f;
  const ImVec2 size(std::min(screen.x - 2 * margin, 640.0f), screen.y - 2 * margin);
  beginSheetWindow("##settings", screen, size);
  drawNavigationBar(size.x);
  ImGui::BeginChild("##content", ImVec2(0, 0), false, ImGuiWindowFlags_NoScrollbar);
  dragScroll();
  ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(0, 0));
  if (page_ == Page::settings) {
    drawSettings();
  } else {
    drawLooks();
  }
  ImGui::PopStyleVar();
  ImGui::EndChild();
  ImGui::End();

  if (devices_) drawDevices(screen);
  if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Escape)) && !ImGui::GetIO().WantTextInput) {
    if (devices_) {
      devices_.reset();
      view_->bluetoothDismissed();
    } else if (page_ == Page::looks) {
      page_ = Page::settings;
    } else {
      closeRequested_ = true;
    }
  }
  if (closeRequested_) close();
}

void SettingsSheet::drawNavigationBar(float width) {
  const ImVec2 origin = ImGui::GetCursorScreenPos();
  const float y = origin.y + kNavHeight / 2 - 6;
  if (page_ == Page::settings) {
    // Close: the "xmark" symbol in a frame 50 points wide.
    ImGui::SetCursorScreenPos(ImVec2(origin.x - 8, y - 20));
    if (ImGui::InvisibleButton("##close", ImVec2(50, 40))) closeRequested_ = true;
    if (ImGui::IsItemActive()) {
      ImGui::GetWindowDrawList()->AddRectFilled(ImGui::GetItemRectMin(), ImGui::GetItemRectMax(),
                                                IM_COL32(255, 255, 255, 24), 8);
    }
    form::image(images_.texture("xmark"), ImVec2(origin.x + 17, y), 18, 18, 1);
    centredTitle(SettingsView::title, y, origin.x, width - 32, fonts_.headline);
  } else {
    if (navButton("\xe2\x80\xb9 Settings", ImVec2(origin.x - 8, y - 16), fonts_.body,
                  ui_color::kAccent)) {
      page_ = Page::settings;
    }
    centredTitle(LookListView::title, y, origin.x, width - 32, fonts_.headline);
  }
  // While a number is typed, "Done" ends the editing (and so commits it), as the keyboard's
  // accessory bar does on a phone.
  if (ImGui::GetIO().WantTextInput && !devices_) {
    const float w = form::textWidth("Done", fonts_.headline) + 16;
    // Pressing it takes the focus from the field, which ends the editing.
    navButton("Done", ImVec2(origin.x + width - 32 - w + 8, y - 16), fonts_.headline,
              ui_color::kAccent);
  }
  ImGui::SetCursorScreenPos(ImVec2(origin.x, origin.y + kNavHeight));
}

void SettingsSheet::drawSettings() {
  SettingsView& v = *view_;

  form::beginSection({});
  {
    form::Row row = form::beginRow();
    if (form::rowButton(row, "##look")) page_ = Page::looks;
    form::text(row, row.min.x + form::kInset, "Look", ui_color::kPrimary);
    const std::string caption = v.lookCaption();
    const float chevron = 14;
    form::text(row, row.max.x - form::kInset - chevron - form::textWidth(caption), caption,
               ui_color::kGray);
    form::text(row, row.max.x - form::kInset - chevron + 6, "\xe2\x80\xba", ui_color::kGray);
    form::endRow(row);
  }
  {
    form::Row row = form::beginRow();
    form::text(row, row.min.x + form::kInset, "Preset", ui_color::kPrimary);
    const std::string current(v.preset());
    const std::string shown = current + "  \xe2\x80\xba";
    if (form::rowButton(row, "##preset")) ImGui::OpenPopup("##presetMenu");
    form::text(row, row.max.x - form::kInset - form::textWidth(shown), shown, ui_color::kGray);
    if (ImGui::BeginPopup("##presetMenu")) {
      for (std::string_view name : outputNames) {
        const std::string label(name);
        if (ImGui::Selectable(label.c_str(), name == current, 0, ImVec2(180, 32))) {
          v.setPreset(name);
        }
      }
      ImGui::EndPopup();
    }
    form::endRow(row);
  }
  {
    form::Row row = form::beginRow();
    form::text(row, row.min.x + form::kInset, SettingsView::behaviorCaption, ui_color::kPrimary);
    // A segmented picker 222 points wide.
    const float w = 222, h = 30;
    const ImVec2 a(row.max.x - form::kInset - w, row.centerY() - h / 2);
    ImDrawList& dl = *ImGui::GetWindowDrawList();
    dl.AddRectFilled(a, ImVec2(a.x + w, a.y + h), IM_COL32(118, 118, 128, 60), 8);
    for (std::size_t i = 0; i < noteBehaviorNames.size(); ++i) {
      const std::string_view name = noteBehaviorNames[i];
      const ImVec2 s(a.x + w / 2 * float(i), a.y);
      ImGui::SetCursorScreenPos(s);
      ImGui::PushID(static_cast<int>(i));
      if (ImGui::InvisibleButton("##segment", ImVec2(w / 2, h))) v.setBehavior(name);
      ImGui::PopID();
      if (v.behavior() == name) {
        dl.AddRectFilled(ImVec2(s.x + 2, s.y + 2), ImVec2(s.x + w / 2 - 2, s.y + h - 2),
                         IM_COL32(99, 99, 102, 255), 7);
      }
      const float tw = form::textWidth(name);
      form::text(row, s.x + (w / 2 - tw) / 2, name, ui_color::kPrimary);
    }
    form::endRow(row);
  }
  {
    form::Row row = form::beginRow();
    if (form::rowButton(row, "##bluetooth")) {
      v.bluetoothPressed();
      devices_ = std::make_unique<MidiDevicesView>(manager_);
    }
    form::text(row, row.min.x + form::kInset, SettingsView::bluetoothTitle, ui_color::kAccent);
    form::endRow(row);
  }
  form::endSection(SettingsView::firstFooter);

  form::beginSection("Synth Mode", images_.texture("sine"), 20);
  for (std::size_t i = 0; i < synthRows_.size(); ++i) drawPickerRow(synthRows_[i], int(i));
  form::endSection(SettingsView::rowsFooter);

  form::beginSection("Control Mode", images_.texture("Group"), 15);
  for (std::size_t i = 0; i < controlRows_.size(); ++i) drawPickerRow(controlRows_[i], int(i));
  form::endSection(SettingsView::rowsFooter);

  form::beginSection("Interface");
  {
    form::Row row = form::beginRow();
    form::text(row, row.min.x + form::kInset, "Arrows", ui_color::kPrimary);
    bool on = v.arrows();
    if (form::toggle(row, "##arrows", on)) v.setArrows(on);
    form::endRow(row);
  }
  {
    form::Row row = form::beginRow();
    form::text(row, row.min.x + form::kInset, "Lock", ui_color::kPrimary);
    bool on = v.lock();
    if (form::toggle(row, "##lock", on)) v.setLock(on);
    form::endRow(row);
  }
  form::endSection();

  form::beginSection("Links");
  for (const LinkRow& link : SettingsView::links()) {
    form::Row row = form::beginRow();
    const std::string id = "##link" + std::string(link.title);
    if (form::rowButton(row, id.c_str())) shell_.openUrl(link.url);
    form::image(images_.texture(link.symbol), ImVec2(row.min.x + form::kInset + 10, row.centerY()),
                20, 20, 1);
    form::text(row, row.min.x + form::kInset + 32, link.title, ui_color::kPrimary, fonts_.headline);
    form::endRow(row);
  }
  form::endSection();

  form::beginSection("About");
  {
    form::Row row = form::beginRow();
    form::text(row, row.min.x + form::kInset, "Version", ui_color::kSecondary);
    const std::string_view version = SettingsView::versionText();
    form::text(row, row.max.x - form::kInset - form::textWidth(version), version,
               ui_color::kSecondary);
    form::endRow(row);
  }
  form::endSection(kNotice);
}

void SettingsSheet::drawPickerRow(PickerRow& pickerRow, int index) {
  const prefList pref = prefOf(pickerRow);
  const auto slot = static_cast<std::size_t>(raw(pref));
  Field& field = fields_[slot];
  form::Row row = form::beginRow();
  ImGui::PushID(raw(pref));

  std::visit(
      [&](auto& r) {
        using T = std::decay_t<decltype(r)>;
        constexpr bool hasTest = !std::is_same_v<T, FormRowChannelPicker>;
        const float fieldX = row.max.x - form::kInset - kFieldWidth;
        const float captionX = row.min.x + form::kInset;
        form::text(row, captionX, r.label, ui_color::kPrimary);

        if constexpr (hasTest) {
          // "Test" sits midway between the 77-point caption frame and the field.
          const float tw = form::textWidth("Test") + 20;
          const float th = 30;
          const float left = captionX + kFieldWidth;
          const float x = left + (fieldX - left - tw) / 2;
          const ImVec2 a(x, row.centerY() - th / 2);
          ImGui::SetCursorScreenPos(a);
          if (ImGui::InvisibleButton("##test", ImVec2(tw, th))) r.test();
          ImDrawList& dl = *ImGui::GetWindowDrawList();
          if (ImGui::IsItemActive()) {
            dl.AddRectFilled(a, ImVec2(a.x + tw, a.y + th), IM_COL32(255, 255, 255, 30), 4);
          }
          dl.AddRect(a, ImVec2(a.x + tw, a.y + th), ui_color::kGray, 4, 0, 1);
          form::text(row, x + 10, "Test", ui_color::kSecondary);
        }

        // The number field: committed when editing ends (Enter, focus leaving, "Done").
        const bool wasEditing = editing_ == raw(pref);
        if (!wasEditing) writeNumber(field.text, r.displayValue());
        const float textW = form::textWidth(field.text);
        const float pad = std::max(4.0f, (kFieldWidth - textW) / 2);
        ImGui::SetCursorScreenPos(ImVec2(fieldX, row.centerY() - 15));
        ImGui::SetNextItemWidth(kFieldWidth);
        ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, ImVec2(pad, 6));
        ImGui::PushStyleVar(ImGuiStyleVar_FrameBorderSize, 1);
        ImGui::PushStyleColor(ImGuiCol_Border,
                              ImGui::ColorConvertU32ToFloat4(ui_color::kSecondary));
        ImGui::InputTextWithHint(
            "##number", T::placeholder.data(), field.text, sizeof field.text,
            ImGuiInputTextFlags_CharsDecimal | ImGuiInputTextFlags_AutoSelectAll);
        ImGui::PopStyleColor();
        ImGui::PopStyleVar(2);
        if (ImGui::IsItemActive()) {
          editing_ = raw(pref);
        } else if (wasEditing) {
          editing_ = -1;
          // Clicking in and out without a change stores nothing.
          if (std::string_view(field.text) != std::to_string(r.displayValue())) {
            r.commit(std::string_view(field.text));
          }
          writeNumber(field.text, r.displayValue());
        }
      },
      pickerRow);

  ImGui::PopID();
  form::endRow(row);
  (void)index;
}

void SettingsSheet::drawLooks() {
  LookListView& list = *looks_;
  const float width = ImGui::GetContentRegionAvail().x;
  ImDrawList& dl = *ImGui::GetWindowDrawList();
  for (const Look& look : list.looks()) {
    const bool selected = list.isSelected(look);
    const ImVec2 a = ImGui::GetCursorScreenPos();
    const float h = 60 + 2 * 5;
    const ImVec2 b(a.x + width, a.y + h);
    ImGui::PushID(look.id.c_str());
    if (ImGui::InvisibleButton("##look", ImVec2(width, h))) list.tap(look);
    ImGui::PopID();
    if (selected) dl.AddRectFilled(a, b, IM_COL32(128, 128, 128, 26));
    // The selection bar: white for the selected look, clear otherwise.
    if (selected)
      dl.AddRectFilled(ImVec2(a.x + 5, a.y + 5), ImVec2(a.x + 10, b.y - 5),
                       IM_COL32(255, 255, 255, 255));
    const float nameX = a.x + 5 + 5 + 10 + 8;
    const float size = fonts_.headline->FontSize * ImGui::GetIO().FontGlobalScale;
    dl.AddText(fonts_.headline, size, ImVec2(nameX, (a.y + b.y) / 2 - size / 2), ui_color::kPrimary,
               look.name.c_str());
    // The preview fills what is left beside the 200-point name frame, 60 points high,
    // scaled to fill and clipped to a rounded rectangle.
    const ImVec2 pa(a.x + 5 + 5 + 10 + 200, a.y + 5);
    const ImVec2 pb(b.x - 5, b.y - 5);
    const std::uintptr_t texture = images_.texture(look.previewImage);
    if (const ImageData* img = images_.image(texture); img != nullptr && pb.x > pa.x) {
      const float boxAspect = (pb.x - pa.x) / (pb.y - pa.y);
      const float imgAspect = float(img->width) / float(std::max(img->height, 1));
      ImVec2 uv0(0, 0), uv1(1, 1);
      if (imgAspect > boxAspect) {
        const float f = boxAspect / imgAspect;
        uv0.x = (1 - f) / 2;
        uv1.x = 1 - uv0.x;
      } else {
        const float f = imgAspect / boxAspect;
        uv0.y = (1 - f) / 2;
        uv1.y = 1 - uv0.y;
      }
      dl.AddImageRounded(toImTexture(texture), pa, pb, uv0, uv1, IM_COL32_WHITE, 6);
    } else if (pb.x > pa.x) {
      dl.AddRectFilled(pa, pb, IM_COL32(60, 60, 64, 255), 6);
    }
    dl.AddLine(ImVec2(a.x, b.y), ImVec2(b.x, b.y), ui_color::kSeparator);
  }
}

void SettingsSheet::drawDevices(ImVec2 screen) {
  MidiDevicesView& d = *devices_;
  const ImVec2 size(std::min(screen.x - 64, 520.0f), std::min(screen.y - 64, 520.0f));
  ImGui::SetNextWindowFocus();
  beginSheetWindow("##devices", screen, size);
  const ImVec2 origin = ImGui::GetCursorScreenPos();
  const float y = origin.y + kNavHeight / 2 - 6;
  bool done = false;
  // "Done" at the leading end, as on the phone's pairing screen.
  if (navButton(MidiDevicesView::doneTitle.data(), ImVec2(origin.x - 8, y - 16), fonts_.headline,
                ui_color::kAccent)) {
    done = true;
  }
  centredTitle(MidiDevicesView::title, y, origin.x, size.x - 32, fonts_.headline);
  const float rw = form::textWidth(MidiDevicesView::rescanTitle) + 16;
  if (navButton(MidiDevicesView::rescanTitle.data(),
                ImVec2(origin.x + size.x - 32 - rw + 8, y - 16), fonts_.body, ui_color::kAccent)) {
    d.rescan();
  }
  ImGui::SetCursorScreenPos(ImVec2(origin.x, origin.y + kNavHeight));
  ImGui::BeginChild("##deviceList", ImVec2(0, 0), false, ImGuiWindowFlags_NoScrollbar);
  dragScroll();
  ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(0, 0));
  auto list = [](std::string_view header, const std::vector<std::string>& names,
                 std::string_view footer) {
    form::beginSection(header);
    if (names.empty()) {
      form::Row row = form::beginRow();
      form::text(row, row.min.x + form::kInset, MidiDevicesView::noneText, ui_color::kGray);
      form::endRow(row);
    }
    for (const std::string& name : names) {
      form::Row row = form::beginRow();
      form::text(row, row.min.x + form::kInset, name, ui_color::kPrimary);
      form::endRow(row);
    }
    form::endSection(footer);
  };
  list(MidiDevicesView::destinationsHeader, d.destinations, {});
  list(MidiDevicesView::sourcesHeader, d.sources, MidiDevicesView::pairingNote);
  ImGui::PopStyleVar();
  ImGui::EndChild();
  ImGui::End();
  if (done) {
    devices_.reset();
    view_->bluetoothDismissed();
  }
}

}  // namespace vora
