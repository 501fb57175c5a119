#include "adapters/json_store/json_file_defaults_store.h"

#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <system_error>
#include <utility>
#include <variant>
#include <vector>

namespace vora {

namespace fs = std::filesystem;
using Json = nlohmann::json;

namespace {

constexpr std::string_view kFileName = "defaults.json";

std::string errnoText(int error) { return std::strerror(error); }

std::string quoted(const std::string& text) {
  return Json(text).dump(-1, ' ', false, Json::error_handler_t::replace);
}

// ---- reading ----

enum class ReadStatus { ok, missing, failed };

ReadStatus readWholeFile(const fs::path& file, std::string& content, std::string& error) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    const int e = errno;
    if (e == ENOENT || e == ENOTDIR) return ReadStatus::missing;
    error = errnoText(e);
    return ReadStatus::failed;
  }
  content.clear();
  char buffer[8192];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errnoText(errno);
      ::close(fd);
      return ReadStatus::failed;
    }
    content.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return ReadStatus::ok;
}

// The text of a document nlohmann has already accepted is split into its top-level members
// by hand, so that each value's exact spelling can be written back untouched.
bool isJsonSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::size_t skipSpace(std::string_view text, std::size_t i) {
  while (i < text.size() && isJsonSpace(text[i])) ++i;
  return i;
}

std::size_t skipString(std::string_view text, std::size_t i) {
  for (++i; i < text.size(); ++i) {
    if (text[i] == '\\') {
      ++i;
    } else if (text[i] == '"') {
      return i + 1;
    }
  }
  return std::string_view::npos;
}

std::size_t skipValue(std::string_view text, std::size_t i) {
  if (i >= text.size()) return std::string_view::npos;
  if (text[i] == '"') return skipString(text, i);
  if (text[i] == '{' || text[i] == '[') {
    int depth = 0;
    while (i < text.size()) {
      const char c = text[i];
      if (c == '"') {
        i = skipString(text, i);
        if (i == std::string_view::npos) return i;
        continue;
      }
      if (c == '{' || c == '[') ++depth;
      if (c == '}' || c == ']') --depth;
      ++i;
      if (depth == 0) return i;
    }
    return std::string_view::npos;
  }
  while (i < text.size() && !isJsonSpace(text[i]) && text[i] != ',' && text[i] != '}') ++i;
  return i;
}

struct Member {
  std::string key;
  std::string text;
};

std::optional<std::vector<Member>> splitMembers(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // a byte-order mark
  std::vector<Member> members;
  std::size_t i = skipSpace(text, 0);
  if (i >= text.size() || text[i] != '{') return std::nullopt;
  i = skipSpace(text, i + 1);
  if (i < text.size() && text[i] == '}') return members;
  while (i < text.size()) {
    const std::size_t keyEnd = skipString(text, i);
    if (keyEnd == std::string_view::npos) return std::nullopt;
    const Json key = Json::parse(text.substr(i, keyEnd - i), nullptr, false);
    if (!key.is_string()) return std::nullopt;
    i = skipSpace(text, keyEnd);
    if (i >= text.size() || text[i] != ':') return std::nullopt;
    const std::size_t valueStart = skipSpace(text, i + 1);
    const std::size_t valueEnd = skipValue(text, valueStart);
    if (valueEnd == std::string_view::npos) return std::nullopt;
    members.push_back(Member{key.get<std::string>(),
                             std::string(text.substr(valueStart, valueEnd - valueStart))});
    i = skipSpace(text, valueEnd);
    if (i < text.size() && text[i] == '}') return members;
    if (i >= text.size() || text[i] != ',') return std::nullopt;
    i = skipSpace(text, i + 1);
  }
  return std::nullopt;
}

DefaultsValue toValue(const Json& value, const std::string& text) {
  switch (value.type()) {
    case Json::value_t::boolean:
      return value.get<bool>();
    case Json::value_t::string:
      return value.get<std::string>();
    case Json::value_t::number_integer:
      return value.get<std::int64_t>();
    case Json::value_t::number_unsigned: {
      const auto u = value.get<std::uint64_t>();
      if (u <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        return static_cast<std::int64_t>(u);
      }
      // Beyond the integer range: still a number to the readers; the file keeps its digits.
      return static_cast<double>(u);
    }
    case Json::value_t::number_float:
      return value.get<double>();
    default:
      return OtherValue{text};
  }
}

std::string valueText(const DefaultsValue& value) {
  struct Visitor {
    std::string operator()(std::int64_t i) const { return std::to_string(i); }
    // A real number that JSON cannot spell (infinite, NaN) is written as null.
    std::string operator()(double d) const { return Json(d).dump(); }
    std::string operator()(bool b) const { return b ? "true" : "false"; }
    std::string operator()(const std::string& s) const { return quoted(s); }
    std::string operator()(const OtherValue& o) const {
      return Json::accept(o.text) ? o.text : std::string("null");
    }
  };
  return std::visit(Visitor{}, value);
}

// ---- writing ----

bool writeAll(int fd, const std::string& content) {
  std::size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Writes a temp file beside target, syncs it, renames it over target and syncs the
// directory. On failure target is untouched and the temp file is gone.
bool replaceAtomically(const fs::path& target, const std::string& content, std::string& error) {
  const fs::path dir = target.parent_path();
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) {
    error = "cannot make the folder " + dir.string() + ": " + ec.message();
    return false;
  }
  fs::path temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = dir / ("." + target.filename().string() + ".tmp-" + std::to_string(::getpid()) + "-" +
                  std::to_string(attempt));
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    error = errnoText(errno);
    return false;
  }
  const bool written = writeAll(fd, content) && ::fsync(fd) == 0;
  const int writeError = errno;
  if (::close(fd) != 0 || !written) {
    error = errnoText(written ? errno : writeError);
    ::unlink(temp.c_str());
    return false;
  }
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    error = errnoText(errno);
    ::unlink(temp.c_str());
    return false;
  }
  // The rename is only durable once the directory entry is; some file systems cannot sync a
  // directory, and the new file is in place either way.
  const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
  return true;
}

// Moves a damaged file to defaults.json.corrupt-<time>, never replacing an existing file.
std::optional<fs::path> moveAside(const fs::path& file, std::int64_t time, std::string& error) {
  const std::string base = file.filename().string() + ".corrupt-" + std::to_string(time);
  for (int n = 1; n <= 1000; ++n) {
    const fs::path aside = file.parent_path() / (n == 1 ? base : base + "-" + std::to_string(n));
    // link() refuses an existing name, so nothing can be overwritten between check and move.
    if (::link(file.c_str(), aside.c_str()) == 0) {
      if (::unlink(file.c_str()) == 0) return aside;
      error = errnoText(errno);
      ::unlink(aside.c_str());
      return std::nullopt;
    }
    const int e = errno;
    if (e == EEXIST) continue;
    if (e == EPERM || e == ENOTSUP || e == EMLINK || e == ENOSYS) {
      // A file system without hard links: check, then rename.
      std::error_code ec;
      if (fs::symlink_status(aside, ec).type() != fs::file_type::not_found) continue;
      if (::rename(file.c_str(), aside.c_str()) == 0) return aside;
    }
    error = errnoText(errno);
    return std::nullopt;
  }
  error = "no free name for a copy";
  return std::nullopt;
}

// A save killed between writing its temp file and renaming it leaves the temp file behind.
// Those of processes that no longer run are removed; a running one may still be saving.
void removeStaleTempFiles(const fs::path& target) {
  const std::string prefix = "." + target.filename().string() + ".tmp-";
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(target.parent_path(), ec)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(prefix, 0) != 0) continue;
    const std::string rest = name.substr(prefix.size());  // <pid>-<attempt>
    const auto dash = rest.find('-');
    if (dash == 0 || dash == std::string::npos ||
        rest.find_first_not_of("0123456789-") != std::string::npos) {
      continue;
    }
    const long pid = std::strtol(rest.substr(0, dash).c_str(), nullptr, 10);
    if (pid > 0 && pid != ::getpid() && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
      ::unlink(entry.path().c_str());
    }
  }
}

// The file to replace: a symbolic link's target, so a linked settings file stays linked.
fs::path writeTarget(const fs::path& file) {
  std::error_code ec;
  if (!fs::is_symlink(fs::symlink_status(file, ec))) return file;
  fs::path target = fs::read_symlink(file, ec);
  if (ec) return file;
  return target.is_absolute() ? target : file.parent_path() / target;
}

}  // namespace

fs::path defaultStoreDirectory() {
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && config[0] == '/') {
    return fs::path(config) / "vora";
  }
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] == '\0') {
    if (const passwd* user = ::getpwuid(::getuid()); user != nullptr) home = user->pw_dir;
  }
  return fs::path(home != nullptr ? home : ".") / ".config" / "vora";
}

JsonFileDefaultsStore::JsonFileDefaultsStore(fs::path dir, Log& log, UnixClock clock)
    : dir_(std::move(dir)), file_(dir_ / kFileName), log_(log), clock_(std::move(clock)) {
  if (!clock_) clock_ = [] { return static_cast<std::int64_t>(std::time(nullptr)); };
  load();
}

void JsonFileDefaultsStore::load() {
  removeStaleTempFiles(writeTarget(file_));
  std::string content;
  std::string error;
  switch (readWholeFile(file_, content, error)) {
    case ReadStatus::missing:
      return;
    case ReadStatus::failed:
      leaveFileAlone_ = true;
      log_.system("vora: cannot read the settings file " + file_.string() + " (" + error +
                  "); starting with default settings, and changes are kept for this run only "
                  "so that the file stays as it is");
      return;
    case ReadStatus::ok:
      break;
  }

  const char* damage = nullptr;
  std::optional<std::vector<Member>> members;
  if (content.find_first_not_of(" \t\r\n") == std::string::npos) {
    damage = "it is empty";
  } else if (const Json document = Json::parse(content, nullptr, false); document.is_discarded()) {
    damage = "it is not valid JSON";
  } else if (!document.is_object()) {
    damage = "it is not a JSON object";
  } else if (members = splitMembers(content); !members) {
    damage = "it is not valid JSON";
  }

  if (damage != nullptr) {
    if (auto aside = moveAside(file_, clock_(), error)) {
      log_.system("vora: the settings file " + file_.string() + " is damaged (" + damage +
                  "); it was kept as " + aside->string() +
                  " and Vora starts with default settings");
    } else {
      leaveFileAlone_ = true;
      log_.system("vora: the settings file " + file_.string() + " is damaged (" + damage +
                  ") and could not be moved aside (" + error +
                  "); starting with default settings, and changes are kept for this run only "
                  "so that the file stays as it is");
    }
    return;
  }

  for (auto& member : *members) {
    const Json value = Json::parse(member.text, nullptr, false);
    DefaultsValue converted = toValue(value, member.text);
    MemoryDefaultsStore::set(member.key, converted);
    loaded_.insert_or_assign(member.key, Loaded{std::move(converted), std::move(member.text)});
  }
}

void JsonFileDefaultsStore::set(std::string_view key, DefaultsValue value) {
  MemoryDefaultsStore::set(key, std::move(value));
  save();
}

void JsonFileDefaultsStore::remove(std::string_view key) {
  MemoryDefaultsStore::remove(key);
  save();
}

std::string JsonFileDefaultsStore::serialize() const {
  std::string out = "{";
  bool first = true;
  for (const auto& [key, value] : values_) {
    out += first ? "\n  " : ",\n  ";
    first = false;
    out += quoted(key);
    out += ": ";
    const auto loaded = loaded_.find(key);
    out += loaded != loaded_.end() && loaded->second.value == value ? loaded->second.text
                                                                    : valueText(value);
  }
  out += first ? "}\n" : "\n}\n";
  return out;
}

void JsonFileDefaultsStore::save() {
  if (leaveFileAlone_) return;
  std::string error;
  if (replaceAtomically(writeTarget(file_), serialize(), error)) {
    if (writeFailing_) log_.system("vora: settings are saved to " + file_.string() + " again");
    writeFailing_ = false;
    return;
  }
  if (!writeFailing_) {
    log_.system("vora: cannot save settings to " + file_.string() + " (" + error +
                "); changes are kept for this run and saving is tried again on the next change");
  }
  writeFailing_ = true;
}

}  // namespace vora
