// Start-up time and peak memory of pubg-status.exe beside the floor, a program that only shows an
// empty window. The two are started alternately, each from its own directory, so that drift in the
// machine's load falls on both alike.
//
//   startup_probe.exe RUNS FLOOR.exe PROGRAM.exe
//
// Time: from just before CreateProcess until a visible top-level window of the process exists.
// Memory: PeakWorkingSetSize and PeakPagefileUsage once the window is up and, for the program, its
// first check has ended (so the page it fetched, decoded and evaluated is in the peak).
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
constexpr DWORD kFirstCheckTimeoutMs = 15000;
// Lets the first paint finish before memory is read; the same for both programs.
constexpr DWORD kSettleMs = 300;
// Gives Wine time to tear the ended process down before the next start.
constexpr DWORD kPauseBetweenStartsMs = 300;
constexpr double kTimeRatioGoal = 1.3;
constexpr double kMemoryExcessGoalMiB = 2.0;

struct Launch {
  double startupMs = 0;
  PeakMemory memory;
};

struct Subject {
  const char* label;
  std::wstring executable;
  bool runsChecks;
  std::vector<Launch> launches;
};

bool Measure(Subject& subject, bool record) {
  Stopwatch clock;
  auto started = StartProcess(subject.executable, DirectoryOf(subject.executable));
  if (!started) {
    std::printf("%s: the process could not be started (error %lu)\n", subject.label, ::GetLastError());
    return false;
  }
  HWND window = WaitForVisibleWindow(*started, kWindowTimeoutMs);
  const double startupMs = clock.ElapsedMs();
  if (!window) {
    std::printf("%s: no visible window within %lu ms\n", subject.label, kWindowTimeoutMs);
    EndProcess(*started);
    return false;
  }
  if (subject.runsChecks && !WaitForFirstCheck(window, kFirstCheckTimeoutMs)) {
    std::printf("%s: the first check did not end within %lu ms\n", subject.label, kFirstCheckTimeoutMs);
    EndProcess(*started);
    return false;
  }
  ::Sleep(kSettleMs);
  const auto memory = ReadPeakMemory(started->process.get());
  EndProcess(*started);
  if (!memory) {
    std::printf("%s: GetProcessMemoryInfo failed (error %lu)\n", subject.label, ::GetLastError());
    return false;
  }
  if (record) {
    subject.launches.push_back({startupMs, *memory});
    std::printf("  %-12s start-up %7.1f ms   peak working set %6.2f MiB   peak pagefile %6.2f MiB\n", subject.label,
                startupMs, static_cast<double>(memory->workingSetBytes) / kBytesPerMiB,
                static_cast<double>(memory->pagefileBytes) / kBytesPerMiB);
  }
  ::Sleep(kPauseBetweenStartsMs);
  return true;
}

template <typename Field>
std::vector<double> Collect(const Subject& subject, Field field) {
  std::vector<double> values;
  for (const Launch& launch : subject.launches) values.push_back(field(launch));
  return values;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::printf("usage: startup_probe.exe RUNS FLOOR.exe PROGRAM.exe\n");
    return 2;
  }
  const int runs = static_cast<int>(std::wcstol(argv[1], nullptr, 10));
  Subject floor{"bare window", argv[2], false, {}};
  Subject program{"pubg-status", argv[3], true, {}};

  // One unrecorded start of each: the first start after a build loads everything from disk.
  if (!Measure(floor, false) || !Measure(program, false)) return 1;

  std::printf("%d starts of each, alternating:\n", runs);
  for (int run = 0; run < runs; ++run) {
    // Alternate which goes first too, so neither always follows the other's teardown.
    Subject& first = run % 2 == 0 ? floor : program;
    Subject& second = run % 2 == 0 ? program : floor;
    if (!Measure(first, true) || !Measure(second, true)) return 1;
  }

  auto startup = [](const Launch& l) { return l.startupMs; };
  auto workingSet = [](const Launch& l) { return static_cast<double>(l.memory.workingSetBytes) / kBytesPerMiB; };
  auto pagefile = [](const Launch& l) { return static_cast<double>(l.memory.pagefileBytes) / kBytesPerMiB; };

  const double floorMs = Median(Collect(floor, startup));
  const double programMs = Median(Collect(program, startup));
  const double ratio = programMs / floorMs;
  const double floorSet = Median(Collect(floor, workingSet));
  const double programSet = Median(Collect(program, workingSet));
  const double floorPagefile = Median(Collect(floor, pagefile));
  const double programPagefile = Median(Collect(program, pagefile));

  // The best start of each: what the programs cost when nothing else on the machine gets in the way.
  const double floorBestMs = Best(Collect(floor, startup));
  const double programBestMs = Best(Collect(program, startup));
  std::printf("\nbest starts: bare %.1f ms, pubg-status %.1f ms, ratio %.2fx\n", floorBestMs, programBestMs,
              programBestMs / floorBestMs);
  std::printf("medians over %d starts each:\n", runs);
  std::printf("start-up to visible window: bare %.1f ms, pubg-status %.1f ms, ratio %.2fx (goal: within %.1fx, %s)\n",
              floorMs, programMs, ratio, kTimeRatioGoal, Verdict(ratio <= kTimeRatioGoal));
  std::printf("peak working set: bare %.2f MiB, pubg-status %.2f MiB, +%.2f MiB (goal: within %.0f MiB, %s)\n", floorSet,
              programSet, programSet - floorSet, kMemoryExcessGoalMiB,
              Verdict(programSet - floorSet <= kMemoryExcessGoalMiB));
  std::printf("peak pagefile usage: bare %.2f MiB, pubg-status %.2f MiB, +%.2f MiB (goal: within %.0f MiB, %s)\n",
              floorPagefile, programPagefile, programPagefile - floorPagefile, kMemoryExcessGoalMiB,
              Verdict(programPagefile - floorPagefile <= kMemoryExcessGoalMiB));
  return 0;
}
