#pragma once

#include <imgui.h>

#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "adapters/imgui/ui_context.h"
#include "core/settings_ui/look_list_view.h"
#include "core/settings_ui/midi_devices_view.h"
#include "core/settings_ui/settings_view.h"

namespace vora {

class ImageLibrary;
class ShellHooks;
class SettingsManager;

/// The settings screen drawn as a sheet over the pad, with the looks list pushed inside it
/// and the MIDI devices sheet over it. Each opening builds a fresh SettingsView; the look
/// pauses while the sheet shows. Main thread only.
class SettingsSheet {
 public:
  SettingsSheet(SettingsManager& manager, const ImageLibrary& images, const UiFonts& fonts,
                ShellHooks& shell);
  ~SettingsSheet();

  bool isOpen() const { return view_ != nullptr; }
  /// Shows the sheet (does nothing when it already shows).
  void open();
  /// Hides it. A number still being typed is committed first: closing loses nothing.
  void close();
  /// Draws the sheet, when open, over a screen of size points.
  void draw(ImVec2 screen);

  /// What shows, for tests and screenshots.
  bool showsLooks() const { return page_ == Page::looks; }
  bool showsDevices() const { return devices_ != nullptr; }
  SettingsView* view() { return view_.get(); }

 private:
  enum class Page { settings, looks };
  struct Field {
    char text[16] = {};
  };

  void drawNavigationBar(float width);
  void drawSettings();
  void drawLooks();
  void drawDevices(ImVec2 screen);
  void drawPickerRow(PickerRow& row, int index);
  void commitPending();

  SettingsManager& manager_;
  const ImageLibrary& images_;
  UiFonts fonts_;
  ShellHooks& shell_;
  std::unique_ptr<SettingsView> view_;
  std::optional<LookListView> looks_;
  std::unique_ptr<MidiDevicesView> devices_;
  Page page_ = Page::settings;
  std::vector<PickerRow> synthRows_, controlRows_;
  std::array<Field, 12> fields_{};  // by prefList raw value
  int editing_ = -1;                // the field being typed in, by prefList raw value
  bool closeRequested_ = false;
};

}  // namespace vora
