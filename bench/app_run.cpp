// The app as a musician runs it, in this process on a virtual display: the window app with
// its run loop, render thread and scene, fed through the X server.
//   Item 4: the interval between sampler ticks for 10 s with nothing drawn (the window
//           hidden) and for 10 s with the renderer busy and a finger moving.
//   Item 1: in the busy run, from the moment a pointer move enters the X server to the
//           bytes handed to the MIDI port.
#include <SDL.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/record.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/window_app.h"
#include "core/platform/run_loop.h"
#include "core/settings/settings_manager.h"
#include "support/fixture.h"
#include "support/process.h"
#include "support/realtime.h"
#include "support/results.h"
#include "support/stats.h"

namespace vora::bench {
namespace {

using namespace std::chrono_literals;

constexpr auto kRun = 10s;

/// Notes the time and bytes of every message handed to it, in room made up front.
class TimedPort final : public MidiPort {
 public:
  struct Sent {
    std::int64_t ns;
    MidiMessage bytes;
  };
  TimedPort() : sent_(1 << 20) {}
  void openOutputs() override {}
  void openInputs(MidiListener&) override {}
  void send(const MidiMessage& message) override {
    const std::size_t n = count_.load(std::memory_order_relaxed);
    if (n < sent_.size()) {
      sent_[n] = {nowNs(), message};
      count_.store(n + 1, std::memory_order_release);
    }
  }
  std::vector<std::string> destinations() const override { return {}; }
  std::vector<std::string> sources() const override { return {}; }

  std::size_t count() const { return count_.load(std::memory_order_acquire); }
  const Sent& at(std::size_t i) const { return sent_[i]; }

 private:
  std::vector<Sent> sent_;
  std::atomic<std::size_t> count_{0};
};

/// The times of the sampler's ticks, noted by its callback.
struct TickLog {
  TickLog() : ns(1 << 16) {}
  void note() {
    const std::size_t n = count.load(std::memory_order_relaxed);
    if (n < ns.size()) {
      ns[n] = nowNs();
      count.store(n + 1, std::memory_order_release);
    }
  }
  std::vector<std::int64_t> ns;
  std::atomic<std::size_t> count{0};
};

struct Steadiness {
  double median = 0, p99 = 0, maxDeviation = 0;
  std::size_t ticks = 0, skipped = 0;
};

/// Intervals between the ticks noted from first to last (indices), against 10 ms.
Steadiness steadiness(const TickLog& log, std::size_t first, std::size_t last) {
  Samples intervals, deviations;
  Steadiness s;
  for (std::size_t i = first + 1; i < last; ++i) {
    const double ms = static_cast<double>(log.ns[i] - log.ns[i - 1]) / 1e6;
    intervals.add(ms);
    deviations.add(std::abs(ms - 10.0));
    if (ms > 15.0) ++s.skipped;
  }
  s.ticks = intervals.size();
  s.median = intervals.median();
  s.p99 = deviations.quantile(0.99);
  s.maxDeviation = deviations.max();
  return s;
}

/// A bare thread that does nothing but sleep to 10 ms deadlines and note when it wakes, at
/// the priority of the app's main thread: what the machine gives any thread, the floor under
/// the sampler's figures. Like the app's timer it keeps to the grid and skips deadlines
/// already past.
class FloorTicker {
 public:
  explicit FloorTicker(bool realtime)
      : thread_([this, realtime] {
          if (realtime) raiseThisThreadToRealtime();
          constexpr std::int64_t kPeriod = 10'000'000;
          std::int64_t next = nowNs();
          while (!stop_.load()) {
            next += kPeriod;
            const timespec due{static_cast<time_t>(next / 1'000'000'000),
                               static_cast<long>(next % 1'000'000'000)};
            ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, nullptr);
            log.note();
            while (next + kPeriod <= nowNs()) next += kPeriod;
          }
        }) {}
  ~FloorTicker() {
    stop_ = true;
    thread_.join();
  }
  FloorTicker(const FloorTicker&) = delete;
  FloorTicker& operator=(const FloorTicker&) = delete;

  TickLog log;

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;  // last: starts once the log and the flag exist
};

/// The machine's CPU time so far, from /proc/stat: all of it and the part the hypervisor
/// took for others (steal), in clock ticks.
struct CpuTime {
  long long total = 0, steal = 0;
};
CpuTime cpuTime() {
  CpuTime t;
  std::ifstream in("/proc/stat");
  std::string cpu;
  in >> cpu;
  long long v = 0;
  for (int field = 0; field < 10 && in >> v; ++field) {
    if (field < 8) t.total += v;  // guest time is already counted in user time
    if (field == 7) t.steal = v;
  }
  return t;
}
/// The share of the CPU time between a and b that the hypervisor took, in per cent.
double stealPercent(const CpuTime& a, const CpuTime& b) {
  const long long total = b.total - a.total;
  return total > 0 ? 100.0 * static_cast<double>(b.steal - a.steal) / static_cast<double>(total)
                   : 0.0;
}

std::string fixed(double v, int digits = 2) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", digits, v);
  return buf;
}

/// A second X client that records the pointer moves the server processes (the RECORD
/// extension sees them whoever has the pointer grabbed): when it notes one, the server has
/// handed it on. The floor under the app's figure.
class MotionWatcher {
 public:
  explicit MotionWatcher(const std::string& display)
      : control_(XOpenDisplay(display.c_str())),
        data_(XOpenDisplay(display.c_str())),
        ns_(1 << 16) {}
  ~MotionWatcher() {
    if (thread_.joinable()) {
      XRecordDisableContext(control_, context_);
      XFlush(control_);
      thread_.join();
    }
    if (context_ != 0) XRecordFreeContext(control_, context_);
    if (data_ != nullptr) XCloseDisplay(data_);
    if (control_ != nullptr) XCloseDisplay(control_);
  }
  bool start() {
    if (control_ == nullptr || data_ == nullptr) return false;
    int major = 0, minor = 0;
    if (XRecordQueryVersion(control_, &major, &minor) == 0) return false;
    XRecordRange* range = XRecordAllocRange();
    range->device_events.first = MotionNotify;
    range->device_events.last = MotionNotify;
    XRecordClientSpec clients = XRecordAllClients;
    context_ = XRecordCreateContext(control_, 0, &clients, 1, &range, 1);
    XFree(range);
    if (context_ == 0) return false;
    XSync(control_, False);
    thread_ = std::thread([this] {
      raiseThisThreadToRealtime();  // as the app's main thread is
      XRecordEnableContext(data_, context_, &MotionWatcher::intercepted,
                           reinterpret_cast<XPointer>(this));
    });
    return true;
  }
  void clear() { count_.store(0, std::memory_order_release); }
  std::size_t count() const { return count_.load(std::memory_order_acquire); }
  std::int64_t at(std::size_t i) const { return ns_[i]; }

 private:
  static void intercepted(XPointer self, XRecordInterceptData* data) {
    auto* w = reinterpret_cast<MotionWatcher*>(self);
    if (data->category == XRecordFromServer) {
      const std::size_t n = w->count_.load(std::memory_order_relaxed);
      if (n < w->ns_.size()) {
        w->ns_[n] = nowNs();
        w->count_.store(n + 1, std::memory_order_release);
      }
    }
    XRecordFreeData(data);
  }

  Display* control_;
  Display* data_;
  XRecordContext context_ = 0;
  std::vector<std::int64_t> ns_;
  std::atomic<std::size_t> count_{0};
  std::thread thread_;
};

SDL_Window* theWindow() {
  for (Uint32 id = 1; id < 16; ++id) {
    if (SDL_Window* w = SDL_GetWindowFromID(id)) return w;
  }
  return nullptr;
}

}  // namespace

int run(bool realtime) {
  Results results("app_run");
  std::string why;
  auto display = VirtualDisplay::start(1280, 720, &why);
  if (!display) {
    results.missing("4", "Sampler tick interval", "", why);
    return 1;
  }
  ::setenv("DISPLAY", display->name().c_str(), 1);
  const std::filesystem::path store =
      std::filesystem::temp_directory_path() / ("vora-bench-store-" + std::to_string(::getpid()));
  std::filesystem::create_directories(store);
  // A musician who has opened the app before, in control mode: no welcome over the pad.
  if (std::FILE* f = std::fopen((store / "defaults.json").c_str(), "w")) {
    std::fputs("{\"FirstOpen\": false, \"SavedMode\": 1, \"LaunchCount\": 2}\n", f);
    std::fclose(f);
  }

  TimedPort port;
  TickLog ticks;
  std::atomic<ViewController*> controller{nullptr};
  std::atomic<RunLoop*> mainLoop{nullptr};
  std::atomic<bool> look{false};
  std::string lookName;

  WindowAppOptions options;
  options.storeDir = store.string();
  options.midiPort = &port;
  options.onAppeared = [&](ViewController& vc, RunLoop& loop) {
    auto sampler = std::move(vc.controlDataTimer.updateCallback);
    vc.controlDataTimer.updateCallback = [&ticks, sampler](double speed, double gate) {
      ticks.note();
      sampler(speed, gate);
    };
    vc.pendingAlert.reset();
    if (realtime && !raiseThisThreadToRealtime())
      std::fprintf(stderr, "bench: no realtime priority\n");
    controller = &vc;
    mainLoop = &loop;
  };

  // Timestamps of the phases, as tick indices and clock readings.
  std::size_t idleFirst = 0, idleLast = 0, busyFirst = 0, busyLast = 0;
  FloorTicker floorTicker(realtime);
  std::size_t floorIdleFirst = 0, floorIdleLast = 0, floorBusyFirst = 0, floorBusyLast = 0;
  CpuTime idleCpuFirst, idleCpuLast, busyCpuFirst, busyCpuLast;
  std::vector<std::int64_t> injected;
  injected.reserve(20'000);
  std::string driverError;
  MotionWatcher watcher(display->name());
  bool watcherOk = false;

  std::thread driver([&] {
    if (!waitUntil([&] { return mainLoop.load() != nullptr; }, 30s)) {
      driverError = "the window app did not appear";
      SDL_Event quit{};
      quit.type = SDL_QUIT;
      SDL_PushEvent(&quit);
      return;
    }
    RunLoop& loop = *mainLoop.load();
    ViewController& vc = *controller.load();
    Display* x = XOpenDisplay(display->name().c_str());
    raiseThisThreadToRealtime();  // the moment of injection is the moment noted

    // Idle: nothing drawn, no touch.
    loop.post([] {
      if (SDL_Window* w = theWindow()) SDL_HideWindow(w);
    });
    std::this_thread::sleep_for(1s);
    idleFirst = ticks.count.load();
    floorIdleFirst = floorTicker.log.count.load();
    idleCpuFirst = cpuTime();
    std::this_thread::sleep_for(kRun);
    idleLast = ticks.count.load();
    floorIdleLast = floorTicker.log.count.load();
    idleCpuLast = cpuTime();

    // Busy: the window back, the look with the heaviest drawing, a finger moving.
    loop.post([&] {
      if (SDL_Window* w = theWindow()) SDL_ShowWindow(w);
      SettingsManager& m = vc.manager();
      const Look* heaviest = nullptr;
      for (const Look& l : m.looks()) {
        if (l.feedbackShader) heaviest = &l;
      }
      if (heaviest != nullptr) {
        lookName = heaviest->name;
        m.selectLook(*heaviest);
      }
      look = true;
    });
    waitUntil([&] { return look.load(); }, 10s);
    std::this_thread::sleep_for(1s);
    int px = 300, py = 200, dx = 12, dy = 7;
    XTestFakeMotionEvent(x, -1, px, py, 0);
    XTestFakeButtonEvent(x, 1, True, 0);
    XFlush(x);
    std::this_thread::sleep_for(200ms);
    watcherOk = watcher.start();
    std::this_thread::sleep_for(100ms);
    watcher.clear();
    busyFirst = ticks.count.load();
    floorBusyFirst = floorTicker.log.count.load();
    busyCpuFirst = cpuTime();
    const auto end = std::chrono::steady_clock::now() + kRun;
    while (std::chrono::steady_clock::now() < end) {
      px += dx;
      py += dy;
      if (px > 1000 || px < 300) dx = -dx;
      if (py > 550 || py < 150) dy = -dy;
      injected.push_back(nowNs());
      XTestFakeMotionEvent(x, -1, px, py, 0);
      XFlush(x);
      std::this_thread::sleep_for(2ms);
    }
    busyLast = ticks.count.load();
    floorBusyLast = floorTicker.log.count.load();
    busyCpuLast = cpuTime();
    XTestFakeButtonEvent(x, 1, False, 0);
    XFlush(x);
    XCloseDisplay(x);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
  });

  const int code = runWindowApp(options);
  driver.join();
  std::filesystem::remove_all(store);
  if (code != 0 || !driverError.empty()) {
    results.missing("4", "Sampler tick interval", "", "the window app did not run: " + driverError);
    return 1;
  }

  // The tried variant is reported beside the app's figures, without goals of its own.
  auto add = [&](Figure f) {
    if (realtime) {
      f.name += " [tried: main thread realtime]";
      if (!f.note.empty()) f.note = "bench_app_run --realtime: " + f.note;
      f.goal.clear();
      f.met.reset();
    }
    results.add(f);
  };
  const Steadiness idle = steadiness(ticks, idleFirst, idleLast);
  const Steadiness busy = steadiness(ticks, busyFirst, busyLast);
  const std::string idleHow =
      std::to_string(idle.ticks) +
      " intervals; the window app full screen on Xvfb, the window hidden so "
      "nothing is drawn, no touch" +
      (idle.skipped ? "; " + std::to_string(idle.skipped) + " ticks skipped" : "");
  add({"4", "Tick interval, idle: median", idle.median, "ms", "10 ms", std::nullopt, idleHow});
  add({"4", "Tick interval, idle: 99th percentile of the deviation from 10 ms", idle.p99, "ms",
       "< 0.5 ms", idle.p99 < 0.5, ""});
  add({"4", "Tick interval, idle: maximum deviation", idle.maxDeviation, "ms", "", std::nullopt,
       ""});
  const std::string busyHow =
      std::to_string(busy.ticks) + " intervals; 1280x720 on llvmpipe, look \"" + lookName +
      "\", the pointer held down and moved every 2 ms" +
      (busy.skipped ? "; " + std::to_string(busy.skipped) + " ticks skipped" : "");
  add({"4", "Tick interval, renderer busy: median", busy.median, "ms", "10 ms", std::nullopt,
       busyHow});
  add({"4", "Tick interval, renderer busy: 99th percentile of the deviation from 10 ms", busy.p99,
       "ms", "< 2 ms", busy.p99 < 2.0, ""});
  add({"4", "Tick interval, renderer busy: maximum deviation", busy.maxDeviation, "ms", "",
       std::nullopt, ""});

  // The floor: a thread that does nothing else, timed beside the app in both phases.
  const Steadiness floorIdle = steadiness(floorTicker.log, floorIdleFirst, floorIdleLast);
  const Steadiness floorBusy = steadiness(floorTicker.log, floorBusyFirst, floorBusyLast);
  add({"4",
       "Floor: a bare thread sleeping to 10 ms deadlines, idle: 99th percentile of the deviation",
       floorIdle.p99, "ms", "", std::nullopt,
       "a thread of the benchmark that only sleeps to each 10 ms deadline (clock_nanosleep, "
       "absolute), at the main thread's priority, timed beside the app: what this machine "
       "gives any thread; maximum " +
           fixed(floorIdle.maxDeviation) + " ms"});
  add({"4", "Floor: a bare thread, renderer busy: 99th percentile of the deviation", floorBusy.p99,
       "ms", "", std::nullopt, "maximum " + fixed(floorBusy.maxDeviation) + " ms"});
  add({"4", "Tick interval above the floor, idle: 99th percentile", idle.p99 - floorIdle.p99, "ms",
       "", std::nullopt, "the app's 99th percentile minus the bare thread's"});
  add({"4", "Tick interval above the floor, renderer busy: 99th percentile",
       busy.p99 - floorBusy.p99, "ms", "", std::nullopt, ""});
  add({"4", "CPU time the hypervisor took for others (steal), idle phase",
       stealPercent(idleCpuFirst, idleCpuLast), "%", "", std::nullopt,
       "from /proc/stat: while a virtual CPU is stolen, no thread of this machine runs"});
  add({"4", "CPU time the hypervisor took for others (steal), renderer busy",
       stealPercent(busyCpuFirst, busyCpuLast), "%", "", std::nullopt, ""});

  // Each move changes x and y; its latency runs to the first y controller sent after it.
  // (The sampler's speed controller goes out between them and is told apart by number.)
  const int sends = static_cast<int>(port.count());
  Samples latency;
  std::size_t unmatched = 0;
  std::uint8_t yController = 0;
  {
    // The y controller is the second of the pair every move sends: the most frequent
    // controller number right after another one in the same microsecond.
    std::array<int, 128> pairs{};
    for (int i = 1; i < sends; ++i) {
      if (port.at(i).ns - port.at(i - 1).ns < 20'000) ++pairs[port.at(i).bytes[1] & 0x7F];
    }
    yController =
        static_cast<std::uint8_t>(std::max_element(pairs.begin(), pairs.end()) - pairs.begin());
  }
  int s = 0;
  std::vector<std::int64_t> sentFor(injected.size(), 0);
  for (std::size_t i = 0; i < injected.size(); ++i) {
    const std::int64_t t = injected[i];
    const std::int64_t next = i + 1 < injected.size() ? injected[i + 1] : t + 50'000'000;
    while (s < sends && port.at(s).ns < t) ++s;
    int k = s;
    while (k < sends && port.at(k).ns < next + 5'000'000 && port.at(k).bytes[1] != yController) ++k;
    if (k < sends && port.at(k).bytes[1] == yController) {
      latency.add(static_cast<double>(port.at(k).ns - t) / 1e6);
      sentFor[i] = port.at(k).ns;
      s = k + 1;
    } else {
      ++unmatched;
    }
  }
  const std::string how =
      std::to_string(latency.size()) + " of " + std::to_string(injected.size()) +
      " pointer moves (XTest into Xvfb, every 2 ms, the button held) timed to the y "
      "controller handed to the port; renderer busy as above" +
      (unmatched ? "; " + std::to_string(unmatched) + " moves without a y send" : "");
  add({"1", "Touch to MIDI in the running app, renderer busy: median", latency.median(), "ms", "",
       std::nullopt, how});
  add({"1", "Touch to MIDI in the running app, renderer busy: 99th percentile",
       latency.quantile(0.99), "ms", "< 1 ms", latency.quantile(0.99) < 1.0, ""});
  add({"1", "Touch to MIDI in the running app, renderer busy: maximum", latency.max(), "ms", "",
       std::nullopt, ""});

  if (!watcherOk || watcher.count() == 0) {
    results.missing("1", "X server delivery (the floor under the app's figure)", "",
                    "no second X client could listen to the app's window");
    return 0;
  }
  Samples delivery, above;
  const std::size_t heard = std::min(watcher.count(), injected.size());
  for (std::size_t i = 0; i < heard; ++i) {
    delivery.add(static_cast<double>(watcher.at(i) - injected[i]) / 1e6);
    if (sentFor[i] != 0) above.add(static_cast<double>(sentFor[i] - watcher.at(i)) / 1e6);
  }
  add({"1", "X server delivery of the same moves to another client: median", delivery.median(),
       "ms", "", std::nullopt,
       std::to_string(heard) +
           " moves seen by a second X client through the RECORD extension, realtime "
           "like the app's main thread: what the display server adds before any app "
           "sees a move"});
  add({"1", "X server delivery: 99th percentile", delivery.quantile(0.99), "ms", "", std::nullopt,
       ""});
  add({"1", "Touch to MIDI from the X server's delivery, renderer busy: median", above.median(),
       "ms", "", std::nullopt,
       "per move: the port's send minus the moment the second client heard it"});
  add({"1", "Touch to MIDI from the X server's delivery, renderer busy: 99th percentile",
       above.quantile(0.99), "ms", "< 1 ms", above.quantile(0.99) < 1.0, ""});
  return 0;
}

}  // namespace vora::bench

int main(int argc, char** argv) {
  // --realtime: the remedy tried for a busy machine, the main thread ahead of ordinary ones.
  return vora::bench::run(argc > 1 && std::string(argv[1]) == "--realtime");
}
