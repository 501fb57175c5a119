#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace vora::bench {

/// Order statistics of a set of samples (any unit). The samples are sorted in place.
class Samples {
 public:
  explicit Samples(std::size_t expected = 0) { values_.reserve(expected); }

  void add(double v) {
    values_.push_back(v);
    sorted_ = false;
  }
  std::size_t size() const { return values_.size(); }
  bool empty() const { return values_.empty(); }
  std::vector<double>& values() { return values_; }

  /// The q-quantile (0..1), nearest rank on the sorted samples; 0 when empty.
  double quantile(double q) {
    if (values_.empty()) return 0;
    sort();
    const double rank = std::ceil(q * static_cast<double>(values_.size()));
    const std::size_t i = rank < 1 ? 0 : static_cast<std::size_t>(rank) - 1;
    return values_[std::min(i, values_.size() - 1)];
  }
  double median() { return quantile(0.5); }
  double max() {
    sort();
    return values_.empty() ? 0 : values_.back();
  }
  double min() {
    sort();
    return values_.empty() ? 0 : values_.front();
  }
  double mean() const {
    if (values_.empty()) return 0;
    double sum = 0;
    for (double v : values_) sum += v;
    return sum / static_cast<double>(values_.size());
  }

 private:
  void sort() {
    if (!sorted_) std::sort(values_.begin(), values_.end());
    sorted_ = true;
  }
  std::vector<double> values_;
  bool sorted_ = false;
};

}  // namespace vora::bench
