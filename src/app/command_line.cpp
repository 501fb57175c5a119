#include "app/command_line.h"

#include <CLI/CLI.hpp>
#include <ostream>
#include <string>

#include "app/script.h"

namespace vora {

namespace {

constexpr const char* kScriptHelp = R"(
Headless scripts (--headless --script FILE): one step per line, `<t> <verb> <args>`, t in ms
from the start (a decimal number, never decreasing); `#` starts a comment. Before a step at
t runs, every sampler tick (10, 20, 30 ... ms) and every task due by t runs, ticks first.
  appear W H                   the main screen appears with a pad of W by H points
  disappear                    the main screen will disappear
  began|moved|ended|cancelled TOUCH...   one touch set, in the listed order
  press mode|pin|left|right|lock         that button's action
  cc C V [CH]                  an incoming control change (channel 0..15, default 0)
  setup-changed                the MIDI setup changed
  preset NAME                  the preset picker chooses NAME (Ableton ... User 3)
  behavior Legato|Retrigger    the behaviour picker
  toggle arrows|lock on|off    the interface switch (posts its notification every time)
  row PREF TEXT                the row of PREF (synthX, controlGate ...) commits TEXT
  test PREF                    that row's "Test" button
  look NAME                    taps the looks list row NAME
  settings open|close          the settings screen comes into view / leaves it
  dump                         prints `DUMP {...}`, the state as JSON
TOUCH is ID@X,Y[:force=F][:max=M][:pencil][:view=pad|lock|other] in pad points (origin top
left, y down). The view and the pencil are fixed where the touch begins. A touch id lives
from its `began` to its `ended` or `cancelled`; an id that begins again while alive stands
for a finger the system lost: its old touch is cancelled first, then the new one begins.
A bad line prints `script:LINE: reason` on stderr and exits 2; the steps before it have run.)";

}  // namespace

ParsedCommandLine parseCommandLine(int argc, const char* const* argv, std::ostream& out,
                                   std::ostream& err) {
  ParsedCommandLine result;
  CommandLineOptions& o = result.options;

  CLI::App app{"Vora: a touch-pad MIDI controller", "vora"};
  app.set_help_flag("-h,--help", "Print this help and exit");

  auto* version = app.add_flag("--version", o.version, "Print the version and exit");
  auto* listPorts =
      app.add_flag("--list-ports", o.listPorts,
                   "Print the MIDI destinations and sources Vora would open, and exit");
  version->excludes(listPorts);

  std::string midiApi;
  app.add_option("--midi-api", midiApi, "MIDI system to open (default: the first one reachable)")
      ->check(CLI::IsMember({"none", "alsa", "jack"}))
      ->option_text("none|alsa|jack");

  HeadlessOptions h;
  std::string store, midiLog, device = "phone", linger = "0", snapshot;
  bool headlessFlag = false;
  auto* headless =
      app.add_flag("--headless", headlessFlag, "Play a script with no window, on a virtual clock");
  auto* script = app.add_option("--script", h.script, "The script to play (- reads standard input)")
                     ->option_text("FILE");
  auto* storeOpt = app.add_option("--store", store,
                                  "Settings store directory (DIR/defaults.json; default "
                                  "$XDG_CONFIG_HOME/vora, else ~/.config/vora)")
                       ->option_text("DIR");
  auto* midiLogOpt = app.add_option("--midi-log", midiLog,
                                    "Write every MIDI message sent as `<t> <B1> <B2> <B3>` "
                                    "(- = standard output)")
                         ->option_text("FILE");
  auto* deviceOpt = app.add_option("--device", device, "The device class the main screen detects")
                        ->check(CLI::IsMember({"phone", "phone-force", "tablet", "other"}))
                        ->option_text("phone|phone-force|tablet|other");
  auto* lingerOpt =
      app.add_option("--linger", linger, "Let the clock run on MS ms after the last line")
          ->check(CLI::Validator(
              [](std::string& text) {
                const auto d = script::parseMilliseconds(text);
                if (d && *d >= Duration{0} && *d <= script::kMaxTime) return std::string();
                return std::string("must be a decimal number of ms from 0 to 86400000");
              },
              "MS"))
          ->option_text("MS");
  auto* snapshotOpt = app.add_option("--snapshot", snapshot,
                                     "Draw the scene at 60 frames a second of the virtual clock "
                                     "and write the last frame here as PNG")
                          ->option_text("FILE");
  const CLI::Validator nonEmpty(
      [](std::string& text) {
        return text.empty() ? std::string("must not be empty") : std::string();
      },
      "");
  for (auto* opt : {script, storeOpt, midiLogOpt, snapshotOpt}) opt->check(nonEmpty);
  headless->needs(script);
  // The store and the device class serve the window as well; the rest is the script's.
  for (auto* opt : {script, midiLogOpt, lingerOpt, snapshotOpt}) opt->needs(headless);
  headless->excludes(version)->excludes(listPorts);
  auto* windowed = app.add_flag("--windowed", o.window.windowed,
                                "Open Vora in a window instead of the full screen");
  windowed->excludes(headless)->excludes(version)->excludes(listPorts);
  app.footer(kScriptHelp);

  try {
    app.parse(argc, argv);
    for (MidiApi api : {MidiApi::none, MidiApi::alsa, MidiApi::jack}) {
      if (midiApi == midiApiName(api)) o.midiApi = api;
    }
    if (headlessFlag) {
      if (storeOpt->count() > 0) h.storeDir = store;
      if (midiLogOpt->count() > 0) h.midiLog = midiLog;
      if (snapshotOpt->count() > 0) h.snapshot = snapshot;
      h.device = *deviceTraitsFromName(device);
      h.linger = *script::parseMilliseconds(linger);
      h.midiApi = o.midiApi;
      o.headless = h;
    }
    if (storeOpt->count() > 0) o.window.storeDir = store;
    // A computer is neither a phone nor a tablet unless asked to pass for one.
    if (deviceOpt->count() > 0) o.window.device = *deviceTraitsFromName(device);
    o.window.midiApi = o.midiApi;
  } catch (const CLI::CallForHelp&) {
    out << app.help();
    result.exitCode = 0;
  } catch (const CLI::ParseError& e) {
    err << "vora: " << e.what() << "\n";
    err << "Run with --help for more information.\n";
    result.exitCode = kUsageExitCode;
  }
  return result;
}

}  // namespace vora
