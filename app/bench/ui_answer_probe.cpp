// How quickly the program's UI thread answers while checks run: WM_NULL round trips with
// SendMessageTimeout to its window, timed with QueryPerformanceCounter, spaced over several checks.
// The same probes against the bare window give the floor of a round trip on this machine.
//
//   ui_answer_probe.exe PROBES SPACING_MS PROGRAM.exe FLOOR.exe
//
// The program should run with CheckTime=1 against a server that sends the page slowly, so that
// fetches, decoding and label writes overlap the probes.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "app/bench/process_watch.h"
#include "app/bench/sample_statistics.h"

namespace {

using namespace pubg::bench;

constexpr DWORD kWindowTimeoutMs = 30000;
constexpr DWORD kFirstCheckTimeoutMs = 30000;
// A probe that waits this long counts as unanswered: the window is hung.
constexpr UINT kAnswerTimeoutMs = 5000;
constexpr double kMedianGoalMs = 16.0;  // one frame at 60 Hz
constexpr double kWorstGoalMs = 100.0;  // the limit of a response that feels immediate
constexpr double kNinetyNinthPercentile = 0.99;

struct ProbeRun {
  std::vector<double> answerMs;
  int unanswered = 0;
  int checksEnded = 0;
};

bool Probe(const wchar_t* label, const std::wstring& executable, bool runsChecks, int probes, DWORD spacingMs,
           ProbeRun& run) {
  auto started = StartProcess(executable, DirectoryOf(executable));
  if (!started) {
    std::printf("%ls: the process could not be started (error %lu)\n", label, ::GetLastError());
    return false;
  }
  HWND window = WaitForVisibleWindow(*started, kWindowTimeoutMs);
  if (!window || (runsChecks && !WaitForFirstCheck(window, kFirstCheckTimeoutMs))) {
    std::printf("%ls: no window, or no first check\n", label);
    EndProcess(*started);
    return false;
  }
  CheckCounter checks(window);
  for (int i = 0; i < probes; ++i) {
    DWORD_PTR result = 0;
    const Stopwatch clock;
    const LRESULT answered = ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kAnswerTimeoutMs, &result);
    run.answerMs.push_back(clock.ElapsedMs());
    if (!answered) ++run.unanswered;
    checks.Sample();
    ::Sleep(spacingMs);
  }
  run.checksEnded = checks.Count();
  EndProcess(*started);
  return true;
}

void Print(const char* label, const ProbeRun& run) {
  std::printf("  %-12s %zu probes: median %.3f ms, 99th percentile %.3f ms, worst %.3f ms, unanswered %d",
              label, run.answerMs.size(), Median(run.answerMs), Percentile(run.answerMs, kNinetyNinthPercentile),
              Worst(run.answerMs), run.unanswered);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) {
    std::printf("usage: ui_answer_probe.exe PROBES SPACING_MS PROGRAM.exe FLOOR.exe\n");
    return 2;
  }
  const int probes = static_cast<int>(std::wcstol(argv[1], nullptr, 10));
  const auto spacingMs = static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10));

  ProbeRun program;
  ProbeRun floor;
  if (!Probe(L"pubg-status", argv[3], true, probes, spacingMs, program)) return 1;
  if (!Probe(L"bare window", argv[4], false, probes, spacingMs, floor)) return 1;

  std::printf("WM_NULL round trips, %lu ms apart:\n", spacingMs);
  Print("pubg-status", program);
  std::printf(", checks ended meanwhile %d\n", program.checksEnded);
  Print("bare window", floor);
  std::printf("\n");
  if (program.checksEnded == 0) {
    std::printf("no check ended during the probes: the figures do not show the UI thread under checks\n");
    return 1;
  }
  const double median = Median(program.answerMs);
  const double worst = Worst(program.answerMs);
  std::printf("UI thread answer while checks run, median: %.3f ms (goal: within %.0f ms, %s)\n", median, kMedianGoalMs,
              Verdict(median <= kMedianGoalMs));
  std::printf("UI thread answer while checks run, worst: %.3f ms (goal: within %.0f ms, %s)\n", worst, kWorstGoalMs,
              Verdict(worst <= kWorstGoalMs && program.unanswered == 0));
  return 0;
}
