#pragma once

// A virtual display and the windowed app on it, for the window's end-to-end tests: Xvfb on a
// display number no other test uses, `vora --windowed`, and xdotool to move and click the
// mouse in the window as a person would.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/jack_server.h"

namespace vora::test {

/// An Xvfb server of its own. Stopped when destroyed.
class VirtualDisplay {
 public:
  /// Starts Xvfb on the first free display number from a base that depends on this process,
  /// so tests running side by side do not meet. Null, with the reason, when it cannot start.
  static std::unique_ptr<VirtualDisplay> start(std::string* whyNot) {
    const int base = 300 + static_cast<int>(::getpid() % 500) * 2;
    for (int n = base; n < base + 40; ++n) {
      const std::filesystem::path socket = "/tmp/.X11-unix/X" + std::to_string(n);
      const std::filesystem::path lock = "/tmp/.X" + std::to_string(n) + "-lock";
      std::error_code ec;
      if (std::filesystem::exists(socket, ec) || std::filesystem::exists(lock, ec)) continue;
      auto xvfb = ChildProcess::start(
          {"Xvfb", ":" + std::to_string(n), "-screen", "0", "1280x800x24", "-nolisten", "tcp"}, {},
          whyNot);
      if (!xvfb) return nullptr;
      const bool up = waitUntil(
          [&] {
            return std::filesystem::exists(socket, ec) || xvfb->wait(std::chrono::milliseconds(0));
          },
          std::chrono::seconds(10));
      if (up && !xvfb->wait(std::chrono::milliseconds(0))) {
        auto display = std::unique_ptr<VirtualDisplay>(new VirtualDisplay);
        display->name_ = ":" + std::to_string(n);
        display->xvfb_ = std::move(xvfb);
        return display;
      }
      // Taken after all (another server won the race): try the next number.
    }
    if (whyNot != nullptr) *whyNot = "Xvfb did not start on any display tried";
    return nullptr;
  }

  /// ":N".
  const std::string& name() const { return name_; }
  std::string environment() const { return "DISPLAY=" + name_; }

  /// Runs xdotool with args on this display; its output, or nothing when it failed.
  std::optional<std::string> xdotool(const std::vector<std::string>& args) const {
    std::vector<std::string> argv{"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    ProcessResult r = runProcess(argv, {environment()}, std::chrono::seconds(20));
    if (r.exitCode != 0 || r.timedOut) return std::nullopt;
    return r.output;
  }

 private:
  VirtualDisplay() = default;
  std::string name_;
  std::unique_ptr<ChildProcess> xvfb_;
};

/// Where a window lies on the screen, in pixels.
struct WindowGeometry {
  int x = 0, y = 0, width = 0, height = 0;
};

/// Drives one window with the mouse and the keyboard through xdotool.
class WindowDriver {
 public:
  WindowDriver(const VirtualDisplay& display, WindowGeometry geometry)
      : display_(display), g_(geometry) {}

  /// Finds the window titled exactly title, waiting up to 20 s for it.
  static std::optional<WindowGeometry> find(const VirtualDisplay& display,
                                            const std::string& title) {
    auto ids = display.xdotool({"search", "--sync", "--onlyvisible", "--name", "^" + title + "$"});
    if (!ids || ids->empty()) return std::nullopt;
    const std::string id = ids->substr(0, ids->find('\n'));
    auto shell = display.xdotool({"getwindowgeometry", "--shell", id});
    if (!shell) return std::nullopt;
    WindowGeometry g;
    std::istringstream lines(*shell);
    for (std::string line; std::getline(lines, line);) {
      const auto eq = line.find('=');
      if (eq == std::string::npos) continue;
      const std::string key = line.substr(0, eq);
      const int value = std::stoi(line.substr(eq + 1));
      if (key == "X") g.x = value;
      if (key == "Y") g.y = value;
      if (key == "WIDTH") g.width = value;
      if (key == "HEIGHT") g.height = value;
    }
    return g;
  }

  const WindowGeometry& geometry() const { return g_; }

  /// Moves the mouse to (x, y) in the window's own pixels.
  void move(int x, int y) const {
    display_.xdotool({"mousemove", std::to_string(g_.x + x), std::to_string(g_.y + y)});
  }
  void press() const { display_.xdotool({"mousedown", "1"}); }
  void release() const { display_.xdotool({"mouseup", "1"}); }
  /// Presses and releases the left button at (x, y), then lets the app draw a frame or two.
  void click(int x, int y) const {
    move(x, y);
    press();
    pause();
    release();
    pause();
  }
  /// Types text into the focused field.
  void type(const std::string& text) const {
    display_.xdotool({"type", "--delay", "40", text});
    pause();
  }
  /// Presses and releases a key ("Return", "Escape"), held long enough for one frame.
  void key(const std::string& name) const {
    display_.xdotool({"keydown", name});
    pause();
    display_.xdotool({"keyup", name});
    pause();
  }
  /// Long enough for the interface to see a change (a few frames on a software renderer).
  static void pause() { std::this_thread::sleep_for(std::chrono::milliseconds(250)); }

 private:
  const VirtualDisplay& display_;
  WindowGeometry g_;
};

/// A store directory holding defaults.json with the given JSON text, removed when destroyed.
class StoreDirectory {
 public:
  explicit StoreDirectory(const std::string& json) {
    char pattern[] = "/tmp/vora-window-test-XXXXXX";
    dir_ = ::mkdtemp(pattern);
    std::ofstream(dir_ / "defaults.json") << json;
  }
  ~StoreDirectory() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  StoreDirectory(const StoreDirectory&) = delete;
  StoreDirectory& operator=(const StoreDirectory&) = delete;

  const std::filesystem::path& path() const { return dir_; }
  /// The store file's text now.
  std::string contents() const {
    std::ifstream in(dir_ / "defaults.json");
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  std::filesystem::path dir_;
};

using Bytes = std::vector<std::vector<std::uint8_t>>;

/// The factory Ableton row's speed controller (118): its values depend on how fast the pointer
/// moved, so the tests set it aside.
inline constexpr std::uint8_t kSpeedController = 0x76;

/// Positions in the window's own layout for a 1024 x 600 window (buttons 72 points, margin
/// 21.6): the centres of the buttons and the lock view.
namespace layout {
inline constexpr int kSettings[2] = {57, 57};
inline constexpr int kLockButton[2] = {57, 147};
inline constexpr int kMode[2] = {966, 57};
inline constexpr int kPin[2] = {966, 147};
inline constexpr int kRight[2] = {966, 542};
inline constexpr int kLeft[2] = {876, 542};
inline constexpr int kLockView[2] = {79, 521};
}  // namespace layout

/// A JACK server, a virtual display, jack_midi_dump and `vora --windowed` on them, each the
/// test's own. Skips with a clear message where JACK or Xvfb cannot start.
class WindowAppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    jack_ = JackServer::start(&why);
    if (!jack_) GTEST_SKIP() << "no JACK server can be started here: " << why;
    display_ = VirtualDisplay::start(&why);
    if (!display_) GTEST_SKIP() << "no virtual display (Xvfb) can be started here: " << why;
  }

  void TearDown() override {
    if (vora_) {
      // Closing the window ends the app cleanly.
      EXPECT_EQ(vora_->stop(), 0) << vora_->errors();
    }
  }

  /// Starts jack_midi_dump, then Vora on a store holding storeJson, and finds its window.
  void startVora(const std::string& storeJson) {
    std::string why;
    dump_ = jack_->startMidiDump("dump", &why);
    ASSERT_NE(dump_, nullptr) << why;
    store_ = std::make_unique<StoreDirectory>(storeJson);
    vora_ = ChildProcess::start(
        {VORA_BINARY, "--windowed", "--store", store_->path().string(), "--midi-api", "jack"},
        {display_->environment(), jack_->environment()}, &why);
    ASSERT_NE(vora_, nullptr) << why;
    auto geometry = WindowDriver::find(*display_, "Vora");
    ASSERT_TRUE(geometry) << "no window; vora said: " << vora_->errors();
    ASSERT_EQ(geometry->width, 1024);
    ASSERT_EQ(geometry->height, 600);
    window_ = std::make_unique<WindowDriver>(*display_, *geometry);
    ASSERT_TRUE(waitUntil([&] { return vora_->output().find("appear\n") != std::string::npos; }))
        << vora_->output() << vora_->errors();
    WindowDriver::pause();
  }

  /// Everything the dump received so far, without the speed controller.
  Bytes received() const {
    Bytes all = parseMidiDump(dump_->output());
    std::erase_if(all, [](const auto& m) { return m.size() == 3 && m[1] == kSpeedController; });
    return all;
  }
  /// Waits until count messages (speed aside) arrived, or 10 s; returns what arrived.
  Bytes waitFor(std::size_t count) const {
    Bytes got;
    waitUntil([&] {
      got = received();
      return got.size() >= count;
    });
    return got;
  }
  bool receivedSpeed() const {
    const Bytes all = parseMidiDump(dump_->output());
    return std::any_of(all.begin(), all.end(),
                       [](const auto& m) { return m.size() == 3 && m[1] == kSpeedController; });
  }

  std::unique_ptr<JackServer> jack_;
  std::unique_ptr<VirtualDisplay> display_;
  std::unique_ptr<ChildProcess> dump_;
  std::unique_ptr<StoreDirectory> store_;
  std::unique_ptr<ChildProcess> vora_;
  std::unique_ptr<WindowDriver> window_;
};

}  // namespace vora::test
