#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace vora::bench {

/// One figure of a benchmark run, as docs/performance.md lists it.
struct Figure {
  std::string item;  ///< which of the measured items ("1", "2", ...), for grouping
  std::string name;  ///< what was measured
  double value = 0;
  std::string unit;         ///< "us", "ms", "allocations", "MiB", "fps", ...
  std::string goal;         ///< the goal as text, empty when the figure has none
  std::optional<bool> met;  ///< whether the goal is met; none when there is no goal
  std::string note;         ///< how it was measured, or what stands in the way
};

/// Where a benchmark program writes its figures: one JSON object a line, appended to the
/// file named by VORA_BENCH_RESULTS (bench/report.py turns them into the document), and a
/// readable line on standard output.
class Results {
 public:
  /// program: how the document names the command that reproduces the figures.
  explicit Results(std::string program);
  ~Results();
  Results(const Results&) = delete;
  Results& operator=(const Results&) = delete;

  void add(const Figure& figure);
  /// A figure that could not be measured, with the reason.
  void missing(std::string item, std::string name, std::string goal, std::string why);

 private:
  std::string program_;
  std::FILE* file_ = nullptr;
};

/// A string as a JSON string literal.
std::string jsonString(std::string_view s);

}  // namespace vora::bench
