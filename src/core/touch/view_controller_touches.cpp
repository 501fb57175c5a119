#include <algorithm>
#include <array>
#include <chrono>

#include "core/midi/midi_handler.h"
#include "core/touch/image_names.h"
#include "core/touch/view_controller.h"

namespace vora {

namespace {

/// A gate restarted by a further finger opens again this much later, so that the receiver
/// sees the closing and a fresh attack.
constexpr std::chrono::milliseconds kRetriggerDelay{3};

constexpr std::string_view kGateOn = "GATE ON";
constexpr std::string_view kGateOff = "GATE OFF";
constexpr std::string_view kNoteOn = "NOTE ON";
constexpr std::string_view kNoteOff = "NOTE OFF";
constexpr std::string_view kSlide = "slide";
constexpr std::string_view kLockDown = "lock down";
constexpr std::string_view kLockUp = "lock up";

/// location clamped to 0..extent, as a fraction of extent. Before the screen first appears
/// the pad has no size: every point then lies on the pad's origin, never NaN.
double fraction(double location, double extent) {
  if (!(extent > 0)) return 0;
  return std::min(extent, std::max(0.0, location)) / extent;
}

/// location clamped to 0..extent, in points (NaN goes to 0).
double clampToPad(double location, double extent) {
  return std::min(std::max(0.0, extent), std::max(0.0, location));
}

}  // namespace

bool ViewController::countsAtBeganOrEnded(const TouchRef& touch) const {
  return touch->view == TouchView::pad || (slideTouch && touch == slideTouch);
}

bool ViewController::countsWhenMoved(const TouchRef& touch) const {
  const Point p = touch->preciseLocation;
  return touch->view == TouchView::pad || (p.x >= 0 && p.x < width && p.y >= 0 && p.y < height);
}

bool ViewController::isForceCapable(const Touch& touch) const {
  return touch.type == TouchType::pencil || traits_.forceTouchAvailable;
}

void ViewController::computeXPos(const Touch& touch) {
  xPos = fraction(touch.location.x, width);
  controlDataTimer.xCurrent = xPos;
}

void ViewController::computeYPos(const Touch& touch) {
  yPos = 1 - fraction(touch.location.y, height);
  controlDataTimer.yCurrent = yPos;
}

void ViewController::computeZPos(const Touch& touch) {
  if (!isForceCapable(touch)) {
    zPos = 0;
    return;
  }
  const double z = touch.force / (touch.maximumPossibleForce * forceScale(manager_->sensitivity()));
  zPos = z > 0 ? std::min(z, 1.0) : 0.0;  // a zero maximum or a NaN force gives 0
}

void ViewController::updateTouchPoint(const Touch& touch) {
  touchPadView.touchScene->setTouchPoint(clampToPad(touch.location.x, width),
                                         clampToPad(touch.location.y, height));
}

void ViewController::lockViewDown() {
  services_.log.console(kLockDown);
  locked = false;
  elements.lockDown.hidden = false;
  elements.lockEnableButton.image = image::lockOpen;
}

void ViewController::lockViewUp() {
  services_.log.console(kLockUp);
  // Letting go freezes the pad again only while the lock is still switched on: the lock
  // button, a mode switch or hiding the lock may have switched it off under the finger,
  // and a pad frozen with no lock to lift would be dead.
  locked = lockEnabled;
  elements.lockDown.hidden = true;
  elements.lockEnableButton.image = lockEnabled ? image::lockClosed : image::lockOpen;
}

void ViewController::touchesBegan(TouchSet touches) {
  // Before any touch of the set: pad touches in the same set already see the lock lifted.
  if (!touches.empty() && touches.front() && touches.front()->view == TouchView::lock) {
    lockViewDown();
  }
  for (const TouchRef& touch : touches) {
    if (!touch || !countsAtBeganOrEnded(touch) || locked) continue;
    if (touchArray.size() >= kMaxTouches) continue;
    acceptTouch(touch);
  }
}

void ViewController::acceptTouch(const TouchRef& touch) {
  touchArray.push_back(touch);
  activeTouch = touch;
  computeXPos(*touch);
  computeYPos(*touch);
  zPos = 0;
  controlDataTimer.gateCurrent = 1.0;
  controlDataTimer.zeroFlag = true;

  MidiHandler& midi = *manager_->handler;
  Log& log = services_.log;
  const bool control = manager_->mode == Mode::control;
  const bool restart = padIsTouched && manager_->noteBehavior() == NoteBehavior::retrigger;
  midi.sendValue(control ? prefList::controlX : prefList::synthX, xPos);
  midi.sendValue(control ? prefList::controlY : prefList::synthY, yPos);
  if (control) {
    if (!padIsTouched) {
      midi.sendGate(127);
      log.console(kGateOn);
    } else if (restart) {
      midi.sendGate(0);
      log.console(kGateOff);
      // Should the last finger lift (and close the gate) before this is due, opening it
      // would leave it stuck open with nothing on the pad.
      services_.runLoop.postDelayed(kRetriggerDelay, [this, closes = gateCloses_] {
        if (closes != gateCloses_) return;
        manager_->handler->sendGate(127);
        services_.log.console(kGateOn);
      });
    }
  } else {
    if (restart) {
      midi.sendNoteOff();
      log.console(kNoteOff);
    }
    if (!padIsTouched || restart) {
      midi.sendNoteOn();
      log.console(kNoteOn);
    }
  }
  if (isForceCapable(*touch)) {
    midi.sendValue(control ? prefList::controlZ : prefList::synthZ, zPos);
  }
  padIsTouched = true;
  updateTouchPoint(*touch);
}

void ViewController::touchesMoved(TouchSet touches) {
  for (const TouchRef& touch : touches) {
    if (!touch || !countsWhenMoved(touch) || locked) continue;
    if (!padIsTouched) {
      // Slid in from another view (or held through the lock): it starts playing here.
      slideTouch = touch;
      const std::array<TouchRef, 1> one{touch};
      touchesBegan(one);
      services_.log.console(kSlide);
    }
    if (!activeTouch || touch != activeTouch) continue;

    computeXPos(*touch);
    computeYPos(*touch);
    if (moveOnEndFlag) {
      // A finger just handed over; its force was not being tracked until now.
      zPos = 0;
      moveOnEndFlag = false;
    } else {
      computeZPos(*touch);
    }
    MidiHandler& midi = *manager_->handler;
    const bool control = manager_->mode == Mode::control;
    midi.sendValue(control ? prefList::controlX : prefList::synthX, xPos);
    midi.sendValue(control ? prefList::controlY : prefList::synthY, yPos);
    if (isForceCapable(*touch)) {
      midi.sendValue(control ? prefList::controlZ : prefList::synthZ, zPos);
    }
    updateTouchPoint(*touch);
  }
}

void ViewController::touchesEnded(TouchSet touches) {
  if (!touches.empty() && touches.front() && touches.front()->view == TouchView::lock) {
    lockViewUp();
  }
  for (const TouchRef& touch : touches) {
    // Frozen: fingers lifting forget the pad without a sound; the gate stays as it is.
    if (locked) touchArray.clear();
    if (!touch || !countsAtBeganOrEnded(touch) || locked) continue;

    if (!touchArray.empty()) {
      const auto it = std::find(touchArray.begin(), touchArray.end(), touch);
      touchArray.erase(it != touchArray.end() ? it : touchArray.begin());
    }
    TouchRef endTouch = touch;
    if (touchArray.empty()) {
      padIsTouched = false;
      controlDataTimer.gateCurrent = 0.0;
      controlDataTimer.zeroFlag = true;
      zPos = 0;
    } else {
      controlDataTimer.zeroFlag = true;
      activeTouch = touchArray.back();
      moveOnEndFlag = true;
      endTouch = activeTouch;
      const std::array<TouchRef, 1> one{activeTouch};
      touchesMoved(one);
    }

    MidiHandler& midi = *manager_->handler;
    const bool control = manager_->mode == Mode::control;
    if (isForceCapable(*touch)) {
      midi.sendValue(control ? prefList::controlZ : prefList::synthZ, zPos);
    }
    if (!manager_->pulseGateEnabled() && !padIsTouched) {
      if (control) {
        midi.sendGate(0);
        services_.log.console(kGateOff);
        ++gateCloses_;
      } else {
        midi.sendNoteOff();
        services_.log.console(kNoteOff);
      }
    }
    updateTouchPoint(*endTouch);
  }
}

void ViewController::touchesCancelled(TouchSet touches) { touchesEnded(touches); }

}  // namespace vora
