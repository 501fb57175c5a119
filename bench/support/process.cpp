#include "support/process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace vora::bench {

namespace {

std::vector<std::string> mergedEnvironment(const std::vector<std::string>& extra) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const std::string name = entry.substr(0, entry.find('='));
    bool overridden = false;
    for (const auto& x : extra) overridden |= x.substr(0, x.find('=')) == name;
    if (!overridden) env.push_back(entry);
  }
  env.insert(env.end(), extra.begin(), extra.end());
  return env;
}

// Joined by appending: GCC 12 warns falsely about "literal" + std::string temporaries.
std::string join(std::string a, const std::string& b) { return a.append(b); }

std::string uniqueName(const char* prefix) {
  static std::atomic<int> counter{0};
  return std::string(prefix) + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

}  // namespace

std::unique_ptr<Child> Child::start(const std::vector<std::string>& argv,
                                    const std::vector<std::string>& env,
                                    const std::string& logPath) {
  std::vector<std::string> envStrings = mergedEnvironment(env);
  std::vector<char*> args, envp;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  for (auto& e : envStrings) envp.push_back(e.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const char* out = logPath.empty() ? "/dev/null" : logPath.c_str();
  posix_spawn_file_actions_addopen(&actions, 1, out, O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  // Its own process group: stopping it also stops what it started.
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attr, 0);
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, args[0], &actions, &attr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) return nullptr;
  auto child = std::unique_ptr<Child>(new Child);
  child->pid_ = pid;
  return child;
}

Child::~Child() { stop(); }

std::optional<int> Child::wait(std::chrono::milliseconds timeout) {
  if (exit_) return exit_;
  const auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    int status = 0;
    const pid_t r = ::waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
      exit_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      return exit_;
    }
    if (r < 0) {
      exit_ = -1;
      return exit_;
    }
    if (std::chrono::steady_clock::now() >= end) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

int Child::stop(std::chrono::milliseconds grace) {
  if (exit_) return *exit_;
  ::kill(pid_, SIGTERM);
  if (auto code = wait(grace)) return *code;
  ::kill(-pid_, SIGKILL);
  ::kill(pid_, SIGKILL);
  return wait(std::chrono::seconds(5)).value_or(-1);
}

std::optional<std::string> runToEnd(const std::vector<std::string>& argv,
                                    const std::vector<std::string>& env,
                                    std::chrono::milliseconds timeout) {
  const std::string log = "/tmp/" + uniqueName("vora-bench-run-") + ".log";
  auto child = Child::start(argv, env, log);
  if (!child) return std::nullopt;
  const std::optional<int> code = child->wait(timeout);
  if (!code) child->stop();
  std::ifstream in(log);
  std::stringstream text;
  text << in.rdbuf();
  std::filesystem::remove(log);
  if (!code || *code != 0) return std::nullopt;
  return text.str();
}

std::unique_ptr<JackServer> JackServer::start(int periodFrames, int rate, std::string* whyNot,
                                              bool realtime) {
  auto server = std::unique_ptr<JackServer>(new JackServer);
  server->name_ = uniqueName("vora-bench-");
  server->period_ = periodFrames;
  server->rate_ = rate;
  server->realtime_ = realtime;
  const std::string log = "/tmp/" + server->name_ + ".log";
  std::vector<std::string> argv{"jackd"};
  if (realtime) {
    argv.insert(argv.end(), {"-R", "-P", "70"});
  } else {
    argv.push_back("--no-realtime");
  }
  argv.insert(argv.end(), {"-n", server->name_, "-d", "dummy", "-r", std::to_string(rate), "-p",
                           std::to_string(periodFrames)});
  server->jackd_ = Child::start(argv, {}, log);
  if (!server->jackd_) {
    *whyNot = "jackd cannot be started";
    return nullptr;
  }
  const bool up = waitUntil(
      [&] {
        if (server->jackd_->wait(std::chrono::milliseconds(0))) return true;
        auto out = runToEnd({"jack_wait", "-s", server->name_, "-c"}, {}, std::chrono::seconds(5));
        return out && *out == "running\n";
      },
      std::chrono::seconds(15));
  if (!up || server->jackd_->wait(std::chrono::milliseconds(0))) {
    if (realtime) {
      server->jackd_.reset();
      return start(periodFrames, rate, whyNot, false);
    }
    *whyNot = "jackd did not come up (see " + log + ")";
    return nullptr;
  }
  return server;
}

JackServer::~JackServer() {
  if (jackd_) jackd_->stop();
  std::filesystem::remove("/tmp/" + name_ + ".log");
}

void JackServer::useInThisProcess() const { ::setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1); }

std::unique_ptr<VirtualDisplay> VirtualDisplay::start(int width, int height, std::string* whyNot,
                                                      bool blackRoot) {
  const int base = 600 + static_cast<int>(::getpid() % 300);
  for (int n = base; n < base + 40; ++n) {
    const std::string number = std::to_string(n);
    const std::filesystem::path socket = join("/tmp/.X11-unix/X", number);
    const std::filesystem::path lock = join(join("/tmp/.X", number), "-lock");
    std::error_code ec;
    if (std::filesystem::exists(socket, ec) || std::filesystem::exists(lock, ec)) continue;
    std::vector<std::string> argv{"Xvfb",
                                  join(":", number),
                                  "-screen",
                                  "0",
                                  std::to_string(width) + "x" + std::to_string(height) + "x24",
                                  "-nolisten",
                                  "tcp"};
    if (blackRoot) argv.push_back("-br");
    auto xvfb = Child::start(argv);
    if (!xvfb) break;
    const bool up = waitUntil(
        [&] {
          return std::filesystem::exists(socket, ec) || xvfb->wait(std::chrono::milliseconds(0));
        },
        std::chrono::seconds(10));
    if (up && !xvfb->wait(std::chrono::milliseconds(0))) {
      auto display = std::unique_ptr<VirtualDisplay>(new VirtualDisplay);
      display->name_ = join(":", number);
      display->xvfb_ = std::move(xvfb);
      return display;
    }
  }
  *whyNot = "Xvfb did not start";
  return nullptr;
}

VirtualDisplay::~VirtualDisplay() {
  if (xvfb_) xvfb_->stop();
}

}  // namespace vora::bench
