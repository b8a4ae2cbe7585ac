// How much the character-aware evaluation costs beside the fastest plain byte search over the same
// page: StatusEvaluation on a realistic 300 KB page with its blocks near the end, against memmem for
// the same four markers in the same order. Prints both and their ratio.
#include <benchmark/benchmark.h>

#include <cstring>
#include <iostream>
#include <map>
#include <string>

#include "status/status_evaluation.h"

namespace {

constexpr std::size_t kPageBytes = 300 * 1024;

std::string Spaces(std::size_t n) { return std::string(n, ' '); }

// Markup rows with some Chinese text (GBK), like the statistics site's tables, then the two blocks.
std::string RealisticPage() {
  const std::string rows[] = {
      Spaces(16) + "<tr class=\"row\"><td class=\"name\">\xB7\xFE\xCE\xF1\xC6\xF7\xC1\xD0\xB1\xED</td>"  // 服务器列表
                   "<td class=\"num\">12,345</td><td><a href=\"/statistics/region?id=7\">\xCF\xEA\xC7\xE9</a></td></tr>\n",  // 详情
      Spaces(16) + "<div class=\"chart\" data-series=\"[1,2,3,5,8,13,21,34,55,89]\" style=\"height:120px\"></div>\n",
      Spaces(12) + "<p>\xC4\xBF\xC7\xB0\xD4\xDA\xCF\xDF\xCD\xE6\xBC\xD2\xCA\xFD\xBE\xDD\xC3\xBF\xB7\xD6\xD6\xD3\xB8\xFC\xD0\xC2</p>\n",  // 目前在线玩家数据每分钟更新
      Spaces(20) + "<script>window.dataLayer=window.dataLayer||[];function gtag(){dataLayer.push(arguments);}</script>\n",
  };
  std::string page = "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head><meta charset=\"utf-8\"></head>\n<body>\n";
  for (std::size_t i = 0; page.size() < kPageBytes - 2048; ++i) page += rows[i % 4];
  page += "<div class=\"server\">\n";
  page += std::string(pubg::StateStartMarker) + "\xD5\xFD\xB3\xA3" + std::string(pubg::StateEndMarker);  // 正常
  page += std::string(pubg::CountStartMarker) + "1,234,567" + std::string(pubg::CountEndMarker);
  page += "1234567</em></a></p>\n</div>\n";
  while (page.size() < kPageBytes) page += "<!-- footer -->\n";
  return page;
}

const std::string& Page() {
  static const std::string page = RealisticPage();
  return page;
}

const void* Find(const std::string& page, std::size_t from, pubg::TextView marker) {
  return memmem(page.data() + from, page.size() - from, marker.data(), marker.size());
}

void BM_StatusEvaluation(benchmark::State& state) {
  for (auto _ : state) {
    pubg::StatusEvaluationResult result = pubg::StatusEvaluation(Page());
    benchmark::DoNotOptimize(result);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Page().size()));
}

// The same four searches, byte-wise: start marker, end marker after it, then the same for the count.
void BM_MemmemSameSearches(benchmark::State& state) {
  const std::string& page = Page();
  for (auto _ : state) {
    auto at = [&](const void* p) { return static_cast<std::size_t>(static_cast<const char*>(p) - page.data()); };
    const void* s = Find(page, 0, pubg::StateStartMarker);
    const void* e = Find(page, at(s) + pubg::StateStartMarker.size(), pubg::StateEndMarker);
    const void* c = Find(page, 0, pubg::CountStartMarker);
    const void* d = Find(page, at(c) + pubg::CountStartMarker.size(), pubg::CountEndMarker);
    benchmark::DoNotOptimize(e);
    benchmark::DoNotOptimize(d);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}

// One plain pass over the page, for scale.
void BM_MemmemOnePass(benchmark::State& state) {
  const std::string& page = Page();
  for (auto _ : state) benchmark::DoNotOptimize(Find(page, 0, pubg::CountStartMarker));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}

BENCHMARK(BM_StatusEvaluation)->MinTime(1.0);
BENCHMARK(BM_MemmemSameSearches)->MinTime(1.0);
BENCHMARK(BM_MemmemOnePass)->MinTime(1.0);

// Keeps each run's time per iteration so that the ratio can be printed after the table.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) nanoseconds_[run.benchmark_name()] = run.GetAdjustedRealTime();
  }
  double Of(const std::string& name) const { return nanoseconds_.at(name); }

 private:
  std::map<std::string, double> nanoseconds_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double evaluation = reporter.Of("BM_StatusEvaluation/min_time:1.000");
  const double memmem = reporter.Of("BM_MemmemSameSearches/min_time:1.000");
  const double onePass = reporter.Of("BM_MemmemOnePass/min_time:1.000");
  std::cout << "\npage: " << Page().size() << " bytes\n"
            << "StatusEvaluation:            " << evaluation / 1000.0 << " us\n"
            << "memmem, same four searches:  " << memmem / 1000.0 << " us\n"
            << "memmem, one pass:            " << onePass / 1000.0 << " us\n"
            << "ratio to the same searches:  " << evaluation / memmem << "x (goal: within 3x)\n"
            << "ratio to one pass:           " << evaluation / onePass << "x\n";
  return 0;
}
