#pragma once

// Runs the real `vora --headless` binary on a small script, in a temporary directory of its
// own, and hands back what it wrote. Shared by the headless end-to-end tests.

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

namespace vora::test {

/// A fresh directory, removed with everything in it at the end of the test.
class TempDir {
 public:
  TempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "vora-headless-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline std::string readFile(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void writeFile(const std::filesystem::path& file, const std::string& text) {
  std::ofstream(file) << text;
}

/// What one run wrote and how it ended.
struct Run {
  int exitCode = -1;
  std::string out;
  std::string err;
};

/// The two lines every run on a fresh store starts with.
inline constexpr const char* kFreshStart = "launch\nlaunch count: 1\n";

/// Plays script with the store in dir/store, the MIDI log on stdout (between the console
/// lines) and no MIDI port, plus extra arguments. A run that hangs is stopped after a minute.
inline Run playScript(const TempDir& dir, const std::string& script,
                      std::initializer_list<std::string> extra = {}) {
  const auto scriptFile = dir.path() / "script.txt";
  writeFile(scriptFile, script);
  std::string command = "timeout 60 '" VORA_BINARY "' --headless --script '" + scriptFile.string() +
                        "' --store '" + (dir.path() / "store").string() +
                        "' --midi-log - --midi-api none";
  for (const auto& arg : extra) command += " '" + arg + "'";
  command += " >'" + (dir.path() / "out").string() + "' 2>'" + (dir.path() / "err").string() + "'";
  Run run;
  const int status = std::system(command.c_str());
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = readFile(dir.path() / "out");
  run.err = readFile(dir.path() / "err");
  return run;
}

/// The store file of dir's runs.
inline std::filesystem::path storeFile(const TempDir& dir) {
  return dir.path() / "store" / "defaults.json";
}

}  // namespace vora::test
