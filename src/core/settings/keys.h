#pragma once

#include <string_view>

namespace vora {

/// Names of the broadcast notifications.
namespace notification {
inline constexpr std::string_view lookChanged = "look changed";
inline constexpr std::string_view xRecieved = "x recieved";
inline constexpr std::string_view yRecieved = "y recieved";
inline constexpr std::string_view zRecieved = "z recieved";
inline constexpr std::string_view arrowsShown = "arrows shown";
inline constexpr std::string_view lockShown = "lock shown";
}  // namespace notification

/// Keys of the user-defaults store.
namespace key {
inline constexpr std::string_view savedOutput = "SavedOutput";
inline constexpr std::string_view savedMode = "SavedMode";
inline constexpr std::string_view savedSensitivity = "SavedSensitivity";
inline constexpr std::string_view pulseGateEnabled = "PulseGateEnabled";
inline constexpr std::string_view selectedLookName = "selectedLookName";
inline constexpr std::string_view noteBehavior = "noteBehavior";
inline constexpr std::string_view showArrows = "showArrows";
inline constexpr std::string_view showLock = "showLock";
inline constexpr std::string_view firstOpen = "FirstOpen";
inline constexpr std::string_view newAbletonPrefs = "NewAbletonPrefs";
inline constexpr std::string_view introduceSpeed = "IntroduceSpeed";
inline constexpr std::string_view launchCount = "LaunchCount";
}  // namespace key

}  // namespace vora
