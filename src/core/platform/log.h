#pragma once

#include <mutex>
#include <string_view>

namespace vora {

/// Where the app's diagnostics go: console lines on stdout, system-log messages on stderr.
class Log {
 public:
  virtual ~Log() = default;
  /// One console line (the text without its newline). Safe from any thread.
  virtual void console(std::string_view line) = 0;
  /// One system-log message. Safe from any thread.
  virtual void system(std::string_view message) = 0;
};

/// Console lines on standard output, system-log messages on standard error, each line whole.
class StdioLog final : public Log {
 public:
  void console(std::string_view line) override;
  void system(std::string_view message) override;

 private:
  std::mutex mutex_;
};

}  // namespace vora
