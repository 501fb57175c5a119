#include "app/script.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace vora::script {

namespace {

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
  return s;
}

/// Splits off the first word; s keeps the rest, its leading spaces removed.
std::string_view nextWord(std::string_view& s) {
  s = trim(s);
  std::size_t end = 0;
  while (end < s.size() && !isSpace(s[end])) ++end;
  std::string_view word = s.substr(0, end);
  s = trim(s.substr(end));
  return word;
}

std::vector<std::string_view> words(std::string_view s) {
  std::vector<std::string_view> out;
  for (std::string_view w = nextWord(s); !w.empty(); w = nextWord(s)) out.push_back(w);
  return out;
}

std::string quoted(std::string_view s) { return "'" + std::string(s) + "'"; }

std::optional<int> parseInt(std::string_view text, int lo, int hi) {
  int value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end || value < lo || value > hi) {
    return std::nullopt;
  }
  return value;
}

struct Failure {
  std::string reason;
};

template <typename T>
using Parsed = std::variant<T, Failure>;

Parsed<TouchArg> parseTouch(std::string_view text) {
  TouchArg arg;
  const auto at = text.find('@');
  if (at == std::string_view::npos) {
    return Failure{"touch " + quoted(text) + " is not ID@X,Y"};
  }
  const std::string_view id = text.substr(0, at);
  if (id.empty() || id.find_first_of(":,") != std::string_view::npos) {
    return Failure{"touch " + quoted(text) + " has no usable id before '@'"};
  }
  arg.id = std::string(id);
  std::string_view rest = text.substr(at + 1);
  const auto colon = rest.find(':');
  const std::string_view position = rest.substr(0, colon);
  rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);

  const auto comma = position.find(',');
  const auto x =
      comma == std::string_view::npos ? std::nullopt : parseDecimal(position.substr(0, comma));
  const auto y =
      comma == std::string_view::npos ? std::nullopt : parseDecimal(position.substr(comma + 1));
  if (!x || !y) {
    return Failure{"touch " + arg.id + ": position " + quoted(position) + " is not X,Y"};
  }
  arg.location = {*x, *y};

  bool seenForce = false, seenMax = false, seenPencil = false;
  while (colon != std::string_view::npos) {
    const auto next = rest.find(':');
    const std::string_view option = rest.substr(0, next);
    auto repeated = [&](bool& seen) {
      const bool again = seen;
      seen = true;
      return again;
    };
    std::optional<std::string> problem;
    if (option.starts_with("force=")) {
      const auto f = parseDecimal(option.substr(6));
      if (repeated(seenForce))
        problem = "force is given twice";
      else if (!f || *f < 0)
        problem = "force must be a decimal number, 0 or more";
      else
        arg.force = *f;
    } else if (option.starts_with("max=")) {
      const auto m = parseDecimal(option.substr(4));
      if (repeated(seenMax))
        problem = "max is given twice";
      else if (!m || *m <= 0)
        problem = "max must be a decimal number above 0";
      else
        arg.maximumForce = *m;
    } else if (option == "pencil") {
      if (repeated(seenPencil)) problem = "pencil is given twice";
      arg.pencil = true;
    } else if (option.starts_with("view=")) {
      const std::string_view v = option.substr(5);
      if (arg.view)
        problem = "view is given twice";
      else if (v == "pad")
        arg.view = TouchView::pad;
      else if (v == "lock")
        arg.view = TouchView::lock;
      else if (v == "other")
        arg.view = TouchView::other;
      else
        problem = "view must be pad, lock or other";
    } else {
      problem = "unknown option " + quoted(option) + " (force=, max=, pencil, view=)";
    }
    if (problem) return Failure{"touch " + arg.id + ": " + *problem};
    if (next == std::string_view::npos) break;
    rest = rest.substr(next + 1);
  }
  return arg;
}

Parsed<Action> parseTouches(Phase phase, std::string_view verb, std::string_view args) {
  const auto list = words(args);
  if (list.empty()) return Failure{std::string(verb) + " needs at least one touch ID@X,Y"};
  Touches step{phase, {}};
  for (std::string_view w : list) {
    auto parsed = parseTouch(w);
    if (auto* f = std::get_if<Failure>(&parsed)) return *f;
    auto& arg = std::get<TouchArg>(parsed);
    for (const auto& earlier : step.touches) {
      if (earlier.id == arg.id) return Failure{"touch " + arg.id + " is listed twice in one set"};
    }
    step.touches.push_back(std::move(arg));
  }
  return Action{std::move(step)};
}

Parsed<Action> parseAction(std::string_view verb, std::string_view args) {
  const auto list = words(args);
  auto arity = [&](std::size_t n, const char* usage) -> std::optional<Failure> {
    if (list.size() == n) return std::nullopt;
    if (n == 0) return Failure{std::string(verb) + " takes no arguments"};
    return Failure{std::string(verb) + (list.size() < n ? " needs " : " takes only ") + usage};
  };

  if (verb == "appear") {
    if (auto f = arity(2, "W H (the pad size in points)")) return *f;
    const auto w = parseDecimal(list[0]);
    const auto h = parseDecimal(list[1]);
    if (!w || !h || *w <= 0 || *h <= 0 || *w > kMaxPadSide || *h > kMaxPadSide) {
      return Failure{"appear: the pad size must be two decimal numbers above 0 and at most 16384"};
    }
    return Action{Appear{{*w, *h}}};
  }
  if (verb == "disappear") {
    if (auto f = arity(0, "")) return *f;
    return Action{Disappear{}};
  }
  if (verb == "began") return parseTouches(Phase::began, verb, args);
  if (verb == "moved") return parseTouches(Phase::moved, verb, args);
  if (verb == "ended") return parseTouches(Phase::ended, verb, args);
  if (verb == "cancelled") return parseTouches(Phase::cancelled, verb, args);
  if (verb == "press") {
    if (auto f = arity(1, "one button: mode, pin, left, right or lock")) return *f;
    const std::string_view b = list[0];
    if (b == "mode") return Action{Press{Button::mode}};
    if (b == "pin") return Action{Press{Button::pin}};
    if (b == "left") return Action{Press{Button::left}};
    if (b == "right") return Action{Press{Button::right}};
    if (b == "lock") return Action{Press{Button::lock}};
    return Failure{"unknown button " + quoted(b) + " (mode, pin, left, right, lock)"};
  }
  if (verb == "cc") {
    if (list.size() < 2 || list.size() > 3) {
      return Failure{"cc needs C V [CH]: controller, value and an optional channel"};
    }
    const auto c = parseInt(list[0], 0, 127);
    const auto v = parseInt(list[1], 0, 127);
    const auto ch = list.size() == 3 ? parseInt(list[2], 0, 15) : std::optional<int>(0);
    if (!c) return Failure{"cc: the controller must be a whole number 0..127"};
    if (!v) return Failure{"cc: the value must be a whole number 0..127"};
    if (!ch) return Failure{"cc: the channel must be a whole number 0..15 (zero-based)"};
    return Action{IncomingCC{*c, *v, *ch}};
  }
  if (verb == "setup-changed") {
    if (auto f = arity(0, "")) return *f;
    return Action{SetupChanged{}};
  }
  if (verb == "preset") {
    const std::string_view name = trim(args);
    for (Output o : kAllOutputs) {
      if (displayName(o) == name) return Action{ChoosePreset{o}};
    }
    return Failure{"unknown preset " + quoted(name) +
                   " (Ableton, Bitwig, Rev2, User 1, User 2, User 3)"};
  }
  if (verb == "behavior") {
    const std::string_view text = trim(args);
    if (auto b = noteBehaviorFromRaw(text)) return Action{ChooseBehavior{*b}};
    return Failure{"unknown behavior " + quoted(text) + " (Legato, Retrigger)"};
  }
  if (verb == "toggle") {
    if (auto f = arity(2, "arrows|lock on|off")) return *f;
    Toggle t{};
    if (list[0] == "arrows")
      t.which = Switch::arrows;
    else if (list[0] == "lock")
      t.which = Switch::lock;
    else
      return Failure{"unknown toggle " + quoted(list[0]) + " (arrows, lock)"};
    if (list[1] == "on")
      t.on = true;
    else if (list[1] == "off")
      t.on = false;
    else
      return Failure{"toggle " + std::string(list[0]) + ": " + quoted(list[1]) +
                     " is not on or off"};
    return Action{t};
  }
  if (verb == "row" || verb == "test") {
    std::string_view rest = args;
    const std::string_view name = nextWord(rest);
    if (name.empty()) return Failure{std::string(verb) + " needs a preference name (synthX ...)"};
    const auto pref = prefFromCaseName(name);
    if (!pref)
      return Failure{"unknown preference " + quoted(name) + " (synthChannel ... controlGate)"};
    if (verb == "test") {
      if (!rest.empty()) return Failure{"test takes only a preference name"};
      return Action{RowTest{*pref}};
    }
    if (rest.empty()) return Failure{"row needs PREF TEXT: the text typed into the row"};
    return Action{RowCommit{*pref, std::string(rest)}};
  }
  if (verb == "look") {
    const std::string_view name = trim(args);
    if (name.empty()) return Failure{"look needs a look name"};
    return Action{TapLook{std::string(name)}};
  }
  if (verb == "settings") {
    if (auto f = arity(1, "open or close")) return *f;
    if (list[0] == "open") return Action{Settings{true}};
    if (list[0] == "close") return Action{Settings{false}};
    return Failure{"settings: " + quoted(list[0]) + " is not open or close"};
  }
  if (verb == "dump") {
    if (auto f = arity(0, "")) return *f;
    return Action{Dump{}};
  }
  return Failure{"unknown verb " + quoted(verb)};
}

}  // namespace

std::optional<double> parseDecimal(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  }
  if (digits == 0 || i != text.size()) return std::nullopt;
  // from_chars takes no '+'.
  std::string_view number = text[0] == '+' ? text.substr(1) : text;
  double value = 0;
  auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (ec != std::errc() || ptr != number.data() + number.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

std::optional<Duration> parseMilliseconds(std::string_view text) {
  if (!parseDecimal(text)) return std::nullopt;
  bool negative = false;
  if (text[0] == '+' || text[0] == '-') {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  const auto dot = text.find('.');
  const std::string_view whole = text.substr(0, dot);
  std::string_view fraction =
      dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
  // Nanoseconds are the clock's grain: digits past the sixth are dropped.
  if (fraction.size() > 6) fraction = fraction.substr(0, 6);
  constexpr std::int64_t kLimit = std::numeric_limits<std::int64_t>::max() / 1'000'000 - 1;
  std::int64_t ms = 0;
  for (char c : whole) {
    ms = ms * 10 + (c - '0');
    if (ms > kLimit) {
      ms = kLimit;  // far beyond any time a script may name; the player says so
      break;
    }
  }
  std::int64_t ns = 0;
  std::int64_t scale = 100'000;
  for (char c : fraction) {
    ns += (c - '0') * scale;
    scale /= 10;
  }
  const std::int64_t total = ms * 1'000'000 + ns;
  return Duration(negative ? -total : total);
}

std::string formatMilliseconds(Duration t) {
  const std::int64_t us = std::chrono::duration_cast<std::chrono::microseconds>(t).count();
  const std::int64_t magnitude = us < 0 ? -us : us;
  char text[32];
  std::snprintf(text, sizeof text, "%s%lld.%03lld", us < 0 ? "-" : "",
                static_cast<long long>(magnitude / 1000), static_cast<long long>(magnitude % 1000));
  return text;
}

ParsedLine parseLine(std::string_view line) {
  ParsedLine result;
  if (const auto hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
  std::string_view rest = trim(line);
  if (rest.empty()) return result;

  const std::string_view timeText = nextWord(rest);
  const auto time = parseMilliseconds(timeText);
  if (!time) {
    result.error = "the time " + quoted(timeText) + " is not a decimal number of ms";
    return result;
  }
  if (*time > kMaxTime) {
    result.error =
        "the time " + std::string(timeText) + " ms is beyond the 24 hours a script may run";
    return result;
  }
  const std::string_view verb = nextWord(rest);
  if (verb.empty()) {
    result.error = "a verb must follow the time";
    return result;
  }
  auto action = parseAction(verb, rest);
  if (auto* f = std::get_if<Failure>(&action)) {
    result.error = std::move(f->reason);
    return result;
  }
  result.step = Step{*time, std::move(std::get<Action>(action))};
  return result;
}

}  // namespace vora::script
