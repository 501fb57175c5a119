#include "app/headless_snapshot.h"

namespace vora {

std::unique_ptr<FrameSink> makeSnapshotSink(const std::string& path, Log& log) {
  log.system("vora: --snapshot: scene rendering is not built in yet; " + path + " is not written");
  return nullptr;
}

}  // namespace vora
