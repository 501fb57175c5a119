#pragma once

#include <iosfwd>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/script.h"
#include "core/platform/services.h"
#include "core/platform/virtual_run_loop.h"
#include "core/scene/scene_mailbox.h"
#include "core/settings_ui/settings_view.h"
#include "core/touch/view_controller.h"

namespace vora {

/// Draws the scene while a script plays, for --snapshot. The player calls drawFrame 60
/// times a second of the virtual clock and finish once at the end; both run on the
/// player's thread with the clock at the frame's time.
class FrameSink {
 public:
  virtual ~FrameSink() = default;
  /// One frame of controller's scene (its pad size is elements.touchArea.size).
  virtual void drawFrame(ViewController& controller) = 0;
  /// The run is over: write the last frame.
  virtual void finish(ViewController& controller) = 0;
  /// The view the scene is presented in; none: the player's own, which draws nothing.
  virtual SceneView* sceneView() { return nullptr; }
  /// The frames could not be drawn or written; the run ends with a non-zero status.
  virtual bool failed() const { return false; }
};

/// A headless run has no browser, store prompt or screen to keep awake.
class HeadlessShell final : public ShellHooks {
 public:
  void openUrl(std::string_view) override {}
  void requestReview() override {}
  void disableIdleTimer() override {}
};

/// Plays script steps against the main screen on a virtual clock: starts the app as at a
/// launch ("launch", then the main screen created and loaded at 0 ms), then runs each step
/// at its time after every tick and task due by then.
///
/// Script touch ids map to live touches from their `began` to their `ended` or `cancelled`.
/// An id that begins again while still alive stands for a finger the platform lost: its old
/// touch is cancelled first (in its own touch set, at the same moment), then the new touch
/// begins, so no finger is left on the pad that no later step could lift.
class ScriptPlayer {
 public:
  /// services.runLoop must be loop. frames, when given, draws 60 frames a second.
  ScriptPlayer(Services services, VirtualRunLoop& loop, DeviceTraits traits,
               FrameSink* frames = nullptr);
  ~ScriptPlayer();
  ScriptPlayer(const ScriptPlayer&) = delete;
  ScriptPlayer& operator=(const ScriptPlayer&) = delete;

  /// Reads and plays one line. A bad line returns the reason and runs nothing: the clock
  /// does not move for it.
  std::optional<std::string> playLine(std::string_view line);
  /// Plays one step; returns the reason, and runs nothing, when it cannot be played.
  std::optional<std::string> play(const script::Step& step);
  /// After the last step: the clock runs on by linger, then the frames finish.
  void finish(Duration linger);

  /// The DUMP object: the state of the main screen, the settings and the sampler as JSON.
  std::string dumpJson() const;

  ViewController& controller() { return *controller_; }

 private:
  std::optional<std::string> check(const script::Step& step) const;
  void run(const script::Action& action);
  void runTouches(const script::Touches& step);
  void scheduleFrame(std::int64_t index);
  template <typename F>
  void withSettings(F&& f);

  Services services_;
  VirtualRunLoop& loop_;
  FrameSink* frames_;
  HeadlessShell shell_;
  SceneMailbox quietView_{false};  ///< presents the scene when no frames are drawn; outlives it
  std::unique_ptr<ViewController> controller_;
  std::unique_ptr<SettingsView> settings_;  ///< while the settings screen is in view
  std::map<std::string, TouchRef, std::less<>> live_;
};

/// Plays a whole script read from in, line by line as it is read. A bad line stops the
/// run with "script:LINE: reason" on err (the steps before it have run) and returns 2;
/// otherwise the clock lingers and 0 is returned.
int playScript(std::istream& in, ScriptPlayer& player, Duration linger, std::ostream& err);

}  // namespace vora
