#include "app/headless.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>

#include "adapters/json_store/json_file_defaults_store.h"
#include "adapters/rtmidi/rtmidi_port.h"
#include "app/headless_snapshot.h"
#include "app/script_midi_log.h"
#include "app/script_player.h"
#include "core/platform/notification_center.h"
#include "core/platform/virtual_run_loop.h"

namespace vora {

namespace {

/// A FILE the MIDI log writes to: standard output, shared line by line with the console
/// lines so their order is kept, or a file of its own.
class MidiLogFile {
 public:
  static std::unique_ptr<MidiLogFile> open(const std::string& path, std::string& error) {
    if (path == "-") return std::unique_ptr<MidiLogFile>(new MidiLogFile(stdout, false));
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (f == nullptr) {
      error = "cannot write the MIDI log " + path + ": " + std::strerror(errno);
      return nullptr;
    }
    return std::unique_ptr<MidiLogFile>(new MidiLogFile(f, true));
  }
  ~MidiLogFile() {
    if (owned_) std::fclose(file_);
  }
  MidiLogFile(const MidiLogFile&) = delete;
  MidiLogFile& operator=(const MidiLogFile&) = delete;

  void write(std::string_view line) {
    // One call per line: stdio keeps a line whole against the console's lines.
    std::string text(line);
    text += '\n';
    std::fwrite(text.data(), 1, text.size(), file_);
    std::fflush(file_);
  }

 private:
  MidiLogFile(std::FILE* file, bool owned) : file_(file), owned_(owned) {}
  std::FILE* file_;
  bool owned_;
};

}  // namespace

std::optional<DeviceTraits> deviceTraitsFromName(std::string_view name) {
  if (name == "phone") return DeviceTraits{DeviceIdiom::phone, false};
  if (name == "phone-force") return DeviceTraits{DeviceIdiom::phone, true};
  // A tablet's view reports no force capability: only pencil touches carry force.
  if (name == "tablet") return DeviceTraits{DeviceIdiom::tablet, false};
  if (name == "other") return DeviceTraits{DeviceIdiom::other, false};
  return std::nullopt;
}

int runHeadless(const HeadlessOptions& options) {
  // Everything that can fail before the app starts is checked first: a run that cannot
  // play must not count a launch in the store.
  std::ifstream file;
  std::istream* script = &std::cin;
  if (options.script != "-") {
    std::error_code ec;
    if (std::filesystem::is_directory(options.script, ec)) {
      std::cerr << "vora: cannot read the script " << options.script << ": it is a directory\n";
      return 2;
    }
    file.open(options.script);
    if (!file) {
      std::cerr << "vora: cannot read the script " << options.script << ": " << std::strerror(errno)
                << "\n";
      return 2;
    }
    script = &file;
  }
  std::unique_ptr<MidiLogFile> midiLog;
  if (options.midiLog) {
    std::string error;
    midiLog = MidiLogFile::open(*options.midiLog, error);
    if (!midiLog) {
      std::cerr << "vora: " << error << "\n";
      return 2;
    }
  }

  StdioLog log;
  JsonFileDefaultsStore store(
      options.storeDir ? std::filesystem::path(*options.storeDir) : defaultStoreDirectory(), log);
  OpenedMidiPort opened = openMidiPort(options.midiApi, log);
  if (!opened.port) {
    log.system("vora: " + opened.error + "; playing on with no MIDI port");
    opened.port = std::make_unique<NullMidiPort>();
  }
  VirtualRunLoop loop;
  NotificationCenter notifications;
  MidiLogPort loggedPort(*opened.port, loop, [&](std::string_view line) {
    if (midiLog) midiLog->write(line);
  });

  std::unique_ptr<FrameSink> frames;
  if (options.snapshot) frames = makeSnapshotSink(*options.snapshot, log);

  auto player = std::make_unique<ScriptPlayer>(
      Services{store, notifications, log, loop, loggedPort}, loop, options.device, frames.get());
  int code = playScript(*script, *player, options.linger, std::cerr);
  if (code == 0 && frames && frames->failed()) code = 1;
  // The handler closes its inputs as it goes, so the port it borrows must outlive it.
  player.reset();
  opened.port.reset();
  return code;
}

}  // namespace vora
