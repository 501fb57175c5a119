// Any bytes as a headless script, line by line: the reader never crashes, every line is a
// step, nothing, or one clear reason, and what it accepts is within the player's limits.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "app/script.h"

namespace {

using namespace vora::script;

[[noreturn]] void fail(const char* what, std::string_view line) {
  std::fprintf(stderr, "script fuzzer: %s: '%.*s'\n", what, static_cast<int>(line.size()),
               line.data());
  std::abort();
}

bool finite(vora::Point p) { return std::isfinite(p.x) && std::isfinite(p.y); }

void checkAccepted(const Step& step, std::string_view line) {
  if (const auto* touches = std::get_if<Touches>(&step.action)) {
    if (touches->touches.empty()) fail("a touch step without touches", line);
    for (const TouchArg& t : touches->touches) {
      if (t.id.empty()) fail("a touch without an id", line);
      if (!finite(t.location)) fail("a touch position that is not a number", line);
      if (!(t.force >= 0) || !std::isfinite(t.force)) fail("a force below 0", line);
      if (!(t.maximumForce > 0) || !std::isfinite(t.maximumForce)) fail("a max of 0", line);
    }
  } else if (const auto* appear = std::get_if<Appear>(&step.action)) {
    const auto ok = [](double side) { return side > 0 && side <= kMaxPadSide; };
    if (!ok(appear->pad.width) || !ok(appear->pad.height)) fail("a pad size out of range", line);
  } else if (const auto* cc = std::get_if<IncomingCC>(&step.action)) {
    if (cc->controller < 0 || cc->controller > 127 || cc->value < 0 || cc->value > 127 ||
        cc->channel < 0 || cc->channel > 15) {
      fail("a control change out of the MIDI range", line);
    }
  }
  // The time the log prints reads back as the same time, to the microsecond.
  const auto again = parseMilliseconds(formatMilliseconds(step.time));
  const auto micros = [](vora::Duration d) {
    return std::chrono::duration_cast<std::chrono::microseconds>(d).count();
  };
  if (!again || micros(*again) != micros(step.time)) fail("a time that does not read back", line);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  while (!text.empty()) {
    const auto end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);

    const ParsedLine parsed = parseLine(line);
    if (parsed.step && !parsed.error.empty()) fail("both a step and an error", line);
    if (parsed.step) checkAccepted(*parsed.step, line);
    if (!parsed.error.empty() && parsed.error.find('\n') != std::string::npos) {
      fail("a reason that spans lines", line);
    }
    if (const auto d = parseDecimal(line); d && !std::isfinite(*d)) fail("a decimal", line);
  }
  return 0;
}
