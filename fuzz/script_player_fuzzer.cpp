// Any bytes as a headless script, played against the whole core (touches, buttons, settings,
// incoming controllers) on a store in memory: nothing crashes, every message sent is a
// well-formed three-byte MIDI message, and every DUMP is one valid JSON object.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>

#include "app/script_player.h"
#include "core/platform/defaults_store.h"
#include "core/platform/notification_center.h"
#include "core/platform/virtual_run_loop.h"

namespace {

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "script player fuzzer: %s\n", what.c_str());
  std::abort();
}

class CheckingLog final : public vora::Log {
 public:
  void console(std::string_view line) override {
    if (!line.starts_with("DUMP ")) return;
    const auto dump = nlohmann::json::parse(line.substr(5), nullptr, false);
    if (!dump.is_object()) fail("a DUMP that is not a JSON object: " + std::string(line));
  }
  void system(std::string_view) override {}
};

class CheckingPort final : public vora::MidiPort {
 public:
  void openOutputs() override {}
  void openInputs(vora::MidiListener&) override {}
  void send(const vora::MidiMessage& m) override {
    const int kind = m[0] & 0xF0;
    if ((kind != 0x80 && kind != 0x90 && kind != 0xB0) || m[1] > 0x7F || m[2] > 0x7F) {
      char text[64];
      std::snprintf(text, sizeof text, "a malformed message %02X %02X %02X", m[0], m[1], m[2]);
      fail(text);
    }
  }
  std::vector<std::string> destinations() const override { return {}; }
  std::vector<std::string> sources() const override { return {}; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vora::MemoryDefaultsStore store;
  vora::NotificationCenter center;
  CheckingLog log;
  vora::VirtualRunLoop loop;
  CheckingPort port;
  vora::ScriptPlayer player(vora::Services{store, center, log, loop, port}, loop,
                            vora::DeviceTraits{vora::DeviceIdiom::phone, size % 2 == 1});
  std::string_view text(reinterpret_cast<const char*>(data), size);
  while (!text.empty()) {
    const auto end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    // A day of virtual clock is 8.6 million sampler ticks: a minute is plenty here.
    const auto parsed = vora::script::parseLine(line);
    if (parsed.step && parsed.step->time > std::chrono::minutes(1)) break;
    if (player.playLine(line)) break;  // a bad line ends the run, as in `vora --headless`
  }
  player.finish(std::chrono::milliseconds(50));
  if (player.controller().touchArray.size() > vora::ViewController::kMaxTouches) {
    fail("the touch list outgrew its bound");
  }
  return 0;
}
