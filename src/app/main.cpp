#include <iostream>

#include "app/command_line.h"
#include "app/list_ports.h"
#include "app/window_app.h"
#include "core/platform/log.h"
#include "version.h"

int main(int argc, char** argv) {
  const vora::ParsedCommandLine parsed = vora::parseCommandLine(argc, argv, std::cout, std::cerr);
  if (parsed.exitCode) return *parsed.exitCode;
  const vora::CommandLineOptions& options = parsed.options;

  if (options.version) {
    std::cout << "vora " << vora::kVersion << "\n";
    return 0;
  }
  if (options.headless) return vora::runHeadless(*options.headless);
  if (options.listPorts) {
    vora::StdioLog log;
    return vora::listPorts(options.midiApi, std::cout, std::cerr, log);
  }
  return vora::runWindowApp(options.window);
}
