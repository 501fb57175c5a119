#pragma once

#include <string_view>

namespace vora::image {

// Image resources of the main screen, chosen by name; the window loads the files.
inline constexpr std::string_view modeControl = "mode_on";
inline constexpr std::string_view modeSynth = "sine_on";
inline constexpr std::string_view pinned = "thumbtackon";
inline constexpr std::string_view unpinned = "thumbtack";
inline constexpr std::string_view lockClosed = "lock icon";
inline constexpr std::string_view lockOpen = "openlock";
inline constexpr std::string_view horizontalControl = "horizontal_blu";
inline constexpr std::string_view verticalControl = "vertical_blu";
inline constexpr std::string_view horizontalSynth = "horizontal_pink";
inline constexpr std::string_view verticalSynth = "vertical_pink";

}  // namespace vora::image
