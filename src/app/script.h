#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/platform/run_loop.h"
#include "core/settings/types.h"
#include "core/touch/touch.h"

namespace vora::script {

/// The latest time a script may name: a day of virtual clock.
inline constexpr Duration kMaxTime = std::chrono::hours(24);
/// The largest pad side `appear` accepts, in points.
inline constexpr double kMaxPadSide = 16384;
/// The maximum force of a touch that names none.
inline constexpr double kDefaultMaxForce = 6.666667;

/// One touch of a touch step: `ID@X,Y[:force=F][:max=M][:pencil][:view=pad|lock|other]`.
struct TouchArg {
  std::string id;
  Point location;    ///< pad points, origin top left, y down; may lie outside
  double force = 0;  ///< 0 unless `:force=` says otherwise
  double maximumForce = kDefaultMaxForce;
  bool pencil = false;
  std::optional<TouchView> view;  ///< as written; a touch begins in the pad when none is given
  bool operator==(const TouchArg&) const = default;
};

struct Appear {
  Size pad;
  bool operator==(const Appear&) const = default;
};
struct Disappear {
  bool operator==(const Disappear&) const = default;
};
enum class Phase { began, moved, ended, cancelled };
struct Touches {
  Phase phase;
  std::vector<TouchArg> touches;  ///< the set, in the listed order
  bool operator==(const Touches&) const = default;
};
enum class Button { mode, pin, left, right, lock };
struct Press {
  Button button;
  bool operator==(const Press&) const = default;
};
struct IncomingCC {
  int controller;
  int value;
  int channel = 0;  ///< zero-based
  bool operator==(const IncomingCC&) const = default;
};
struct SetupChanged {
  bool operator==(const SetupChanged&) const = default;
};
struct ChoosePreset {
  Output output;
  bool operator==(const ChoosePreset&) const = default;
};
struct ChooseBehavior {
  NoteBehavior behavior;
  bool operator==(const ChooseBehavior&) const = default;
};
enum class Switch { arrows, lock };
struct Toggle {
  Switch which;
  bool on;
  bool operator==(const Toggle&) const = default;
};
struct RowCommit {
  prefList pref;
  std::string text;  ///< as typed; the row decides whether it is a whole number
  bool operator==(const RowCommit&) const = default;
};
struct RowTest {
  prefList pref;
  bool operator==(const RowTest&) const = default;
};
struct TapLook {
  std::string name;
  bool operator==(const TapLook&) const = default;
};
struct Settings {
  bool open;
  bool operator==(const Settings&) const = default;
};
struct Dump {
  bool operator==(const Dump&) const = default;
};

using Action =
    std::variant<Appear, Disappear, Touches, Press, IncomingCC, SetupChanged, ChoosePreset,
                 ChooseBehavior, Toggle, RowCommit, RowTest, TapLook, Settings, Dump>;

/// One step: `<t> <verb> <args>`.
struct Step {
  Duration time;  ///< from the clock's start, to the nanosecond
  Action action;
  bool operator==(const Step&) const = default;
};

/// What one line holds: a step, nothing (a blank or comment line), or what is wrong with it.
struct ParsedLine {
  std::optional<Step> step;
  std::string error;  ///< empty unless the line is bad
};

/// Reads one script line. Checks everything the line alone can tell (numbers, names of
/// verbs, buttons, switches, presets, behaviours and preferences); what depends on the
/// run (time order, live touch ids, look names) is the player's.
ParsedLine parseLine(std::string_view line);

/// A decimal number as scripts write it: an optional sign, digits, an optional fraction
/// ("12", "-3.5", ".25"); no exponent, no hex, no inf or nan.
std::optional<double> parseDecimal(std::string_view text);

/// A time in ms as a duration, exact to the nanosecond (further digits are dropped);
/// none when the text is not a decimal number. Negative times are returned as such.
std::optional<Duration> parseMilliseconds(std::string_view text);

/// "12.000" for a duration: milliseconds with three decimals (truncated to the microsecond).
std::string formatMilliseconds(Duration t);

}  // namespace vora::script
