#include "core/platform/fatal.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace vora {

void fatalError(std::string_view message) {
  const std::string line = "Fatal error: " + std::string(message) + "\n";
  std::fflush(stdout);
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(nullptr);
  std::_Exit(1);
}

}  // namespace vora
