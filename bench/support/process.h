#pragma once

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vora::bench {

/// A child process started by a benchmark, its output in a log file. Stopped (SIGTERM, then
/// SIGKILL) when destroyed, so that a failing benchmark leaves nothing running.
class Child {
 public:
  /// Starts argv (argv[0] looked up in PATH) with env entries ("NAME=value") added. Output
  /// and errors go to logPath (or are dropped when it is empty). Null when it cannot start.
  static std::unique_ptr<Child> start(const std::vector<std::string>& argv,
                                      const std::vector<std::string>& env = {},
                                      const std::string& logPath = {});
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  pid_t pid() const { return pid_; }
  /// The exit code (128 + signal when killed) once it ended within timeout, else none.
  std::optional<int> wait(std::chrono::milliseconds timeout);
  /// SIGTERM, up to grace to end, then SIGKILL.
  int stop(std::chrono::milliseconds grace = std::chrono::seconds(5));

 private:
  Child() = default;
  pid_t pid_ = -1;
  std::optional<int> exit_;
};

/// Runs argv to its end (killed after timeout); its standard output, or none when it failed.
std::optional<std::string> runToEnd(const std::vector<std::string>& argv,
                                    const std::vector<std::string>& env = {},
                                    std::chrono::milliseconds timeout = std::chrono::seconds(60));

/// A JACK server of the benchmark's own: `jackd --no-realtime -d dummy` under a name that
/// no other server uses. Stopped when destroyed.
class JackServer {
 public:
  /// Null, with the reason in whyNot, when jackd cannot start here. realtime asks for
  /// SCHED_FIFO threads (as a musician runs JACK); where that is refused it runs without.
  static std::unique_ptr<JackServer> start(int periodFrames, int rate, std::string* whyNot,
                                           bool realtime = false);
  bool realtime() const { return realtime_; }
  ~JackServer();
  const std::string& name() const { return name_; }
  int periodFrames() const { return period_; }
  int rate() const { return rate_; }
  double periodMs() const { return 1000.0 * period_ / rate_; }
  /// "JACK_DEFAULT_SERVER=<name>", for child processes.
  std::string environment() const { return "JACK_DEFAULT_SERVER=" + name_; }
  /// Points libjack in this process at this server.
  void useInThisProcess() const;

 private:
  JackServer() = default;
  std::string name_;
  int period_ = 0, rate_ = 0;
  bool realtime_ = false;
  std::unique_ptr<Child> jackd_;
};

/// A virtual X display of the benchmark's own (Xvfb). Stopped when destroyed.
class VirtualDisplay {
 public:
  /// blackRoot: a black root window instead of X's grey pattern.
  static std::unique_ptr<VirtualDisplay> start(int width, int height, std::string* whyNot,
                                               bool blackRoot = false);
  ~VirtualDisplay();
  /// ":N".
  const std::string& name() const { return name_; }
  std::string environment() const { return "DISPLAY=" + name_; }

 private:
  VirtualDisplay() = default;
  std::string name_;
  std::unique_ptr<Child> xvfb_;
};

/// Polls condition every millisecond until it holds (true) or timeout passes (false).
template <typename F>
bool waitUntil(F condition, std::chrono::milliseconds timeout);

}  // namespace vora::bench

#include <thread>

namespace vora::bench {
template <typename F>
bool waitUntil(F condition, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}
}  // namespace vora::bench
