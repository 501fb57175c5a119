#include "core/settings/types.h"

#include <cstdio>
#include <random>

namespace vora {

namespace {
constexpr std::array<std::string_view, kPrefCount> kPrefCaseNames{
    "synthChannel",   "synthX",   "synthY",   "synthZ",   "synthSpeed",   "synthNote",
    "controlChannel", "controlX", "controlY", "controlZ", "controlSpeed", "controlGate"};
}  // namespace

std::string_view raw(NoteBehavior b) {
  switch (b) {
    case NoteBehavior::legato:
      return "Legato";
    case NoteBehavior::retrigger:
      return "Retrigger";
  }
  return "Retrigger";
}

std::optional<Output> outputFromRaw(long long value) {
  if (value < 0 || value >= kOutputCount) return std::nullopt;
  return static_cast<Output>(value);
}

std::optional<Sensitivity> sensitivityFromRaw(long long value) {
  if (value < 0 || value > 2) return std::nullopt;
  return static_cast<Sensitivity>(value);
}

std::optional<prefList> prefFromRaw(long long value) {
  if (value < 0 || value >= kPrefCount) return std::nullopt;
  return static_cast<prefList>(value);
}

std::optional<NoteBehavior> noteBehaviorFromRaw(std::string_view value) {
  if (value == "Legato") return NoteBehavior::legato;
  if (value == "Retrigger") return NoteBehavior::retrigger;
  return std::nullopt;
}

double forceScale(Sensitivity s) {
  switch (s) {
    case Sensitivity::low:
      return 1.0;
    case Sensitivity::medium:
      return 0.66;
    case Sensitivity::high:
      return 0.33;
  }
  return 0.66;
}

std::string_view displayName(Output o) { return outputNames[static_cast<std::size_t>(raw(o))]; }

const PrefRow& factoryRow(Output o) {
  switch (o) {
    case Output::ableton:
      return abletonPrefs;
    case Output::rev2:
      return rev2Prefs;
    case Output::bitwig:
    case Output::user1:
    case Output::user2:
    case Output::user3:
      return defaultPrefs;
  }
  return defaultPrefs;
}

std::string_view caseName(Mode m) { return m == Mode::control ? "control" : "synth"; }

std::string_view caseName(Output o) {
  switch (o) {
    case Output::ableton:
      return "ableton";
    case Output::bitwig:
      return "bitwig";
    case Output::rev2:
      return "rev2";
    case Output::user1:
      return "user1";
    case Output::user2:
      return "user2";
    case Output::user3:
      return "user3";
  }
  return "ableton";
}

std::string_view caseName(Sensitivity s) {
  switch (s) {
    case Sensitivity::low:
      return "low";
    case Sensitivity::medium:
      return "medium";
    case Sensitivity::high:
      return "high";
  }
  return "medium";
}

std::string_view caseName(Platform p) {
  switch (p) {
    case Platform::iphone_2d:
      return "iphone_2d";
    case Platform::iphone_3d:
      return "iphone_3d";
    case Platform::ipad:
      return "ipad";
    case Platform::unknown:
      return "unknown";
  }
  return "unknown";
}

std::string_view caseName(prefList p) { return kPrefCaseNames[static_cast<std::size_t>(raw(p))]; }

std::optional<prefList> prefFromCaseName(std::string_view name) {
  for (std::size_t i = 0; i < kPrefCaseNames.size(); ++i) {
    if (kPrefCaseNames[i] == name) return static_cast<prefList>(i);
  }
  return std::nullopt;
}

std::string makeUuid() {
  static thread_local std::mt19937_64 generator{std::random_device{}()};
  const std::uint64_t hi = (generator() & 0xFFFFFFFFFFFF0FFFULL) | 0x0000000000004000ULL;
  const std::uint64_t lo = (generator() & 0x3FFFFFFFFFFFFFFFULL) | 0x8000000000000000ULL;
  char text[37];
  std::snprintf(text, sizeof text, "%08X-%04X-%04X-%04X-%012llX", static_cast<unsigned>(hi >> 32),
                static_cast<unsigned>((hi >> 16) & 0xFFFF), static_cast<unsigned>(hi & 0xFFFF),
                static_cast<unsigned>(lo >> 48),
                static_cast<unsigned long long>(lo & 0xFFFFFFFFFFFFULL));
  return text;
}

}  // namespace vora
