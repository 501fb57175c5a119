#include "support/results.h"

#include <cmath>
#include <cstdlib>

namespace vora::bench {

std::string jsonString(std::string_view s) {
  std::string out = "\"";
  for (char c : s) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

Results::Results(std::string program) : program_(std::move(program)) {
  if (const char* path = std::getenv("VORA_BENCH_RESULTS"); path != nullptr && *path != '\0') {
    file_ = std::fopen(path, "a");
    if (file_ == nullptr) std::fprintf(stderr, "bench: cannot append to %s\n", path);
  }
}

Results::~Results() {
  if (file_ != nullptr) std::fclose(file_);
}

void Results::add(const Figure& f) {
  const char* verdict = !f.met ? "" : (*f.met ? "  [met]" : "  [NOT met]");
  std::printf("%-4s %-70s %12.4g %-12s %s%s\n", f.item.c_str(), f.name.c_str(), f.value,
              f.unit.c_str(), f.goal.c_str(), verdict);
  std::fflush(stdout);
  if (file_ == nullptr) return;
  std::string line = "{\"program\":" + jsonString(program_) + ",\"item\":" + jsonString(f.item) +
                     ",\"name\":" + jsonString(f.name) + ",\"value\":";
  if (std::isfinite(f.value)) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6g", f.value);
    line += buf;
  } else {
    line += "null";
  }
  line += ",\"unit\":" + jsonString(f.unit) + ",\"goal\":" + jsonString(f.goal) +
          ",\"met\":" + (f.met ? (*f.met ? "true" : "false") : "null") +
          ",\"note\":" + jsonString(f.note) + "}\n";
  std::fputs(line.c_str(), file_);
  std::fflush(file_);
}

void Results::missing(std::string item, std::string name, std::string goal, std::string why) {
  Figure f;
  f.item = std::move(item);
  f.name = std::move(name);
  f.value = NAN;
  f.goal = std::move(goal);
  f.met = f.goal.empty() ? std::nullopt : std::optional<bool>(false);
  f.note = std::move(why);
  add(f);
}

}  // namespace vora::bench
