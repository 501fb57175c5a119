#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform/services.h"
#include "core/scene/touch_pad_view.h"
#include "core/settings/settings_manager.h"
#include "core/touch/control_data_timer.h"
#include "core/touch/touch.h"

namespace vora {

/// The page the welcome's "Setup Instructions" button opens.
inline constexpr std::string_view kSetupInstructionsUrl = "https://vora.app/docs/setup";

/// The device class the main screen detects when it loads.
enum class DeviceIdiom { phone, tablet, other };
struct DeviceTraits {
  DeviceIdiom idiom = DeviceIdiom::phone;
  bool forceTouchAvailable = false;  ///< the view reports force capability as available
};

/// What the desktop cannot do like a phone, and the window does for the controller.
class ShellHooks {
 public:
  virtual ~ShellHooks() = default;
  /// Opens a web address with the system (browser).
  virtual void openUrl(std::string_view url) = 0;
  /// Asks the platform for a store rating prompt; a desktop does nothing.
  virtual void requestReview() = 0;
  /// Keeps the screen from dimming while the app runs.
  virtual void disableIdleTimer() = 0;
};

/// One on-screen element as the window will draw it. Centres and sizes in pad points.
struct Element {
  bool hidden = false;
  std::string image;  ///< image resource name, for image views and buttons
  Point center;
  Size size;
  double opacity = 1.0;
};

/// The main screen's elements, held as a plain model that a window draws.
struct MainScreenElements {
  Element touchArea;  ///< its size is the pad size
  Element verticalLine, horizontalLine, target;
  Element lockView, lockDown, lockUp;
  Element settingsButton, modeButton, pinButton, rightButton, leftButton, lockEnableButton;
};

/// A platform alert the controller asks the window to present.
struct Alert {
  std::string title;
  std::string message;
  std::vector<std::string> buttons;  ///< the first is the default action, the last cancels
};

/// The main screen's controller: creates the settings object, the pad view and the
/// sampler; turns touches into control values and MIDI; runs the buttons, the lock and the
/// crosshair. Main thread only.
class ViewController {
  // Declared first: the settings object is created before the pad view and the sampler.
  Services services_;
  DeviceTraits traits_;
  ShellHooks& shell_;
  std::unique_ptr<SettingsManager> manager_;

 public:
  /// Creation: the settings object (and with it the MIDI handler), the pad view and its
  /// scene, then the sampler, which starts ticking at once.
  ViewController(Services services, DeviceTraits traits, ShellHooks& shell);
  /// Stops the notifications. The sampler's timer and queued tasks hold the controller,
  /// so the run loop must not run them after it is gone.
  ~ViewController();
  ViewController(const ViewController&) = delete;
  ViewController& operator=(const ViewController&) = delete;

  // Life cycle.
  void viewDidLoad();
  void viewWillAppear();
  void viewDidAppear();
  void viewWillDisappear();

  // Touches, with the set's touches in the platform's order.
  void touchesBegan(TouchSet touches);
  void touchesMoved(TouchSet touches);
  void touchesEnded(TouchSet touches);
  void touchesCancelled(TouchSet touches);

  // Button actions.
  void modePressed();
  void pinPressed();
  void rightPressed();
  void leftPressed();
  void lockEnablePressed();

  /// The welcome's "Setup Instructions" action: opens the setup page.
  void openSetupInstructions();

  // Steps the life cycle, the buttons and the notifications run; public for the shell.
  /// Writes the settings object's platform and isForceTouchDevice from the device traits.
  void detectPlatform();
  /// The crosshair line images of the current mode.
  void updateCrosshairImages();
  /// Which buttons and lock views are shown, from the mode, the lock and the display switches.
  void updateControlVisibility();
  /// Switches between control and synth mode and stores the choice.
  void toggleMode();
  /// The sampler's callback: shaped speed 0..1 to MIDI and the scene, smoothed gate 0..1 to
  /// the scene.
  void handleControlData(double speed, double gate);

  /// Fingers counted on the pad at once; a further finger is ignored until one lifts.
  /// More than any touch screen reports, and touchArray never grows past it.
  static constexpr std::size_t kMaxTouches = 64;
  /// The alert the window should present now, if any; the window clears it when shown.
  std::optional<Alert> pendingAlert;

  SettingsManager& manager() { return *manager_; }
  const SettingsManager& manager() const { return *manager_; }

  // Touch state.
  std::vector<TouchRef> touchArray;
  TouchRef activeTouch;
  TouchRef slideTouch;
  bool padIsTouched = false;
  bool moveOnEndFlag = false;
  bool locked = false;
  bool lockEnabled = false;
  bool pinned = false;
  double xPos = 0, yPos = 0, zPos = 0;
  double width = 0, height = 0;

  TouchPadView touchPadView;
  ControlDataTimer controlDataTimer;
  MainScreenElements elements;

 private:
  bool countsAtBeganOrEnded(const TouchRef& touch) const;
  bool countsWhenMoved(const TouchRef& touch) const;
  bool isForceCapable(const Touch& touch) const;
  void computeXPos(const Touch& touch);
  void computeYPos(const Touch& touch);
  void computeZPos(const Touch& touch);
  void updateTouchPoint(const Touch& touch);
  void acceptTouch(const TouchRef& touch);
  void lockViewDown();
  void lockViewUp();
  void paintXin();
  void paintYin();
  void paintZin();

  std::array<NotificationCenter::Token, 6> observers_{};
  bool loaded_ = false;
  /// Counts the gate closings of a lifted last finger; a retrigger's late gate-on that
  /// sees it changed stays silent.
  std::uint64_t gateCloses_ = 0;
};

}  // namespace vora
