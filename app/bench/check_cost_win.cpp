// What one check costs beyond the network: decoding the ~300 KB sample page from UTF-8 to GBK
// (Utf8ToGbk, Windows only) and evaluating it (StatusEvaluation), under Wine, timed per check with
// QueryPerformanceCounter over many checks.
//
//   check_cost_win.exe [ITERATIONS]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "app/bench/process_watch.h"
#include "app/bench/sample_statistics.h"
#include "status/page_decoding.h"
#include "status/status_evaluation.h"

#ifndef PUBG_TESTING_DIR
#error "PUBG_TESTING_DIR must name the testing directory"
#endif

namespace {

using namespace pubg::bench;

constexpr int kDefaultIterations = 300;
// A check may run every second (CheckTime=1); its own work should take a hundredth of that.
constexpr double kGoalMsPerCheck = 10.0;
constexpr char kSamplePage[] = PUBG_TESTING_DIR "/pages/normal.html";

pubg::ByteArray ReadFile(const char* path) {
  std::ifstream file(path, std::ios::binary);
  return pubg::ByteArray(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace

int main(int argc, char** argv) {
  const int iterations = argc > 1 ? std::atoi(argv[1]) : kDefaultIterations;
  const pubg::ByteArray body = ReadFile(kSamplePage);
  if (body.empty()) {
    std::printf("cannot read %s\n", kSamplePage);
    return 1;
  }

  // The page must evaluate to a state and a count, or the figures would time a search that fails.
  const pubg::Text page = pubg::Utf8ToGbk(body);
  const pubg::StatusEvaluationResult expected = pubg::StatusEvaluation(page);
  if (expected.StateText.empty() || expected.PlayerCountText.empty()) {
    std::printf("the sample page gives no state or no count: nothing real to time\n");
    return 1;
  }

  std::vector<double> decodeMs;
  std::vector<double> evaluateMs;
  std::vector<double> checkMs;
  std::size_t checksum = 0;  // every result is looked at, so none of the work can be left out
  for (int i = 0; i < iterations; ++i) {
    const Stopwatch check;
    const pubg::Text decoded = pubg::Utf8ToGbk(body);
    const double decodedAtMs = check.ElapsedMs();
    const pubg::StatusEvaluationResult result = pubg::StatusEvaluation(decoded);
    const double total = check.ElapsedMs();
    decodeMs.push_back(decodedAtMs);
    evaluateMs.push_back(total - decodedAtMs);
    checkMs.push_back(total);
    checksum += result.StateText.size() + result.PlayerCountText.size();
  }
  if (checksum != static_cast<std::size_t>(iterations) *
                      (expected.StateText.size() + expected.PlayerCountText.size())) {
    std::printf("the evaluation gave different results on the same page\n");
    return 1;
  }

  // The decode's two halves apart, to show where its time goes.
  std::vector<double> toUtf16Ms;
  std::vector<double> toGbkMs;
  for (int i = 0; i < iterations; ++i) {
    const Stopwatch step;
    const pubg::ByteArray utf16 = pubg::Utf8ToUtf16(body);
    const double convertedAtMs = step.ElapsedMs();
    const pubg::Text gbk = pubg::Utf16ToGbk(utf16);
    toUtf16Ms.push_back(convertedAtMs);
    toGbkMs.push_back(step.ElapsedMs() - convertedAtMs);
    if (gbk != page) {
      std::printf("the two halves of the decode do not give what Utf8ToGbk gives\n");
      return 1;
    }
  }

  std::printf("page: %zu bytes of UTF-8, %zu bytes of GBK; %d checks\n", body.size(), page.size(), iterations);
  std::printf("  Utf8ToGbk:        median %.3f ms, best %.3f ms, worst %.3f ms\n", Median(decodeMs), Best(decodeMs),
              Worst(decodeMs));
  std::printf("    Utf8ToUtf16:    median %.3f ms\n", Median(toUtf16Ms));
  std::printf("    Utf16ToGbk:     median %.3f ms\n", Median(toGbkMs));
  std::printf("  StatusEvaluation: median %.3f ms, best %.3f ms, worst %.3f ms\n", Median(evaluateMs),
              Best(evaluateMs), Worst(evaluateMs));
  const double median = Median(checkMs);
  std::printf("check cost beyond the network (decode + evaluate), median: %.3f ms per check (goal: within %.0f ms, %s)\n",
              median, kGoalMsPerCheck, Verdict(median <= kGoalMsPerCheck));
  return 0;
}
