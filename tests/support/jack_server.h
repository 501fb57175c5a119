#pragma once

#include <sys/types.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vora::test {

/// A child process whose stdout and stderr go to files. Stopped (its stop signal, then KILL)
/// when destroyed, so a failing test leaves nothing running.
class ChildProcess {
 public:
  /// Starts argv (argv[0] looked up in PATH) with env entries ("NAME=value") added to this
  /// process's environment; stop() asks it to end with stopSignal. Null, with the reason in
  /// whyNot, when it cannot be started.
  static std::unique_ptr<ChildProcess> start(const std::vector<std::string>& argv,
                                             const std::vector<std::string>& env,
                                             std::string* whyNot, int stopSignal = 15);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  /// Waits up to timeout for the process to end: its exit code (128 + signal when killed),
  /// or nothing when it is still running.
  std::optional<int> wait(std::chrono::milliseconds timeout);
  /// The stop signal, up to grace to end, then SIGKILL; returns the exit code.
  int stop(std::chrono::milliseconds grace = std::chrono::seconds(5));
  /// What it wrote so far.
  std::string output() const;
  std::string errors() const;

 private:
  ChildProcess() = default;
  pid_t pid_ = -1;
  int stopSignal_ = 15;
  std::optional<int> exitCode_;
  std::filesystem::path dir_;
};

/// What a finished process gave.
struct ProcessResult {
  int exitCode = -1;
  bool timedOut = false;
  std::string output;
  std::string errors;
};

/// Runs argv to its end (killed after timeout, then timedOut is set).
ProcessResult runProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                         std::chrono::milliseconds timeout = std::chrono::seconds(30));

/// Polls condition every few milliseconds until it holds (true) or timeout passes (false).
bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

/// A JACK server of its own for one test: `jackd --no-realtime -d dummy` under a server name
/// no other test uses, so tests can run in parallel. Stopped when destroyed.
class JackServer {
 public:
  /// Starts jackd and waits until clients can connect. Null, with the reason in whyNot, when
  /// jackd cannot start here.
  static std::unique_ptr<JackServer> start(std::string* whyNot);
  ~JackServer();
  JackServer(const JackServer&) = delete;
  JackServer& operator=(const JackServer&) = delete;

  const std::string& name() const { return name_; }
  /// What jackd printed so far (xruns, clients it gave up on).
  std::string log() const { return jackd_->output() + jackd_->errors(); }
  /// "JACK_DEFAULT_SERVER=<name>", for child processes.
  std::string environment() const { return "JACK_DEFAULT_SERVER=" + name_; }
  /// Points libjack in this process (RtMidi's JACK clients) at this server.
  void useInThisProcess() const;

  /// Every port of the server now, by full name (jack_lsp).
  std::vector<std::string> ports() const;
  /// Starts jack_midi_dump as client clientName and waits until its port clientName:input
  /// exists. Null, with the reason in whyNot, when it does not come up.
  std::unique_ptr<ChildProcess> startMidiDump(const std::string& clientName,
                                              std::string* whyNot) const;

 private:
  JackServer() = default;
  std::string name_;
  std::unique_ptr<ChildProcess> jackd_;
};

/// A server name that no server uses: for the "no server" cases.
std::string unusedJackServerName();

/// The messages jack_midi_dump printed, each as its bytes, in order.
std::vector<std::vector<std::uint8_t>> parseMidiDump(const std::string& output);

/// True when every message of part stands in whole, in the same order: what arrived was
/// sent, and at most lost on the way, never changed or reordered.
inline bool isSubsequence(const std::vector<std::vector<std::uint8_t>>& part,
                          const std::vector<std::vector<std::uint8_t>>& whole) {
  auto next = whole.begin();
  for (const auto& message : part) {
    next = std::find(next, whole.end(), message);
    if (next == whole.end()) return false;
    ++next;
  }
  return true;
}

}  // namespace vora::test
