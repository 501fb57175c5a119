#include "support/jack_server.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

extern char** environ;

namespace vora::test {

namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// This process's environment with overrides, as "NAME=value" strings.
std::vector<std::string> mergedEnvironment(const std::vector<std::string>& overrides) {
  std::map<std::string, std::string> vars;
  auto add = [&](const std::string& entry) {
    const auto eq = entry.find('=');
    vars[entry.substr(0, eq)] = eq == std::string::npos ? "" : entry.substr(eq + 1);
  };
  for (char** e = environ; *e != nullptr; ++e) add(*e);
  for (const std::string& entry : overrides) add(entry);
  std::vector<std::string> merged;
  for (const auto& [name, value] : vars) merged.push_back(name + "=" + value);
  return merged;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
  std::vector<char*> p;
  for (std::string& s : strings) p.push_back(s.data());
  p.push_back(nullptr);
  return p;
}

int exitCodeOf(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

// The program's path: argv[0] itself when it holds a slash, else the first match in PATH.
std::optional<std::string> findProgram(const std::string& name) {
  if (name.find('/') != std::string::npos) return name;
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path != nullptr ? path : "/usr/bin:/bin");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    const std::filesystem::path candidate = std::filesystem::path(dir.empty() ? "." : dir) / name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
  }
  return std::nullopt;
}

std::string uniqueSuffix() {
  static std::atomic<int> counter{0};
  return std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

}  // namespace

std::unique_ptr<ChildProcess> ChildProcess::start(const std::vector<std::string>& argv,
                                                  const std::vector<std::string>& env,
                                                  std::string* whyNot, int stopSignal) {
  std::unique_ptr<ChildProcess> child(new ChildProcess);
  child->stopSignal_ = stopSignal;
  const std::optional<std::string> program = findProgram(argv.at(0));
  if (!program) {
    *whyNot = "cannot find " + argv[0];
    return nullptr;
  }
  std::string dirTemplate = (std::filesystem::temp_directory_path() / "vora-child-XXXXXX").string();
  if (::mkdtemp(dirTemplate.data()) == nullptr) {
    *whyNot = std::string("mkdtemp: ") + std::strerror(errno);
    return nullptr;
  }
  child->dir_ = dirTemplate;
  const std::string out = (child->dir_ / "stdout").string();
  const std::string err = (child->dir_ / "stderr").string();
  std::vector<std::string> args = argv;
  std::vector<std::string> vars = mergedEnvironment(env);
  std::vector<char*> argp = pointers(args);
  std::vector<char*> envp = pointers(vars);

  // fork and exec rather than posix_spawn: the child asks to be signalled when the test
  // dies, so that a crashed test leaves no server running. Between fork and exec only
  // async-signal-safe calls.
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid < 0) {
    *whyNot = std::string("fork: ") + std::strerror(errno);
    return nullptr;
  }
  if (pid == 0) {
    ::prctl(PR_SET_PDEATHSIG, stopSignal);
    if (::getppid() != parent) ::_exit(127);
    const int in = ::open("/dev/null", O_RDONLY);
    const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || o < 0 || e < 0) ::_exit(127);
    ::dup2(in, STDIN_FILENO);
    ::dup2(o, STDOUT_FILENO);
    ::dup2(e, STDERR_FILENO);
    ::execve(program->c_str(), argp.data(), envp.data());
    ::_exit(127);
  }
  child->pid_ = pid;
  return child;
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) stop();
  std::error_code ignored;
  if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
}

std::optional<int> ChildProcess::wait(milliseconds timeout) {
  if (exitCode_ || pid_ <= 0) return exitCode_;
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      exitCode_ = exitCodeOf(status);
      return exitCode_;
    }
    if (done < 0) {
      exitCode_ = -1;
      return exitCode_;
    }
    if (Clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(milliseconds(5));
  }
}

int ChildProcess::stop(milliseconds grace) {
  if (!exitCode_ && pid_ > 0) {
    ::kill(pid_, stopSignal_);
    if (!wait(grace)) {
      ::kill(pid_, SIGKILL);
      wait(std::chrono::seconds(10));
    }
  }
  return exitCode_.value_or(-1);
}

std::string ChildProcess::output() const { return readFile(dir_ / "stdout"); }
std::string ChildProcess::errors() const { return readFile(dir_ / "stderr"); }

ProcessResult runProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                         milliseconds timeout) {
  ProcessResult result;
  std::string whyNot;
  auto child = ChildProcess::start(argv, env, &whyNot);
  if (!child) {
    result.errors = whyNot;
    return result;
  }
  if (auto code = child->wait(timeout)) {
    result.exitCode = *code;
  } else {
    result.timedOut = true;
    result.exitCode = child->stop();
  }
  result.output = child->output();
  result.errors = child->errors();
  return result;
}

bool waitUntil(const std::function<bool()>& condition, milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    if (condition()) return true;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(milliseconds(10));
  }
}

std::unique_ptr<JackServer> JackServer::start(std::string* whyNot) {
  std::unique_ptr<JackServer> server(new JackServer);
  server->name_ = "vora-test-" + uniqueSuffix();
  // A long client timeout: on a loaded machine a test's client may wait for the CPU, and
  // JACK must not drop it for that.
  server->jackd_ = ChildProcess::start({"jackd", "--no-realtime", "-t", "10000", "-n",
                                        server->name_, "-d", "dummy", "-r", "48000", "-p", "1024"},
                                       {}, whyNot);
  if (!server->jackd_) return nullptr;
  const bool up = waitUntil([&] {
    if (server->jackd_->wait(milliseconds(0))) return true;  // ended: stop waiting
    // jack_wait -c exits 0 either way; it prints "running" or "not running".
    return runProcess({"jack_wait", "-s", server->name_, "-c"}, {}).output == "running\n";
  });
  if (auto ended = server->jackd_->wait(milliseconds(0)); ended || !up) {
    *whyNot = "jackd did not come up (" +
              (ended ? "exit " + std::to_string(*ended) : std::string("timeout")) +
              "): " + server->jackd_->errors() + server->jackd_->output();
    return nullptr;
  }
  return server;
}

JackServer::~JackServer() {
  if (jackd_) jackd_->stop();
}

void JackServer::useInThisProcess() const { ::setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1); }

std::vector<std::string> JackServer::ports() const {
  const ProcessResult listed = runProcess({"jack_lsp", "-s", name_}, {});
  std::vector<std::string> names;
  std::istringstream lines(listed.output);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty()) names.push_back(line);
  }
  return names;
}

std::unique_ptr<ChildProcess> JackServer::startMidiDump(const std::string& clientName,
                                                        std::string* whyNot) const {
  // jack_midi_dump closes its client on SIGINT only; killed otherwise, it leaves the server
  // waiting seconds for a client that is gone.
  auto dump = ChildProcess::start({"jack_midi_dump", clientName}, {environment()}, whyNot, SIGINT);
  if (!dump) return nullptr;
  const std::string port = clientName + ":input";
  const bool up = waitUntil([&] {
    for (const std::string& p : ports()) {
      if (p == port) return true;
    }
    return false;
  });
  if (!up) {
    *whyNot = "jack_midi_dump did not come up: " + dump->errors();
    return nullptr;
  }
  return dump;
}

std::string unusedJackServerName() { return "vora-test-absent-" + uniqueSuffix(); }

std::vector<std::vector<std::uint8_t>> parseMidiDump(const std::string& output) {
  // Each event is one line: "<offset>: <byte> <byte> ... <description>", bytes as two
  // lower-case hex digits.
  std::vector<std::vector<std::uint8_t>> messages;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    const auto colon = line.find(':');
    if (colon == std::string::npos) continue;
    std::istringstream tokens(line.substr(colon + 1));
    std::vector<std::uint8_t> bytes;
    for (std::string token; tokens >> token;) {
      if (token.size() != 2 || !std::isxdigit(static_cast<unsigned char>(token[0])) ||
          !std::isxdigit(static_cast<unsigned char>(token[1]))) {
        break;
      }
      bytes.push_back(static_cast<std::uint8_t>(std::stoi(token, nullptr, 16)));
    }
    if (!bytes.empty()) messages.push_back(std::move(bytes));
  }
  return messages;
}

}  // namespace vora::test
