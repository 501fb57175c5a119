#include "app/command_line.h"

#include <ostream>
#include <string>

#include <CLI/CLI.hpp>

namespace vora {

ParsedCommandLine parseCommandLine(int argc, const char* const* argv, std::ostream& out,
                                   std::ostream& err) {
  ParsedCommandLine result;
  CommandLineOptions& o = result.options;

  CLI::App app{"Vora: a touch-pad MIDI controller", "vora"};
  app.set_help_flag("-h,--help", "Print this help and exit");

  auto* version = app.add_flag("--version", o.version, "Print the version and exit");
  auto* listPorts = app.add_flag("--list-ports", o.listPorts,
                                 "Print the MIDI destinations and sources Vora would open, and exit");
  version->excludes(listPorts);

  std::string midiApi;
  app.add_option("--midi-api", midiApi, "MIDI system to open (default: the first one reachable)")
      ->check(CLI::IsMember({"none", "alsa", "jack"}))
      ->option_text("none|alsa|jack");

  try {
    app.parse(argc, argv);
    for (MidiApi api : {MidiApi::none, MidiApi::alsa, MidiApi::jack}) {
      if (midiApi == midiApiName(api)) o.midiApi = api;
    }
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
