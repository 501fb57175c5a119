#pragma once

#include <imgui.h>

#include <optional>

#include "adapters/imgui/ui_context.h"
#include "core/touch/view_controller.h"

namespace vora {

/// Presents the controller's alerts as a centred modal card: title, message, and its buttons
/// side by side, the cancelling one first and the default one in bold, as a phone does.
/// Main thread only.
class AlertPresenter {
 public:
  explicit AlertPresenter(const UiFonts& fonts) : fonts_(fonts) {}

  void present(Alert alert) { alert_ = std::move(alert); }
  bool isPresented() const { return alert_.has_value(); }
  /// Draws the alert over a screen of size points. Returns the index (in Alert::buttons) of the
  /// button tapped this frame; the alert is then dismissed.
  std::optional<std::size_t> draw(ImVec2 screen);

 private:
  UiFonts fonts_;
  std::optional<Alert> alert_;
};

}  // namespace vora
