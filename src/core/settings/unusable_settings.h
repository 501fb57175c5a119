#pragma once

#include <string>
#include <vector>

#include "core/platform/defaults_store.h"
#include "core/settings/types.h"

namespace vora {

/// One line saying which stored settings the loaders cannot use as they are and what is
/// used instead ("SavedOutput (\"2\": not an output number 0..5, Ableton is used)", ...),
/// or an empty string when every stored setting is usable. Keys the app does not know are
/// someone else's and never mentioned; the markers count by their presence alone.
std::string describeUnusableSettings(const DefaultsStore& store, const std::vector<Look>& looks);

}  // namespace vora
