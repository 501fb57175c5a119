#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "core/platform/defaults_store.h"
#include "core/platform/log.h"

namespace vora {

/// The directory of the user's settings: $XDG_CONFIG_HOME/vora when that variable holds an
/// absolute path, else ~/.config/vora.
std::filesystem::path defaultStoreDirectory();

/// The user-defaults store kept in DIR/defaults.json: one JSON object of key to value.
/// Every change replaces the file atomically, so a crash leaves the old or the new file.
/// Problems are reported once on the log's system channel and never end the run:
/// - a missing file or directory is an empty store (the directory is made on first write);
/// - a damaged file (not JSON, not an object) is moved aside as defaults.json.corrupt-<unix
///   time> and the store starts empty;
/// - a file that cannot be read, or a damaged one that cannot be moved aside, is left alone:
///   the store starts empty and keeps this run's changes in memory only;
/// - a failed write keeps the value in memory and is retried on the next change.
/// Values of no store kind (arrays, objects, null) and numbers the store cannot hold
/// exactly are written back as they were found. Main thread only.
class JsonFileDefaultsStore final : public MemoryDefaultsStore {
 public:
  /// Seconds since the Unix epoch, used to name a damaged file's copy.
  using UnixClock = std::function<std::int64_t()>;

  /// Loads DIR/defaults.json. log must outlive the store; clock defaults to the system's.
  JsonFileDefaultsStore(std::filesystem::path dir, Log& log, UnixClock clock = {});

  void set(std::string_view key, DefaultsValue value) override;
  void remove(std::string_view key) override;

  /// DIR/defaults.json.
  const std::filesystem::path& file() const { return file_; }
  /// False while changes cannot reach the file (a failing write, or a file left alone).
  bool persisting() const { return !leaveFileAlone_ && !writeFailing_; }

 private:
  struct Loaded {
    DefaultsValue value;
    std::string text;  ///< the value exactly as the file spelled it
  };

  void load();
  void save();
  std::string serialize() const;

  std::filesystem::path dir_;
  std::filesystem::path file_;
  Log& log_;
  UnixClock clock_;
  std::map<std::string, Loaded, std::less<>> loaded_;
  bool leaveFileAlone_ = false;
  bool writeFailing_ = false;
};

}  // namespace vora
