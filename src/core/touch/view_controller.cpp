#include "core/touch/view_controller.h"

#include <initializer_list>

#include "core/midi/midi_handler.h"
#include "core/settings/keys.h"
#include "core/touch/image_names.h"

namespace vora {

namespace {

constexpr bool isWebAddress(std::string_view address) {
  constexpr std::string_view scheme = "https://";
  return address.starts_with(scheme) && address.size() > scheme.size() &&
         address.find(' ') == std::string_view::npos;
}
static_assert(isWebAddress(kSetupInstructionsUrl), "the setup page must be a web address");

}  // namespace

ViewController::ViewController(Services services, DeviceTraits traits, ShellHooks& shell)
    : services_(services),
      traits_(traits),
      shell_(shell),
      manager_(std::make_unique<SettingsManager>(services)),
      controlDataTimer(services.runLoop) {
  // Room for every finger up front: accepting a touch never allocates.
  touchArray.reserve(kMaxTouches);
  elements.pinButton.image = image::unpinned;
  elements.lockEnableButton.image = image::lockOpen;
}

ViewController::~ViewController() {
  if (!loaded_) return;
  for (auto token : observers_) services_.notifications.removeObserver(token);
}

void ViewController::viewDidLoad() {
  if (loaded_) return;  // a second load would register every observer twice
  loaded_ = true;
  shell_.disableIdleTimer();
  touchPadView.manager = manager_.get();
  touchPadView.touchScene->manager = manager_.get();

  // Incoming values are announced on the MIDI receiving thread; painting hops to the main
  // thread before it reads anything.
  auto& center = services_.notifications;
  observers_ = {
      center.addObserver(notification::lookChanged,
                         [this] { touchPadView.touchScene->reloadLook(); }),
      center.addObserver(notification::xRecieved,
                         [this] { services_.runLoop.post([this] { paintXin(); }); }),
      center.addObserver(notification::yRecieved,
                         [this] { services_.runLoop.post([this] { paintYin(); }); }),
      center.addObserver(notification::zRecieved,
                         [this] { services_.runLoop.post([this] { paintZin(); }); }),
      center.addObserver(notification::arrowsShown, [this] { updateControlVisibility(); }),
      center.addObserver(notification::lockShown, [this] { updateControlVisibility(); }),
  };

  detectPlatform();
  updateCrosshairImages();
  updateControlVisibility();
  elements.verticalLine.opacity = 0.6;
  elements.horizontalLine.opacity = 0.6;
  controlDataTimer.updateCallback = [this](double speed, double gate) {
    handleControlData(speed, gate);
  };
}

void ViewController::viewWillAppear() {
  services_.log.console("appear");
  touchPadView.touchScene->setPaused(false);
}

void ViewController::viewWillDisappear() {
  services_.log.console("disapear");
  touchPadView.touchScene->setPaused(true);
}

void ViewController::viewDidAppear() {
  width = elements.touchArea.size.width;
  height = elements.touchArea.size.height;
  if (manager_->firstOpen) {
    pendingAlert = Alert{"Welcome", "Let's get set up", {"Setup Instructions", "Dismiss"}};
    manager_->firstOpen = false;
  }
  if (manager_->showRatingAlert) shell_.requestReview();
}

void ViewController::openSetupInstructions() { shell_.openUrl(kSetupInstructionsUrl); }

void ViewController::detectPlatform() {
  SettingsManager& m = *manager_;
  switch (traits_.idiom) {
    case DeviceIdiom::tablet:
      m.platform = Platform::ipad;
      m.isForceTouchDevice = true;
      break;
    case DeviceIdiom::phone:
      m.platform = traits_.forceTouchAvailable ? Platform::iphone_3d : Platform::iphone_2d;
      m.isForceTouchDevice = traits_.forceTouchAvailable;
      break;
    case DeviceIdiom::other:
      m.platform = Platform::unknown;
      break;
  }
}

void ViewController::updateCrosshairImages() {
  const bool control = manager_->mode == Mode::control;
  elements.horizontalLine.image = control ? image::horizontalControl : image::horizontalSynth;
  elements.verticalLine.image = control ? image::verticalControl : image::verticalSynth;
}

void ViewController::handleControlData(double speed, double gate) {
  const bool control = manager_->mode == Mode::control;
  manager_->handler->sendValue(control ? prefList::controlSpeed : prefList::synthSpeed, speed);
  touchPadView.touchScene->setSpeed(speed);
  touchPadView.touchScene->setGate(gate);
}

// The crosshair shows the connected software's values only in control mode and only while
// no finger is on the pad; a finger is shown by the scene instead.

void ViewController::paintXin() {
  if (manager_->mode != Mode::control || padIsTouched) return;
  const double x = manager_->xIn.load() * width;
  for (Element* e : {&elements.verticalLine, &elements.horizontalLine, &elements.target}) {
    e->center.x = x;
  }
}

void ViewController::paintYin() {
  if (manager_->mode != Mode::control || padIsTouched) return;
  const double y = height * (1 - manager_->yIn.load());
  for (Element* e : {&elements.verticalLine, &elements.horizontalLine, &elements.target}) {
    e->center.y = y;
  }
}

void ViewController::paintZin() {
  if (manager_->mode != Mode::control || padIsTouched) return;
  const double side = manager_->zIn.load() * 200;
  elements.target.size = {side, side};
  elements.target.center = {manager_->xIn.load() * width, height * (1 - manager_->yIn.load())};
}

}  // namespace vora
