#pragma once

#include <string_view>
#include <vector>

#include "core/settings/types.h"

namespace vora {

class SettingsManager;

/// The looks list as a model: the catalogue in order, which row is marked as selected, and
/// the tap that selects a look. Holds no state of its own. Main thread only.
class LookListView {
 public:
  explicit LookListView(SettingsManager& manager) : manager(manager) {}

  static constexpr std::string_view title = "Looks";

  /// The rows' looks, in catalogue order.
  const std::vector<Look>& looks() const;
  /// True when look is the selected look (same id); no row is marked while none is selected.
  bool isSelected(const Look& look) const;
  /// A tap on look's row: selects it (stored, "look changed" posted, name logged), even
  /// when it is already the selected look.
  void tap(const Look& look);
  /// The catalogue's look named name exactly, or nullptr.
  const Look* find(std::string_view name) const;

  SettingsManager& manager;
};

}  // namespace vora
