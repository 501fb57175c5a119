#include "core/midi/midi_handler.h"
#include "core/settings/keys.h"
#include "core/touch/image_names.h"
#include "core/touch/view_controller.h"

namespace vora {

void ViewController::modePressed() { toggleMode(); }

void ViewController::toggleMode() {
  SettingsManager& m = *manager_;
  if (m.mode == Mode::control) {
    m.mode = Mode::synth;
    // The lock belongs to control mode; synth mode always plays.
    locked = false;
    lockEnabled = false;
    elements.modeButton.image = image::modeSynth;
    m.defaults.setInteger(key::savedMode, 0);
  } else {
    m.mode = Mode::control;
    elements.modeButton.image = image::modeControl;
    m.defaults.setInteger(key::savedMode, 1);
  }
  updateCrosshairImages();
  updateControlVisibility();
}

void ViewController::pinPressed() {
  pinned = !pinned;
  if (pinned) {
    manager_->handler->sendPinOn();
    elements.pinButton.image = image::pinned;
  } else {
    manager_->handler->sendPinOff();
    elements.pinButton.image = image::unpinned;
  }
}

void ViewController::rightPressed() { manager_->handler->sendForward(); }

void ViewController::leftPressed() { manager_->handler->sendBackward(); }

void ViewController::lockEnablePressed() {
  lockEnabled = !lockEnabled;
  locked = lockEnabled;
  elements.lockEnableButton.image = lockEnabled ? image::lockClosed : image::lockOpen;
  elements.lockView.hidden = !lockEnabled;
}

void ViewController::updateControlVisibility() {
  MainScreenElements& e = elements;
  e.lockEnableButton.image = lockEnabled ? image::lockClosed : image::lockOpen;
  e.lockView.hidden = !lockEnabled;
  if (manager_->mode == Mode::control) {
    e.lockView.hidden = !locked;
    const bool arrows = manager_->showArrows();
    e.leftButton.hidden = !arrows;
    e.rightButton.hidden = !arrows;
    if (manager_->showLock()) {
      e.lockEnableButton.hidden = false;
    } else {
      // A hidden lock button could never be pressed again to unfreeze the pad.
      e.lockEnableButton.hidden = true;
      lockEnabled = false;
      locked = false;
      e.lockView.hidden = true;
    }
    e.modeButton.image = image::modeControl;
  } else {
    e.lockView.hidden = true;
    e.leftButton.hidden = true;
    e.rightButton.hidden = true;
    e.lockEnableButton.hidden = true;
    e.modeButton.image = image::modeSynth;
  }
  e.lockDown.hidden = true;
}

}  // namespace vora
