#pragma once
// Medians and extremes of repeated measurements; the median, because a single slow run under Wine
// (a page fault in the server, another build on the machine) says nothing about the program.
#include <algorithm>
#include <vector>

namespace pubg::bench {

inline double Median(std::vector<double> samples) {
  if (samples.empty()) return 0.0;
  std::sort(samples.begin(), samples.end());
  const std::size_t middle = samples.size() / 2;
  if (samples.size() % 2 == 1) return samples[middle];
  return (samples[middle - 1] + samples[middle]) / 2.0;
}

inline double Worst(const std::vector<double>& samples) {
  return samples.empty() ? 0.0 : *std::max_element(samples.begin(), samples.end());
}

inline double Best(const std::vector<double>& samples) {
  return samples.empty() ? 0.0 : *std::min_element(samples.begin(), samples.end());
}

// The value below which `fraction` of the samples lie (nearest rank).
inline double Percentile(std::vector<double> samples, double fraction) {
  if (samples.empty()) return 0.0;
  std::sort(samples.begin(), samples.end());
  auto rank = static_cast<std::size_t>(fraction * static_cast<double>(samples.size()));
  if (rank >= samples.size()) rank = samples.size() - 1;
  return samples[rank];
}

constexpr double kBytesPerMiB = 1024.0 * 1024.0;

inline const char* Verdict(bool met) { return met ? "met" : "NOT met"; }

}  // namespace pubg::bench
