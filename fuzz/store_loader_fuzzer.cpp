// Any bytes as defaults.json: loading never crashes, a file the store cannot use is kept
// aside byte for byte, and a file it accepts comes back whole after the next save.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "adapters/json_store/json_file_defaults_store.h"

namespace {

namespace fs = std::filesystem;

class CountingLog final : public vora::Log {
 public:
  void console(std::string_view) override {}
  void system(std::string_view message) override { messages.emplace_back(message); }
  std::vector<std::string> messages;
};

[[noreturn]] void fail(const char* what, const std::vector<std::string>& messages = {}) {
  std::fprintf(stderr, "store fuzzer: %s\n", what);
  for (const auto& m : messages) std::fprintf(stderr, "  log: %s\n", m.c_str());
  std::abort();
}

// A folder of our own under TMPDIR (fuzz/run.sh points it at tmpfs, where the store's
// fsyncs cost nothing, and removes it: libFuzzer ends without running atexit handlers).
const fs::path& workDir() {
  static const fs::path dir = [] {
    std::string name = (fs::temp_directory_path() / "vora-fuzz-store-XXXXXX").string();
    if (::mkdtemp(name.data()) == nullptr) fail("cannot make a work folder");
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(workDir(), ignored);
    });
    return fs::path(name);
  }();
  return dir;
}

std::string readAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<fs::path> entries(const fs::path& dir) {
  std::vector<fs::path> found;
  for (const auto& e : fs::directory_iterator(dir)) found.push_back(e.path());
  return found;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fs::path& dir = workDir();
  for (const fs::path& p : entries(dir)) fs::remove_all(p);
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const fs::path file = dir / "defaults.json";
  {
    std::ofstream out(file, std::ios::binary);
    out << bytes;
  }

  std::map<std::string, vora::DefaultsValue, std::less<>> loaded;
  {
    CountingLog log;
    vora::JsonFileDefaultsStore store(dir, log, [] { return std::int64_t{1}; });
    if (log.messages.size() > 1) fail("loading said more than one thing", log.messages);
    loaded = store.values();

    const auto present = entries(dir);
    if (fs::exists(file)) {
      if (present.size() != 1) fail("a file appeared beside a loaded store", log.messages);
      if (readAll(file) != bytes) fail("loading changed the file", log.messages);
      if (!store.persisting()) fail("a loaded file is not written to", log.messages);
    } else {
      // Damaged: kept aside exactly as it was, and the store starts empty.
      if (present.size() != 1) fail("the damaged file is not kept aside once", log.messages);
      if (readAll(present.front()) != bytes) fail("the copy aside differs", log.messages);
      if (!loaded.empty()) fail("a damaged file gave values", log.messages);
      if (log.messages.size() != 1) fail("damage was not reported", log.messages);
    }
    store.setInteger("fuzz.edit", 7);
    if (!store.persisting()) fail("the edit was not saved", log.messages);
  }

  // What was saved loads again, with nothing lost and nothing to complain about.
  CountingLog log;
  vora::JsonFileDefaultsStore again(dir, log, [] { return std::int64_t{2}; });
  if (!log.messages.empty()) fail("the saved file does not load cleanly", log.messages);
  loaded.insert_or_assign("fuzz.edit", std::int64_t{7});
  if (again.values() != loaded) fail("values changed through a save and a load");
  return 0;
}
