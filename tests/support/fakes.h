#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "core/platform/log.h"
#include "core/platform/midi_port.h"

namespace vora::test {

/// Keeps every console line and system message, in order.
class RecordingLog final : public Log {
 public:
  void console(std::string_view line) override {
    std::lock_guard lock(mutex_);
    lines.emplace_back(line);
  }
  void system(std::string_view message) override {
    std::lock_guard lock(mutex_);
    systemLines.emplace_back(message);
  }
  std::vector<std::string> lines;
  std::vector<std::string> systemLines;

 private:
  std::mutex mutex_;
};

/// A MIDI port that records what is sent and lets a test play the receiving side.
class RecordingMidiPort final : public MidiPort {
 public:
  void openOutputs() override { ++outputOpenings; }
  void openInputs(MidiListener& l) override { listener = &l; }
  void send(const MidiMessage& message) override { sent.push_back(message); }
  std::vector<std::string> destinations() const override { return {}; }
  std::vector<std::string> sources() const override { return {}; }

  std::vector<MidiMessage> sent;
  int outputOpenings = 0;
  MidiListener* listener = nullptr;
};

}  // namespace vora::test
