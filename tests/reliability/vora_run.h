#pragma once

// Running the real vora binary headless: a script file or a script fed live through a pipe,
// and what came out of it.
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace vora::rel {

namespace fs = std::filesystem;
using Json = nlohmann::json;

inline std::string readFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const fs::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << bytes;
}

inline std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) out.push_back(line);
  }
  return out;
}

/// The objects of the DUMP lines, in order. A last line still being written (no newline
/// yet) does not count.
inline std::vector<Json> dumps(std::string output) {
  output.erase(output.find_last_of('\n') == std::string::npos ? 0 : output.find_last_of('\n') + 1);
  std::vector<Json> out;
  for (const std::string& line : lines(output)) {
    if (line.rfind("DUMP ", 0) == 0) out.push_back(Json::parse(line.substr(5)));
  }
  return out;
}

/// Starts argv (argv[0] looked up in PATH) with stdout and stderr going to files: its pid,
/// or -1. Reap it with waitpid. Should the test die without stopping it, it gets SIGTERM, so
/// a crashed test leaves no server or player running.
inline pid_t spawnTo(const std::vector<std::string>& argv, const fs::path& out,
                     const fs::path& err) {
  // Everything the child needs is made before the fork: after it, only system calls.
  std::vector<std::string> args = argv;
  std::vector<char*> pointers;
  for (std::string& a : args) pointers.push_back(a.data());
  pointers.push_back(nullptr);
  // The files are emptied here, before the child exists: a child killed at once must not
  // leave an earlier run's output looking like its own.
  const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const pid_t test = ::getpid();
  const pid_t pid = in < 0 || o < 0 || e < 0 ? -1 : ::fork();
  if (pid == 0) {
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != test) ::_exit(127);  // the test already died
    ::dup2(in, STDIN_FILENO);
    ::dup2(o, STDOUT_FILENO);
    ::dup2(e, STDERR_FILENO);
    ::execvp(pointers[0], pointers.data());
    ::_exit(127);
  }
  for (int fd : {in, o, e}) {
    if (fd >= 0) ::close(fd);
  }
  return pid;
}

/// Polls condition every few milliseconds until it holds (true) or timeout passes (false).
inline bool waitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

/// An exit code as a shell gives it: 128 + the signal for a killed process.
inline int exitCodeOf(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

/// A child process writing to files of its own; stopped if still running at the end.
class Process {
 public:
  explicit Process(const std::vector<std::string>& argv) {
    std::string name = (fs::temp_directory_path() / "vora-process-XXXXXX").string();
    if (::mkdtemp(name.data()) == nullptr) return;
    dir_ = name;
    pid_ = spawnTo(argv, dir_ / "out", dir_ / "err");
  }
  ~Process() {
    // SIGTERM first: a JACK client or server ended that way leaves JACK's shared state whole.
    if (pid_ > 0 && !exitCode_) {
      ::kill(pid_, SIGTERM);
      if (!wait(std::chrono::seconds(5))) ::kill(pid_, SIGKILL);
      wait(std::chrono::seconds(10));
    }
    std::error_code ec;
    if (!dir_.empty()) fs::remove_all(dir_, ec);
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  pid_t pid() const { return pid_; }
  /// The exit code once it ended within timeout.
  std::optional<int> wait(std::chrono::milliseconds timeout) {
    if (exitCode_ || pid_ <= 0) return exitCode_;
    waitUntil(
        [&] {
          int status = 0;
          const pid_t done = ::waitpid(pid_, &status, WNOHANG);
          if (done == pid_) exitCode_ = exitCodeOf(status);
          if (done < 0) exitCode_ = -1;
          return exitCode_.has_value();
        },
        timeout);
    return exitCode_;
  }
  bool running() { return pid_ > 0 && !wait(std::chrono::milliseconds(0)); }
  std::string output() const { return readFile(dir_ / "out"); }
  std::string errors() const { return readFile(dir_ / "err"); }

 private:
  fs::path dir_;
  pid_t pid_ = -1;
  std::optional<int> exitCode_;
};

/// What a finished run gave.
struct RunResult {
  int exitCode = -1;
  bool timedOut = false;
  std::string output;
  std::string errors;
};

/// Runs argv to its end; killed after timeout (timedOut set).
inline RunResult runProcess(const std::vector<std::string>& argv,
                            std::chrono::milliseconds timeout = std::chrono::seconds(120)) {
  Process p(argv);
  RunResult run;
  if (auto code = p.wait(timeout)) {
    run.exitCode = *code;
  } else {
    run.timedOut = true;
  }
  if (run.timedOut) {
    ::kill(p.pid(), SIGKILL);
    run.exitCode = p.wait(std::chrono::seconds(10)).value_or(-1);
  }
  run.output = p.output();
  run.errors = p.errors();
  return run;
}

/// A fresh folder, removed with everything in it at the end (made writable first).
class TempDir {
 public:
  explicit TempDir(const fs::path& under = fs::temp_directory_path()) {
    std::string name = (under / "vora-reliability-XXXXXX").string();
    if (::mkdtemp(name.data()) != nullptr) path_ = name;
  }
  ~TempDir() {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(path_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
      if (it->is_directory(ec)) fs::permissions(it->path(), fs::perms::owner_all, ec);
    }
    fs::permissions(path_, fs::perms::owner_all, ec);
    fs::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const fs::path& path() const { return path_; }
  fs::path operator/(const std::string& name) const { return path_ / name; }

 private:
  fs::path path_;
};

/// The argument list of one headless run; no MIDI system unless extra names one.
inline std::vector<std::string> headlessArgs(const fs::path& script, const fs::path& store,
                                             const std::vector<std::string>& extra = {}) {
  std::vector<std::string> args{VORA_BINARY,     "--headless", "--script",
                                script.string(), "--store",    store.string()};
  if (std::find(extra.begin(), extra.end(), "--midi-api") == extra.end()) {
    args.insert(args.end(), {"--midi-api", "none"});
  }
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

/// Plays script (the text) with the store in storeDir. prefix runs before vora (setpriv ...).
inline RunResult runVora(const fs::path& storeDir, const std::string& script,
                         const std::vector<std::string>& extra = {},
                         const std::vector<std::string>& prefix = {}) {
  TempDir scratch;
  const fs::path file = scratch / "script.txt";
  writeFile(file, script);
  fs::permissions(scratch.path(), fs::perms::all, fs::perm_options::add);  // for setpriv runs
  std::vector<std::string> argv = prefix;
  for (std::string& a : headlessArgs(file, storeDir, extra)) argv.push_back(std::move(a));
  return runProcess(argv);
}

/// vora playing a script that the test writes as it goes (a named pipe), so that the test
/// can change the world between two steps and see each step's effect.
class LiveVora {
 public:
  /// Starts argvFront + the headless arguments (script = the pipe) + extra.
  LiveVora(const fs::path& storeDir, const std::vector<std::string>& extra = {},
           const std::vector<std::string>& argvFront = {}) {
    pipe_ = scratch_ / "script.pipe";
    fs::permissions(scratch_.path(), fs::perms::all, fs::perm_options::add);
    if (::mkfifo(pipe_.c_str(), 0666) != 0 || ::chmod(pipe_.c_str(), 0666) != 0) {
      whyNot_ = std::string("mkfifo: ") + std::strerror(errno);
      return;
    }
    std::vector<std::string> argv = argvFront;
    for (std::string& a : headlessArgs(pipe_, storeDir, extra)) argv.push_back(std::move(a));
    child_ = std::make_unique<Process>(argv);
    if (child_->pid() <= 0) {
      whyNot_ = "cannot start " + argv[0];
      return;
    }
    // The pipe opens for writing once vora opens it for reading.
    const bool opened = waitUntil(
        [&] {
          fd_ = ::open(pipe_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
          return fd_ >= 0 || child_->wait(std::chrono::milliseconds(0)).has_value();
        },
        std::chrono::seconds(30));
    if (fd_ < 0) {
      whyNot_ = opened ? "vora ended before reading its script: " + child_->errors()
                       : "vora did not open its script";
      return;
    }
    ::fcntl(fd_, F_SETFL, 0);  // blocking writes from here on
  }
  ~LiveVora() {
    if (fd_ >= 0) ::close(fd_);
  }
  LiveVora(const LiveVora&) = delete;
  LiveVora& operator=(const LiveVora&) = delete;

  bool running() const { return fd_ >= 0; }
  /// The process reading the script (vora, whatever ran before it exec'd), or -1.
  pid_t pid() const {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator("/proc", ec)) {
      const std::string name = e.path().filename().string();
      if (name.find_first_not_of("0123456789") != std::string::npos) continue;
      std::string cmdline = readFile(e.path() / "cmdline");
      for (char& c : cmdline) c = c == '\0' ? ' ' : c;
      if (cmdline.find(std::string(VORA_BINARY) + " --headless --script " + pipe_.string()) !=
          std::string::npos) {
        return static_cast<pid_t>(std::stol(name));
      }
    }
    return -1;
  }
  const std::string& whyNot() const { return whyNot_; }
  Process& process() { return *child_; }

  /// Sends script lines; each must end up on its own line.
  bool send(const std::string& text) {
    std::string all = text;
    if (all.empty() || all.back() != '\n') all += '\n';
    std::size_t done = 0;
    while (done < all.size()) {
      const ssize_t n = ::write(fd_, all.data() + done, all.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      done += static_cast<std::size_t>(n);
    }
    return true;
  }

  /// Sends "<t> dump" and waits for that DUMP: every step sent before it has run.
  std::optional<Json> dumpAt(const std::string& time) {
    const std::size_t before = dumps(child_->output()).size();
    if (!send(time + " dump")) return std::nullopt;
    std::vector<Json> got;
    if (!waitUntil(
            [&] {
              got = dumps(child_->output());
              return got.size() > before || child_->wait(std::chrono::milliseconds(0)).has_value();
            },
            std::chrono::seconds(60)) ||
        got.size() <= before) {
      return std::nullopt;
    }
    return got.back();
  }

  /// Ends the script and waits for vora to finish: its exit code.
  std::optional<int> finish(std::chrono::milliseconds timeout = std::chrono::seconds(60)) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    return child_->wait(timeout);
  }

 private:
  TempDir scratch_;
  fs::path pipe_;
  int fd_ = -1;
  std::string whyNot_;
  std::unique_ptr<Process> child_;
};

}  // namespace vora::rel
