// Item 6: start-up and memory. `vora` started as a musician starts it (full screen, JACK, a
// store from an earlier run) on a virtual display: from process start to the first frame on
// screen and to its MIDI ports being open; then 60 s of play and its resident memory.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <jack/jack.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "support/fixture.h"
#include "support/jack_client.h"
#include "support/process.h"
#include "support/results.h"
#include "support/stats.h"

namespace vora::bench {
namespace {

using namespace std::chrono_literals;

constexpr int kScreenW = 1280, kScreenH = 720;
constexpr int kStarts = 3;
constexpr auto kPlay = 60s;

/// True once anything but black is on the screen: the root is black (-br) and the window
/// shows nothing before its first frame is swapped.
bool somethingDrawn(Display* x) {
  XImage* image = XGetImage(x, DefaultRootWindow(x), 0, 0, kScreenW, kScreenH, AllPlanes, ZPixmap);
  if (image == nullptr) return false;
  bool drawn = false;
  for (int y = 0; y < kScreenH && !drawn; y += 4) {
    for (int xx = 0; xx < kScreenW; xx += 4) {
      if ((XGetPixel(image, xx, y) & 0xFFFFFF) != 0) {
        drawn = true;
        break;
      }
    }
  }
  XDestroyImage(image);
  return drawn;
}

std::optional<double> residentMiB(pid_t pid, const char* field) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) {
      std::istringstream in(line.substr(std::string(field).size()));
      double kb = 0;
      in >> kb;
      return kb / 1024.0;
    }
  }
  return std::nullopt;
}

}  // namespace

int run() {
  Results results("startup");
  std::string why;
  // The display needs a black root for the first-frame test (Xvfb's default is a pattern).
  auto display = VirtualDisplay::start(kScreenW, kScreenH, &why, true);
  auto jack = display ? JackServer::start(256, 48000, &why) : nullptr;
  if (!display || !jack) {
    results.missing("6", "Start-up", "", why);
    return 1;
  }
  jack->useInThisProcess();
  BenchJackClient peer("synth");  // a destination and a source for Vora to open
  Display* x = XOpenDisplay(display->name().c_str());
  if (!peer.ok() || x == nullptr) {
    results.missing("6", "Start-up", "", "no JACK client or no X connection");
    return 1;
  }
  const std::filesystem::path store =
      std::filesystem::temp_directory_path() / ("vora-bench-startup-" + std::to_string(::getpid()));
  std::filesystem::create_directories(store);
  std::ofstream(store / "defaults.json")
      << "{\"FirstOpen\": false, \"SavedMode\": 1, \"LaunchCount\": 2}\n";

  Samples toFrame, toPorts;
  std::unique_ptr<Child> app;
  for (int i = 0; i < kStarts; ++i) {
    if (app) {
      app->stop();
      waitUntil([&] { return !somethingDrawn(x); }, 5s);
      waitUntil(
          [&] {
            return jack_port_connected(
                       jack_port_by_name(peer.client(), peer.inputName().c_str())) == 0;
          },
          5s);
    }
    jack_port_t* in = jack_port_by_name(peer.client(), peer.inputName().c_str());
    jack_port_t* out = jack_port_by_name(peer.client(), peer.outputName().c_str());
    const auto t0 = BenchClock::now();
    app = Child::start({VORA_BINARY, "--store", store.string(), "--midi-api", "jack"},
                       {display->environment(), jack->environment()});
    if (!app) break;
    std::optional<double> frame, ports;
    const bool done = waitUntil(
        [&] {
          const double ms =
              std::chrono::duration<double, std::milli>(BenchClock::now() - t0).count();
          if (!ports && jack_port_connected(in) > 0 && jack_port_connected(out) > 0) ports = ms;
          if (!frame && somethingDrawn(x)) frame = ms;
          return frame && ports;
        },
        30s);
    if (!done) break;
    toFrame.add(*frame);
    toPorts.add(*ports);
  }
  if (toFrame.size() < kStarts) {
    results.missing("6", "Start-up", "", "vora did not draw or open its ports within 30 s");
    return 1;
  }
  const std::string how =
      std::to_string(kStarts) +
      " starts, median; `vora --midi-api jack` full screen on Xvfb 1280x720 with a "
      "store from an earlier run; timed from just before the process is spawned";
  results.add({"6", "Process start to first frame on screen", toFrame.median(), "ms", "",
               std::nullopt, how + "; the screen polled for the first pixel that is not black"});
  results.add({"6", "Process start to MIDI ports open", toPorts.median(), "ms", "", std::nullopt,
               "the same starts; until a JACK client's input and output are both connected to "
               "Vora's ports"});

  // Play: the pointer held down and moved about the pad for 60 s.
  const auto end = BenchClock::now() + kPlay;
  int px = 300, py = 200, dx = 7, dy = 5;
  XTestFakeMotionEvent(x, -1, px, py, 0);
  XTestFakeButtonEvent(x, 1, True, 0);
  XFlush(x);
  int moves = 0;
  while (BenchClock::now() < end) {
    px += dx;
    py += dy;
    if (px > 1000 || px < 300) dx = -dx;
    if (py > 550 || py < 150) dy = -dy;
    XTestFakeMotionEvent(x, -1, px, py, 0);
    if (++moves % 500 == 0) {  // lift and land again now and then
      XTestFakeButtonEvent(x, 1, False, 0);
      XTestFakeButtonEvent(x, 1, True, 0);
    }
    XFlush(x);
    std::this_thread::sleep_for(4ms);
  }
  XTestFakeButtonEvent(x, 1, False, 0);
  XFlush(x);
  std::this_thread::sleep_for(200ms);
  const auto rss = residentMiB(app->pid(), "VmRSS:");
  const auto peak = residentMiB(app->pid(), "VmHWM:");
  const bool alive = !app->wait(0ms);
  app->stop();
  XCloseDisplay(x);
  std::filesystem::remove_all(store);
  if (!rss || !alive) {
    results.missing("6", "Resident memory after 60 s of play", "", "vora ended during play");
    return 1;
  }
  results.add({"6", "Resident memory after 60 s of play", *rss, "MiB", "", std::nullopt,
               std::to_string(moves) + " pointer moves with the button held (lifted every 500), "
                                       "1280x720 on llvmpipe, the default look; VmRSS"});
  if (peak) {
    results.add(
        {"6", "Peak resident memory during the run", *peak, "MiB", "", std::nullopt, "VmHWM"});
  }
  return 0;
}

}  // namespace vora::bench

int main() { return vora::bench::run(); }
