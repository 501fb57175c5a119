#include "app/script_player.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <istream>
#include <ostream>
#include <type_traits>
#include <vector>

#include "core/midi/midi_handler.h"
#include "core/settings_ui/look_list_view.h"

namespace vora {

using namespace script;

namespace {

/// A JSON object written key by key, in the order given.
class JsonObject {
 public:
  JsonObject& key(std::string_view name) {
    text_ += first_ ? "{" : ",";
    first_ = false;
    appendString(name);
    text_ += ':';
    return *this;
  }
  JsonObject& value(bool b) {
    text_ += b ? "true" : "false";
    return *this;
  }
  JsonObject& value(double d) {
    if (!std::isfinite(d)) {
      text_ += "null";
      return *this;
    }
    char buffer[32];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, d);
    text_.append(buffer, ec == std::errc() ? end : buffer);
    return *this;
  }
  JsonObject& value(int i) {
    text_ += std::to_string(i);
    return *this;
  }
  JsonObject& value(std::string_view s) {
    appendString(s);
    return *this;
  }
  JsonObject& raw(std::string_view json) {
    text_ += json;
    return *this;
  }
  std::string close() {
    text_ += first_ ? "{}" : "}";
    return std::move(text_);
  }

 private:
  void appendString(std::string_view s) {
    text_ += '"';
    for (char c : s) {
      const auto u = static_cast<unsigned char>(c);
      if (c == '"' || c == '\\') {
        text_ += '\\';
        text_ += c;
      } else if (u < 0x20) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
        text_ += escaped;
      } else {
        text_ += c;
      }
    }
    text_ += '"';
  }

  std::string text_;
  bool first_ = true;
};

std::string_view phaseVerb(Phase phase) {
  switch (phase) {
    case Phase::began:
      return "began";
    case Phase::moved:
      return "moves";
    case Phase::ended:
      return "ends";
    case Phase::cancelled:
      return "is cancelled";
  }
  return "";
}

std::string_view viewName(TouchView view) {
  switch (view) {
    case TouchView::pad:
      return "pad";
    case TouchView::lock:
      return "lock";
    case TouchView::other:
      return "other";
  }
  return "pad";
}

void applyTouchArg(Touch& touch, const TouchArg& arg) {
  touch.location = arg.location;
  touch.preciseLocation = arg.location;
  touch.force = arg.force;
  touch.maximumPossibleForce = arg.maximumForce;
}

// Frame k of 60 a second, exact to the nanosecond.
Duration frameTime(std::int64_t k) { return Duration(k * 1'000'000'000 / 60); }

}  // namespace

ScriptPlayer::ScriptPlayer(Services services, VirtualRunLoop& loop, DeviceTraits traits,
                           FrameSink* frames)
    : services_(services), loop_(loop), frames_(frames) {
  // The app delegate's line comes first; then the main screen is built and loaded.
  services_.log.console("launch");
  controller_ = std::make_unique<ViewController>(services_, traits, shell_);
  controller_->viewDidLoad();
  if (frames_ != nullptr) scheduleFrame(1);
}

ScriptPlayer::~ScriptPlayer() = default;

void ScriptPlayer::scheduleFrame(std::int64_t index) {
  loop_.postDelayed(frameTime(index) - loop_.now(), [this, index] {
    frames_->drawFrame(*controller_);
    scheduleFrame(index + 1);
  });
}

std::optional<std::string> ScriptPlayer::playLine(std::string_view line) {
  ParsedLine parsed = parseLine(line);
  if (!parsed.error.empty()) return parsed.error;
  if (!parsed.step) return std::nullopt;
  return play(*parsed.step);
}

std::optional<std::string> ScriptPlayer::play(const Step& step) {
  if (auto problem = check(step)) return problem;
  loop_.advanceTo(step.time);
  run(step.action);
  // A window would present the welcome now; headless, it counts as shown and takes no touch.
  controller_->pendingAlert.reset();
  return std::nullopt;
}

void ScriptPlayer::finish(Duration linger) {
  loop_.advanceTo(loop_.now() + linger);
  if (frames_ != nullptr) frames_->finish(*controller_);
}

std::optional<std::string> ScriptPlayer::check(const Step& step) const {
  if (step.time < loop_.now()) {
    return "the time " + formatMilliseconds(step.time) + " goes backwards (the clock is at " +
           formatMilliseconds(loop_.now()) + " ms)";
  }
  if (const auto* touches = std::get_if<Touches>(&step.action)) {
    if (touches->phase == Phase::began) return std::nullopt;
    for (const auto& arg : touches->touches) {
      auto it = live_.find(arg.id);
      if (it == live_.end()) {
        return "touch " + arg.id + " " + std::string(phaseVerb(touches->phase)) +
               " without having begun";
      }
      const Touch& touch = *it->second;
      if (arg.view && *arg.view != touch.view) {
        return "touch " + arg.id + " began in the " + std::string(viewName(touch.view)) +
               " view and stays there";
      }
      if (arg.pencil && touch.type != TouchType::pencil) {
        return "touch " + arg.id + " began as a finger, not a pencil";
      }
    }
  }
  if (const auto* look = std::get_if<TapLook>(&step.action)) {
    if (LookListView(controller_->manager()).find(look->name) == nullptr) {
      return "unknown look '" + look->name +
             "' (Classic, Heat Map, Pulse Cell, Warp Speed, Life Flower)";
    }
  }
  return std::nullopt;
}

template <typename F>
void ScriptPlayer::withSettings(F&& f) {
  // The settings verbs need no `settings open`: without it they act on a screen built for them.
  if (settings_) {
    f(*settings_);
  } else {
    SettingsView view(controller_->manager());
    f(view);
  }
}

void ScriptPlayer::run(const Action& action) {
  ViewController& vc = *controller_;
  SettingsManager& manager = vc.manager();
  std::visit(
      [&](const auto& a) {
        using T = std::decay_t<decltype(a)>;
        if constexpr (std::is_same_v<T, Appear>) {
          vc.elements.touchArea.size = a.pad;
          // The pad lies the padding inside the scene's safe region, which has no insets here.
          SceneView* view = frames_ != nullptr ? frames_->sceneView() : nullptr;
          const double padding = vc.touchPadView.paddingDist;
          vc.touchPadView.layout(view != nullptr ? view : &quietView_,
                                 {a.pad.width + 2 * padding, a.pad.height + 2 * padding}, {});
          vc.viewWillAppear();
          vc.viewDidAppear();
        } else if constexpr (std::is_same_v<T, Disappear>) {
          vc.viewWillDisappear();
        } else if constexpr (std::is_same_v<T, Touches>) {
          runTouches(a);
        } else if constexpr (std::is_same_v<T, Press>) {
          switch (a.button) {
            case Button::mode:
              vc.modePressed();
              break;
            case Button::pin:
              vc.pinPressed();
              break;
            case Button::left:
              vc.leftPressed();
              break;
            case Button::right:
              vc.rightPressed();
              break;
            case Button::lock:
              vc.lockEnablePressed();
              break;
          }
        } else if constexpr (std::is_same_v<T, IncomingCC>) {
          // The bytes take the receiving thread's road through the handler.
          const std::uint8_t bytes[3] = {static_cast<std::uint8_t>(0xB0 | a.channel),
                                         static_cast<std::uint8_t>(a.controller),
                                         static_cast<std::uint8_t>(a.value)};
          manager.handler->receivedMessage(bytes);
        } else if constexpr (std::is_same_v<T, SetupChanged>) {
          manager.handler->setupChanged();
        } else if constexpr (std::is_same_v<T, ChoosePreset>) {
          withSettings([&](SettingsView& v) { v.setPreset(displayName(a.output)); });
        } else if constexpr (std::is_same_v<T, ChooseBehavior>) {
          withSettings([&](SettingsView& v) { v.setBehavior(vora::raw(a.behavior)); });
        } else if constexpr (std::is_same_v<T, Toggle>) {
          withSettings([&](SettingsView& v) {
            a.which == Switch::arrows ? v.setArrows(a.on) : v.setLock(a.on);
          });
        } else if constexpr (std::is_same_v<T, RowCommit>) {
          withSettings([&](SettingsView& v) {
            PickerRow row = v.row(a.pref);
            std::visit([&](auto& r) { r.commit(std::string_view(a.text)); }, row);
          });
        } else if constexpr (std::is_same_v<T, RowTest>) {
          withSettings([&](SettingsView& v) {
            PickerRow row = v.row(a.pref);
            std::visit(
                [](auto& r) {
                  // Channel rows have no "Test" button.
                  if constexpr (requires { r.test(); }) r.test();
                },
                row);
          });
        } else if constexpr (std::is_same_v<T, TapLook>) {
          LookListView list(manager);
          list.tap(*list.find(a.name));
        } else if constexpr (std::is_same_v<T, Settings>) {
          if (a.open && !settings_) {
            settings_ = std::make_unique<SettingsView>(manager);
            settings_->onAppear();
          } else if (!a.open && settings_) {
            settings_->onDisappear();
            settings_.reset();
          }
        } else if constexpr (std::is_same_v<T, Dump>) {
          services_.log.console("DUMP " + dumpJson());
        }
      },
      action);
}

void ScriptPlayer::runTouches(const Touches& step) {
  ViewController& vc = *controller_;
  std::vector<TouchRef> set;
  if (step.phase == Phase::began) {
    std::vector<TouchRef> lost;
    for (const auto& arg : step.touches) {
      if (auto it = live_.find(arg.id); it != live_.end()) {
        lost.push_back(it->second);
        live_.erase(it);
      }
    }
    if (!lost.empty()) vc.touchesCancelled(lost);
    for (const auto& arg : step.touches) {
      auto touch = std::make_shared<Touch>();
      touch->view = arg.view.value_or(TouchView::pad);
      touch->type = arg.pencil ? TouchType::pencil : TouchType::direct;
      applyTouchArg(*touch, arg);
      live_[arg.id] = touch;
      set.push_back(std::move(touch));
    }
    vc.touchesBegan(set);
    return;
  }
  for (const auto& arg : step.touches) {
    const TouchRef& touch = live_.at(arg.id);
    applyTouchArg(*touch, arg);
    set.push_back(touch);
  }
  switch (step.phase) {
    case Phase::moved:
      vc.touchesMoved(set);
      return;
    case Phase::ended:
      vc.touchesEnded(set);
      break;
    case Phase::cancelled:
      vc.touchesCancelled(set);
      break;
    case Phase::began:
      return;
  }
  for (const auto& arg : step.touches) live_.erase(arg.id);
}

std::string ScriptPlayer::dumpJson() const {
  const ViewController& vc = *controller_;
  const SettingsManager& m = vc.manager();
  const MainScreenElements& e = vc.elements;

  std::string rows = "[";
  for (Output o : kAllOutputs) {
    if (o != Output::ableton) rows += ',';
    rows += '[';
    const PrefRow row = m.prefsArray.row(o);
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (i > 0) rows += ',';
      rows += std::to_string(row[i]);
    }
    rows += ']';
  }
  rows += ']';

  JsonObject hidden;
  hidden.key("lockView").value(e.lockView.hidden);
  hidden.key("leftButton").value(e.leftButton.hidden);
  hidden.key("rightButton").value(e.rightButton.hidden);
  hidden.key("lockEnableButton").value(e.lockEnableButton.hidden);
  hidden.key("lockDown").value(e.lockDown.hidden);
  JsonObject images;
  images.key("modeButton").value(std::string_view(e.modeButton.image));
  images.key("pinButton").value(std::string_view(e.pinButton.image));
  images.key("lockEnableButton").value(std::string_view(e.lockEnableButton.image));
  images.key("horizontalLine").value(std::string_view(e.horizontalLine.image));
  images.key("verticalLine").value(std::string_view(e.verticalLine.image));
  JsonObject crosshair;
  crosshair.key("x").value(e.target.center.x);
  crosshair.key("y").value(e.target.center.y);
  crosshair.key("size").value(e.target.size.width);
  JsonObject timer;
  timer.key("speed").value(vc.controlDataTimer.speed);
  timer.key("gateSmooth").value(vc.controlDataTimer.gateSmooth);

  JsonObject dump;
  dump.key("xPos").value(vc.xPos);
  dump.key("yPos").value(vc.yPos);
  dump.key("zPos").value(vc.zPos);
  dump.key("padIsTouched").value(vc.padIsTouched);
  dump.key("locked").value(vc.locked);
  dump.key("lockEnabled").value(vc.lockEnabled);
  dump.key("pinned").value(vc.pinned);
  dump.key("mode").value(caseName(m.mode));
  dump.key("output").value(caseName(m.output()));
  dump.key("sensitivity").value(caseName(m.sensitivity()));
  dump.key("noteBehavior").value(vora::raw(m.noteBehavior()));
  dump.key("pulseGateEnabled").value(m.pulseGateEnabled());
  dump.key("showArrows").value(m.showArrows());
  dump.key("showLock").value(m.showLock());
  dump.key("selectedLook");
  if (m.selectedLook()) {
    dump.value(std::string_view(m.selectedLook()->name));
  } else {
    dump.raw("null");
  }
  dump.key("prefsArray").raw(rows);
  dump.key("xIn").value(m.xIn.load());
  dump.key("yIn").value(m.yIn.load());
  dump.key("zIn").value(m.zIn.load());
  dump.key("firstOpen").value(m.firstOpen);
  dump.key("showRatingAlert").value(m.showRatingAlert);
  dump.key("platform").value(caseName(m.platform));
  dump.key("isForceTouchDevice").value(m.isForceTouchDevice);
  dump.key("shaderPause").value(m.shaderPause());
  dump.key("hidden").raw(hidden.close());
  dump.key("images").raw(images.close());
  dump.key("crosshair").raw(crosshair.close());
  dump.key("timer").raw(timer.close());
  return dump.close();
}

int playScript(std::istream& in, ScriptPlayer& player, Duration linger, std::ostream& err) {
  std::string line;
  for (long number = 1; std::getline(in, line); ++number) {
    if (auto problem = player.playLine(line)) {
      err << "script:" << number << ": " << *problem << "\n" << std::flush;
      return 2;
    }
  }
  if (in.bad()) {
    err << "script: reading stopped before the end of the script\n" << std::flush;
    return 2;
  }
  player.finish(linger);
  return 0;
}

}  // namespace vora
