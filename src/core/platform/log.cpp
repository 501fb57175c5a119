#include "core/platform/log.h"

#include <cstdio>

namespace vora {

void StdioLog::console(std::string_view line) {
  std::lock_guard lock(mutex_);
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

void StdioLog::system(std::string_view message) {
  std::lock_guard lock(mutex_);
  std::fwrite(message.data(), 1, message.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

}  // namespace vora
