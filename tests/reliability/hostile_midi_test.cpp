// Hostile MIDI input through a real JACK server. Every kind of bad or unexpected message a
// source can send (SysEx of every size up to 64 KB, running status, truncated messages,
// real-time bytes, every channel) reaches Vora's receiving side: it posts the received
// notifications for the valid control changes only, and keeps going. Then a flood of
// 10,000 control changes a second for several seconds while a script plays the pad: the
// messages Vora sends keep their order and values, and every incoming one is handled
// (but for what JACK itself drops on an xrun).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <iostream>
#include <thread>

#include "adapters/rtmidi/rtmidi_port.h"
#include "core/midi/midi_handler.h"
#include "core/platform/virtual_run_loop.h"
#include "core/settings/keys.h"
#include "core/settings/settings_manager.h"
#include "reliability/jack_fixture.h"
#include "support/fakes.h"
#include "support/jack_server.h"

namespace vora {
namespace {

using namespace rel;
using Clock = std::chrono::steady_clock;

// The factory Ableton row: x, y and z on controllers 116, 117 and 120.
constexpr std::uint8_t kX = 116, kY = 117, kZ = 120;

/// What a stream of events must give on Vora's receiving side.
struct Stream {
  std::vector<Bytes> events;
  int x = 0, y = 0, z = 0;  ///< valid control changes of x, y and z
  int ends = 0;             ///< valid controller 4s: "end recieved"
  int inits = 0;            ///< valid controller 0s: "init recieved"
  std::uint8_t lastX = 0;

  void valid(std::uint8_t channel, std::uint8_t controller, std::uint8_t value) {
    events.push_back({static_cast<std::uint8_t>(0xB0 | channel), controller, value});
    if (controller == kX) ++x, lastX = value;
    if (controller == kY) ++y;
    if (controller == kZ) ++z;
    if (controller == 4) ++ends;
    if (controller == 0) ++inits;
  }
  void junk(Bytes event) { events.push_back(std::move(event)); }
};

/// A SysEx message of size bytes (F0, data, F7), cut into events of at most chunk bytes as
/// a bridge from a byte stream delivers a long one.
void sysex(Stream& s, std::size_t size, std::size_t chunk) {
  Bytes message(size, 0x11);
  message.front() = 0xF0;
  if (size > 1) message.back() = 0xF7;
  // Data that would read as x at full value if a fragment were taken for a message.
  for (std::size_t i = 1; i + 2 < size; i += 3) message[i] = kX, message[i + 1] = 0x7F;
  for (std::size_t at = 0; at < size; at += chunk) {
    s.junk(Bytes(message.begin() + static_cast<long>(at),
                 message.begin() + static_cast<long>(std::min(size, at + chunk))));
  }
}

Stream hostileStream(std::size_t maxEvent) {
  Stream s;
  std::uint8_t v = 0;
  auto next = [&] { return v = static_cast<std::uint8_t>((v + 37) % 128); };
  const Bytes realtime[] = {{0xF8}, {0xFA}, {0xFB}, {0xFC}, {0xFE}, {0xFF}};
  // Every channel, every kind of message around valid x, y and z.
  for (std::uint8_t ch = 0; ch < 16; ++ch) {
    s.valid(ch, kX, next());
    s.junk(realtime[ch % 6]);
    s.valid(ch, kY, next());
    s.junk({static_cast<std::uint8_t>(0x90 | ch), 60, 100});  // note on
    s.junk({static_cast<std::uint8_t>(0x80 | ch), 60, 0});    // note off
    s.junk({static_cast<std::uint8_t>(0xE0 | ch), 0, 64});    // pitch bend
    s.junk({static_cast<std::uint8_t>(0xC0 | ch), 5});        // program change
    s.junk({static_cast<std::uint8_t>(0xD0 | ch), 70});       // channel pressure
    s.junk({static_cast<std::uint8_t>(0xA0 | ch), 60, 70});   // key pressure
    s.valid(ch, kZ, next());
    s.valid(ch, 10, next());  // a controller Vora ignores
  }
  // Truncated and malformed control changes.
  s.junk({0xB0});
  s.junk({0xB0, kX});
  s.junk({0xB3, kX, 0x80});      // value byte with the top bit
  s.junk({0xB3, 0x80 | kX, 5});  // controller byte with the top bit
  s.junk({0xB0, kX, 5, 9});      // one byte too many
  s.junk({kX, 7});               // data without a status
  s.junk({0xB0, 0xF8, kX, 9});   // a real-time byte inside the message
  s.junk({0xF7});
  s.junk({0xF4});
  s.junk({0xF5, 1, 2});
  // Running status: two control changes under one status byte, then a status-less pair.
  s.junk({0xB0, kX, 11, kY, 12});
  s.valid(0, kX, 13);
  s.junk({kY, 14});
  // SysEx of every size up to 64 KB: small ones whole, long ones in pieces.
  for (std::size_t size = 1; size <= 300; ++size) sysex(s, size, maxEvent);
  for (std::size_t size = 512; size <= 64 * 1024; size *= 2) {
    sysex(s, size - 1, maxEvent);
    sysex(s, size, maxEvent);
    s.valid(2, kX, next());
  }
  sysex(s, maxEvent, maxEvent);
  s.valid(0, 4, 1);
  s.valid(5, 0, 0);  // reopens the outputs from the receiving thread
  s.valid(0, kX, 77);
  return s;
}

using HostileMidi = JackTest;

TEST_F(HostileMidi, OnlyValidControlChangesPostNotificationsWhateverElseArrives) {
  std::string whyNot;
  auto source = RawMidiClient::open(*server_, "Hostile", &whyNot);
  ASSERT_NE(source, nullptr) << whyNot;
  ASSERT_TRUE(waitUntil([&] { return source->maxEventSize() > 0; }));

  test::RecordingLog log;
  MemoryDefaultsStore store;
  NotificationCenter center;
  VirtualRunLoop loop;
  OpenedMidiPort opened = openMidiPort(MidiApi::jack, log);
  ASSERT_NE(opened.port, nullptr) << opened.error;
  std::atomic<int> xPosts{0}, yPosts{0}, zPosts{0};
  center.addObserver(notification::xRecieved, [&] { ++xPosts; });
  center.addObserver(notification::yRecieved, [&] { ++yPosts; });
  center.addObserver(notification::zRecieved, [&] { ++zPosts; });
  auto manager =
      std::make_unique<SettingsManager>(Services{store, center, log, loop, *opened.port});

  // Vora opened its input from the source by itself; a first control change shows it.
  source->queue({0xB0, kZ, 1});
  ASSERT_TRUE(waitUntil([&] { return zPosts.load() == 1; })) << "Vora does not hear the source";
  zPosts = 0;

  const Stream s = hostileStream(source->maxEventSize());
  for (const Bytes& e : s.events) source->queue(e);
  // The last event is a valid x of 77: once it is in, everything before it is.
  ASSERT_TRUE(waitUntil([&] { return source->pending() == 0; }, std::chrono::seconds(60)));
  ASSERT_TRUE(waitUntil([&] { return xPosts.load() >= s.x; }, std::chrono::seconds(30)))
      << xPosts.load() << " of " << s.x;
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // anything extra shows now

  EXPECT_EQ(source->refused(), 0u);
  EXPECT_EQ(xPosts.load(), s.x);
  EXPECT_EQ(yPosts.load(), s.y);
  EXPECT_EQ(zPosts.load(), s.z);
  EXPECT_EQ(manager->xIn.load(), s.lastX / 127.0);
  int ends = 0, inits = 0;
  for (const std::string& line : log.lines) {
    ends += line == "end recieved";
    inits += line == "init recieved";
  }
  EXPECT_EQ(ends, s.ends);
  EXPECT_EQ(inits, s.inits);
  std::cout << s.events.size() << " events (" << s.x + s.y + s.z + s.ends + s.inits
            << " of them valid control changes for Vora), the largest JACK event "
            << source->maxEventSize() << " bytes\n";
  for (const std::string& line : log.systemLines) std::cout << "system log: " << line << "\n";
}

/// A pad performance in control mode: gestures of one or two fingers, moving every few ms.
std::vector<std::string> performance(int gestures) {
  std::vector<std::string> steps{"0 appear 400 300", "0 press mode"};
  double t = 1;
  auto at = [&](double dt) {
    t += dt;
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", t);
    return std::string(text);
  };
  for (int g = 0; g < gestures; ++g) {
    const int x0 = (g * 53) % 400, y0 = (g * 97) % 300;
    steps.push_back(at(3) + " began a@" + std::to_string(x0) + "," + std::to_string(y0));
    for (int m = 1; m <= 12; ++m) {
      steps.push_back(at(4) + " moved a@" + std::to_string((x0 + m * 17) % 420) + "," +
                      std::to_string((y0 + m * 11) % 320));
      if (g % 3 == 0 && m == 4) steps.push_back(at(1) + " began b@200,150");
      if (g % 3 == 0 && m == 9) steps.push_back(at(1) + " ended b@200,150");
    }
    if (g % 10 == 0) steps.push_back(at(1) + " press pin");
    steps.push_back(at(5) + " ended a@0,0");
  }
  return steps;
}

std::vector<Bytes> logged(const std::string& log) {
  std::vector<Bytes> out;
  for (const std::string& line : lines(log)) {
    unsigned b1 = 0, b2 = 0, b3 = 0;
    if (std::sscanf(line.c_str(), "%*s %X %X %X", &b1, &b2, &b3) == 3) {
      out.push_back({static_cast<std::uint8_t>(b1), static_cast<std::uint8_t>(b2),
                     static_cast<std::uint8_t>(b3)});
    }
  }
  return out;
}

TEST_F(HostileMidi, FloodWhileAScriptPlaysKeepsWhatVoraSendsInOrderAndHandlesEveryMessage) {
  constexpr int kRate = 10'000;  // control changes a second
  constexpr auto kFloodTime = std::chrono::seconds(5);
  std::string whyNot;
  auto stage = RawMidiClient::open(*server_, "Stage", &whyNot);
  ASSERT_NE(stage, nullptr) << whyNot;

  const std::vector<std::string> steps = performance(120);
  std::string script;
  for (const std::string& s : steps) script += s + "\n";
  script += "100000 dump\n";

  // The same script with no MIDI system and no flood: what Vora must send.
  TempDir dir;
  const RunResult quiet =
      runVora(dir / "quiet", script, {"--midi-log", (dir / "quiet.log").string()});
  ASSERT_EQ(quiet.exitCode, 0) << quiet.errors;
  const std::vector<Bytes> expected = logged(readFile(dir / "quiet.log"));
  ASSERT_GT(expected.size(), 1000u);

  LiveVora vora(dir / "store", {"--midi-api", "jack", "--midi-log", (dir / "flood.log").string()});
  ASSERT_TRUE(vora.running()) << vora.whyNot();
  ASSERT_TRUE(vora.dumpAt("0").has_value()) << vora.process().errors();

  // The flood: x, y and z on every channel, a controller 4 in every hundred (each prints
  // "end recieved", so the handled ones can be counted), junk and real-time bytes between,
  // and a controller 0 (outputs reopen) once a second.
  std::atomic<bool> flooding{true};
  std::atomic<long> valid{0}, ends{0};
  std::jthread flood([&] {
    const auto start = Clock::now();
    long n = 0;
    while (Clock::now() - start < kFloodTime) {
      const long due =
          std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count() *
          kRate / 1'000'000;
      for (; n < due; ++n) {
        const auto ch = static_cast<std::uint8_t>(n % 16);
        const auto v = static_cast<std::uint8_t>(n % 127);
        if (n % 100 == 99) {
          stage->queue({static_cast<std::uint8_t>(0xB0 | ch), 4, v});
          ++ends;
        } else if (n % kRate == kRate / 2) {
          stage->queue({0xB0, 0, 0});
        } else {
          stage->queue({static_cast<std::uint8_t>(0xB0 | ch),
                        n % 3 == 0   ? kX
                        : n % 3 == 1 ? kY
                                     : kZ,
                        v});
        }
        ++valid;
        if (n % 7 == 0) stage->queue({0xF8});
        if (n % 13 == 0) stage->queue({0xB0, kX});
        if (n % 29 == 0) stage->queue({0xF0, 1, 2, 3, 0xF7});
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    flooding = false;
  });

  // Meanwhile the script plays, a few steps at a time; a DUMP now and then shows that
  // Vora still answers.
  std::chrono::milliseconds slowest{0};
  std::size_t sent = 0;
  while (flooding.load() && sent < steps.size()) {
    std::string chunk;
    for (int i = 0; i < 20 && sent < steps.size(); ++i) chunk += steps[sent++] + "\n";
    ASSERT_TRUE(vora.send(chunk));
    const auto asked = Clock::now();
    ASSERT_TRUE(vora.dumpAt(steps[sent - 1].substr(0, steps[sent - 1].find(' '))).has_value())
        << vora.process().errors();
    slowest = std::max(slowest,
                       std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - asked));
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
  }
  flood.join();
  ASSERT_LT(sent, steps.size()) << "the script ended before the flood: make it longer";
  for (; sent < steps.size(); ++sent) ASSERT_TRUE(vora.send(steps[sent]));

  // Every control change of the flood was handled, the last one last: once a closing x at
  // full value (no flood value reaches 127) shows in xIn, all that came before it has been
  // handled. JACK drops a cycle's MIDI for a client that missed the cycle (an xrun: a loaded
  // machine, a sanitizer build), so the closing x is sent again until it shows, and what
  // xruns dropped is not held against Vora: each can cost the counted controllers of one
  // period, at most 3 at 10,000 a second.
  ASSERT_TRUE(waitUntil([&] { return stage->pending() == 0; }, std::chrono::seconds(60)));
  bool closed = false;
  for (int attempt = 0; attempt < 20 && !closed; ++attempt) {
    stage->queue({0xB0, kX, 127});
    ++valid;
    waitUntil([&] { return stage->pending() == 0; }, std::chrono::seconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const auto now = vora.dumpAt(std::to_string(99000 + attempt));
    ASSERT_TRUE(now.has_value()) << vora.process().errors();
    closed = (*now)["xIn"] == 1.0;
  }
  ASSERT_TRUE(closed) << "the closing x never reached Vora\njackd said: " << server_->log();
  const auto countEnds = [&] {
    long n = 0;
    for (const std::string& line : lines(vora.process().output())) n += line == "end recieved";
    return n;
  };
  const std::string jackLog = server_->log();
  long xruns = 0;
  for (std::size_t at = jackLog.find("XRun"); at != std::string::npos;
       at = jackLog.find("XRun", at + 1)) {
    ++xruns;
  }
  const long handled = countEnds();
  EXPECT_LE(handled, ends.load());
  EXPECT_LE(ends.load() - handled, 3 * xruns)
      << handled << " of " << ends.load() << " controller 4s handled, " << xruns
      << " xruns\nvora said: " << vora.process().errors() << "\njackd said: " << jackLog;
  ASSERT_TRUE(vora.send("100000 dump"));
  ASSERT_EQ(vora.finish(), 0) << vora.process().errors();

  // What Vora sent: the same messages, in the same order, as with no flood; and on the wire.
  const std::vector<Bytes> sentByVora = logged(readFile(dir / "flood.log"));
  EXPECT_TRUE(sentByVora == expected) << "the flood changed what Vora sends (" << sentByVora.size()
                                      << " vs " << expected.size() << ")";
  waitUntil([&] { return stage->received().size() >= expected.size(); }, std::chrono::seconds(10));
  const std::vector<Bytes> wire = stage->received();
  std::size_t same = 0;
  while (same < wire.size() && same < expected.size() && wire[same] == expected[same]) ++same;
  // Lost on an xrun is all that may happen to them on the way.
  EXPECT_TRUE(xruns == 0 ? wire == expected : test::isSubsequence(wire, expected))
      << "what reached the destination differs: " << wire.size() << " messages for "
      << expected.size() << ", the first " << same
      << " alike\nvora said: " << vora.process().errors() << "\njackd said: " << server_->log();
  const long seconds = std::chrono::duration_cast<std::chrono::seconds>(kFloodTime).count();
  std::cout << "flood: " << valid.load() << " control changes in " << seconds << " s ("
            << valid.load() / seconds << " a second), " << countEnds() << " of " << ends.load()
            << " counted ones handled (" << xruns << " xruns); " << sentByVora.size() << " of "
            << expected.size() << " script messages logged alike, " << same
            << " reached the destination alike;"
            << " slowest answer to a step " << slowest.count() << " ms\n";
}

}  // namespace
}  // namespace vora
