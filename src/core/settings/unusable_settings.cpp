#include "core/settings/unusable_settings.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <string_view>
#include <variant>

#include "core/settings/keys.h"

namespace vora {

namespace {

/// A long text cut short for a message.
std::string cut(std::string text) {
  constexpr std::size_t kLongest = 40;
  if (text.size() > kLongest) text = text.substr(0, kLongest) + "...";
  return text;
}

/// A stored value as a short text for the message: strings quoted, long texts cut.
std::string shown(const DefaultsValue& value) {
  struct Visitor {
    std::string operator()(std::int64_t i) const { return std::to_string(i); }
    std::string operator()(double d) const {
      char text[32];
      std::snprintf(text, sizeof text, "%g", d);
      return text;
    }
    std::string operator()(bool b) const { return b ? "true" : "false"; }
    std::string operator()(const std::string& s) const { return "\"" + cut(s) + "\""; }
    std::string operator()(const OtherValue& o) const { return cut(o.text); }
  };
  return std::visit(Visitor{}, value);
}

const std::int64_t* integerIn(const DefaultsValue& value) {
  return std::get_if<std::int64_t>(&value);
}

bool isNumber(const DefaultsValue& value) {
  return std::holds_alternative<std::int64_t>(value) || std::holds_alternative<double>(value);
}

class Findings {
 public:
  explicit Findings(const DefaultsStore& store) : store_(store) {}

  /// Notes key when it is stored and usable(value) is false.
  template <typename Usable>
  void check(std::string_view key, Usable usable, std::string_view why) {
    const DefaultsValue* value = store_.find(key);
    if (value == nullptr || usable(*value)) return;
    text_ += text_.empty() ? "" : ", ";
    text_ += std::string(key) + " (" + shown(*value) + ": " + std::string(why) + ")";
  }

  std::string text() const { return text_; }

 private:
  const DefaultsStore& store_;
  std::string text_;
};

}  // namespace

std::string describeUnusableSettings(const DefaultsStore& store, const std::vector<Look>& looks) {
  Findings found(store);
  auto integerFrom = [](std::int64_t lo, std::int64_t hi) {
    return [lo, hi](const DefaultsValue& v) {
      const auto* i = integerIn(v);
      return i != nullptr && *i >= lo && *i <= hi;
    };
  };
  auto boolean = [](const DefaultsValue& v) { return std::holds_alternative<bool>(v); };

  found.check(
      key::launchCount,
      [](const DefaultsValue& v) {
        if (const auto* i = integerIn(v)) {
          return *i >= 0 && *i < std::numeric_limits<std::int64_t>::max();
        }
        const auto* d = std::get_if<double>(&v);
        return d != nullptr && *d >= 0 && *d < 9.2e18;
      },
      "not a count, counting starts over");
  found.check(key::savedOutput, integerFrom(0, kOutputCount - 1),
              "not an output number 0..5, Ableton is used");
  found.check(key::savedMode, integerFrom(0, 1), "not 0 or 1, synth mode is used");
  found.check(key::savedSensitivity, integerFrom(0, 2),
              "not a sensitivity number 0..2, medium is used");
  found.check(key::pulseGateEnabled, boolean, "not true or false, the pulse gate is off");
  found.check(
      key::selectedLookName,
      [&](const DefaultsValue& v) {
        const auto* name = std::get_if<std::string>(&v);
        if (name == nullptr) return false;
        for (const Look& look : looks) {
          if (look.name == *name) return true;
        }
        return false;
      },
      "no such look, the first look is used");
  found.check(
      key::noteBehavior,
      [](const DefaultsValue& v) {
        const auto* s = std::get_if<std::string>(&v);
        return s != nullptr && noteBehaviorFromRaw(*s).has_value();
      },
      "not Legato or Retrigger, Retrigger is used");
  found.check(key::showArrows, boolean, "not true or false, the arrows are hidden");
  found.check(key::showLock, boolean, "not true or false, the lock is hidden");

  for (Output o : kAllOutputs) {
    for (prefList p : kAllPrefs) {
      const std::string key = "pref." + std::to_string(raw(o)) + "." + std::to_string(raw(p));
      const bool channel = p == prefList::synthChannel || p == prefList::controlChannel;
      const double top = channel ? 15 : 127;
      found.check(key, isNumber, "not a number, read as 0");
      found.check(
          key,
          [&](const DefaultsValue& v) {
            if (!isNumber(v)) return true;  // said above
            const double d = std::holds_alternative<double>(v)
                                 ? std::get<double>(v)
                                 : static_cast<double>(std::get<std::int64_t>(v));
            return d >= 0 && d <= top;
          },
          channel ? "beyond the channels 1..16, the nearest is used"
                  : "beyond MIDI's 0..127, the nearest is sent");
    }
  }
  const std::string text = found.text();
  return text.empty() ? text : "vora: some stored settings cannot be used as they are: " + text;
}

}  // namespace vora
