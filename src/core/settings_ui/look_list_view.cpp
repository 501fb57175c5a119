#include "core/settings_ui/look_list_view.h"

#include "core/settings/settings_manager.h"

namespace vora {

const std::vector<Look>& LookListView::looks() const { return manager.looks(); }

bool LookListView::isSelected(const Look& look) const {
  const auto& selected = manager.selectedLook();
  return selected && selected->id == look.id;
}

void LookListView::tap(const Look& look) { manager.selectLook(look); }

const Look* LookListView::find(std::string_view name) const {
  for (const auto& look : manager.looks()) {
    if (look.name == name) return &look;
  }
  return nullptr;
}

}  // namespace vora
