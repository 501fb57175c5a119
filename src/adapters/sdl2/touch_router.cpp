#include "adapters/sdl2/touch_router.h"

#include <algorithm>

namespace vora {

namespace {
constexpr double kDefaultMaxForce = 6.666667;
}

TouchRouter::TouchRouter(const MainScreenElements& elements, MainScreenInput& input)
    : elements_(elements), input_(input) {
  pool_.reserve(kMaxPointers * 2);
  for (std::size_t i = 0; i < kMaxPointers * 2; ++i) pool_.push_back(std::make_shared<Touch>());
}

TouchRouter::Slot* TouchRouter::find(PointerId id) {
  for (auto& s : slots_) {
    if (s.active && s.id == id) return &s;
  }
  return nullptr;
}

TouchRef TouchRouter::freshTouch() {
  for (auto& t : pool_) {
    if (t.use_count() == 1) {
      *t = Touch{};
      return t;
    }
  }
  // Every pooled touch is still held by the controller (a rare pile of remembered
  // touches): make one more rather than hand out a touch it still knows.
  pool_.push_back(std::make_shared<Touch>());
  return pool_.back();
}

void TouchRouter::update(Touch& t, Point p, double force, double maxForce) {
  t.location = p;
  t.preciseLocation = p;
  t.force = force;
  t.maximumPossibleForce = maxForce > 0 ? maxForce : kDefaultMaxForce;
}

void TouchRouter::pointerDown(PointerId id, Point window, double force, double maxForce) {
  const Point p = toPad(window);
  if (find(id) != nullptr) {
    // A down for a pointer already down (a lost up): end the old one first.
    pointerUp(id, window);
  }
  auto free = std::find_if(slots_.begin(), slots_.end(), [](const Slot& s) { return !s.active; });
  if (free == slots_.end()) return;
  Slot& s = *free;
  s.active = true;
  s.id = id;
  s.view = hitTest(elements_, p);
  s.insideButton = isButton(s.view);
  if (isButton(s.view)) return;
  s.touch = freshTouch();
  s.touch->view = s.view == HitView::pad        ? TouchView::pad
                  : s.view == HitView::lockView ? TouchView::lock
                                                : TouchView::other;
  update(*s.touch, p, force, maxForce);
  input_.touchesBegan(TouchSet(&s.touch, 1));
}

void TouchRouter::pointerMoved(PointerId id, Point window, double force, double maxForce) {
  const Point p = toPad(window);
  Slot* s = find(id);
  if (s == nullptr) return;
  if (isButton(s->view)) {
    // A finger may wander off a button and come back before it lifts, as on a phone.
    const Element* el = elementFor(elements_, s->view);
    s->insideButton = !el->hidden && contains(*el, p, el->size.width / 2);
    return;
  }
  update(*s->touch, p, force, maxForce);
  input_.touchesMoved(TouchSet(&s->touch, 1));
}

void TouchRouter::pointerUp(PointerId id, Point window) {
  const Point p = toPad(window);
  Slot* s = find(id);
  if (s == nullptr) return;
  s->active = false;
  if (isButton(s->view)) {
    const Element* el = elementFor(elements_, s->view);
    if (!el->hidden && contains(*el, p, el->size.width / 2)) input_.buttonTapped(s->view);
    return;
  }
  s->touch->location = p;
  s->touch->preciseLocation = p;
  TouchRef touch = std::move(s->touch);
  input_.touchesEnded(TouchSet(&touch, 1));
}

void TouchRouter::pointerCancelled(PointerId id) {
  Slot* s = find(id);
  if (s == nullptr) return;
  s->active = false;
  if (isButton(s->view)) return;
  TouchRef touch = std::move(s->touch);
  input_.touchesCancelled(TouchSet(&touch, 1));
}

void TouchRouter::cancelAll() {
  for (auto& s : slots_) {
    if (s.active) pointerCancelled(s.id);
  }
}

bool TouchRouter::isHeld(HitView button) const {
  return std::any_of(slots_.begin(), slots_.end(), [button](const Slot& s) {
    return s.active && s.view == button && s.insideButton;
  });
}

bool TouchRouter::anyDown() const {
  return std::any_of(slots_.begin(), slots_.end(), [](const Slot& s) { return s.active; });
}

}  // namespace vora
