// CPU time (kernel + user) that pubg-status uses while it waits between checks. Two copies run side
// by side over the same stretch of time: one with CheckTime=30, as a café runs it, and one with
// CheckTime=0, which checks once at start-up and never again. The second shows what the program
// costs beyond its checks; the difference, per check, is what a check costs.
//
//   idle_cpu_probe.exe SECONDS PERIODIC.exe QUIET.exe
//
// The time comes from GetProcessTimes; under Wine, which does not report another process's time
// there, from the Linux accounting of the same process (see unix_process_times.h).
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>
#include <utility>

#include "app/bench/process_watch.h"
#include "app/bench/sample_statistics.h"
#include "app/bench/unix_process_times.h"

namespace {

using namespace pubg::bench;

constexpr DWORD kWindowTimeoutMs = 30000;
constexpr DWORD kFirstCheckTimeoutMs = 30000;
constexpr DWORD kSampleMs = 500;
constexpr double kMsPerSecond = 1000.0;
constexpr double kPercent = 100.0;
// Beyond its checks the program should sleep in its message loop: a tenth of a percent of one core
// at most.
constexpr double kQuietGoalPercentOfCore = 0.1;

struct CpuReading {
  double windowsMs = 0;                // GetProcessTimes
  std::optional<double> unixMs;        // Linux accounting, under Wine
};

struct Watched {
  Watched(const char* labelText, std::wstring executablePath)
      : label(labelText), executable(std::move(executablePath)) {}

  const char* label;
  std::wstring executable;
  StartedProcess started;
  HWND window = nullptr;
  std::optional<unsigned long> unixPid;
  CpuReading atStart;
  CpuReading atEnd;
  std::optional<CheckCounter> checks;

  double WindowsMs() const { return atEnd.windowsMs - atStart.windowsMs; }
  std::optional<double> UnixMs() const {
    if (!atStart.unixMs || !atEnd.unixMs) return std::nullopt;
    return *atEnd.unixMs - *atStart.unixMs;
  }
  // The figure to trust: Linux's under Wine, the platform's otherwise.
  double UsedMs() const { return UnixMs() ? *UnixMs() : WindowsMs(); }
};

bool Start(Watched& watched) {
  auto started = StartProcess(watched.executable, DirectoryOf(watched.executable));
  if (!started) {
    std::printf("%s: the process could not be started (error %lu)\n", watched.label, ::GetLastError());
    return false;
  }
  watched.started = std::move(*started);
  watched.window = WaitForVisibleWindow(watched.started, kWindowTimeoutMs);
  if (!watched.window || !WaitForFirstCheck(watched.window, kFirstCheckTimeoutMs)) {
    std::printf("%s: no window, or no first check\n", watched.label);
    return false;
  }
  watched.unixPid = FindUnixProcess(watched.executable);
  watched.checks.emplace(watched.window);
  return true;
}

std::optional<CpuReading> Read(const Watched& watched) {
  const auto windowsMs = CpuTimeMs(watched.started.process.get());
  if (!windowsMs) return std::nullopt;
  CpuReading reading;
  reading.windowsMs = *windowsMs;
  if (watched.unixPid) reading.unixMs = UnixCpuTimeMs(*watched.unixPid);
  return reading;
}

double PercentOfCore(double ms, double seconds) { return ms / (seconds * kMsPerSecond) * kPercent; }

void Report(const Watched& watched, double seconds) {
  std::printf("  %-13s %8.1f ms CPU in %.0f s = %.3f %% of one core, %d checks ended", watched.label,
              watched.UsedMs(), seconds, PercentOfCore(watched.UsedMs(), seconds), watched.checks->Count());
  if (watched.UnixMs()) std::printf("   (GetProcessTimes said %.1f ms)", watched.WindowsMs());
  std::printf("\n");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::printf("usage: idle_cpu_probe.exe SECONDS PERIODIC.exe QUIET.exe\n");
    return 2;
  }
  const double seconds = std::wcstod(argv[1], nullptr);
  Watched periodic{"CheckTime=30", argv[2]};
  Watched quiet{"CheckTime=0", argv[3]};
  if (!Start(periodic) || !Start(quiet)) {
    EndProcess(periodic.started);
    EndProcess(quiet.started);
    return 1;
  }

  const auto periodicStart = Read(periodic);
  const auto quietStart = Read(quiet);
  const Stopwatch clock;
  while (clock.ElapsedMs() < seconds * kMsPerSecond) {
    ::Sleep(kSampleMs);
    periodic.checks->Sample();
    quiet.checks->Sample();
  }
  const auto periodicEnd = Read(periodic);
  const auto quietEnd = Read(quiet);
  EndProcess(periodic.started);
  EndProcess(quiet.started);
  if (!periodicStart || !quietStart || !periodicEnd || !quietEnd) {
    std::printf("GetProcessTimes failed\n");
    return 1;
  }
  periodic.atStart = *periodicStart;
  periodic.atEnd = *periodicEnd;
  quiet.atStart = *quietStart;
  quiet.atEnd = *quietEnd;

  const bool underWine = periodic.UnixMs() && quiet.UnixMs();
  std::printf("CPU time over %.0f s, two copies side by side%s:\n", seconds,
              underWine ? " (Linux accounting of the Wine processes; Wine's GetProcessTimes does not report "
                          "another process's time)"
                        : "");
  Report(periodic, seconds);
  Report(quiet, seconds);

  const double periodicMs = periodic.UsedMs();
  const double quietMs = quiet.UsedMs();
  const int checks = periodic.checks->Count();
  std::printf("idle CPU, CheckTime=30: %.1f ms in %.0f s, %.3f %% of one core, %d checks (goal: close to zero beyond "
              "the checks)\n",
              periodicMs, seconds, PercentOfCore(periodicMs, seconds), checks);
  if (checks > 0) std::printf("  per check, beyond the quiet copy: %.1f ms\n", (periodicMs - quietMs) / checks);
  const double quietPercent = PercentOfCore(quietMs, seconds);
  std::printf("idle CPU beyond the checks (CheckTime=0): %.1f ms in %.0f s, %.3f %% of one core (goal: within %.1f %%, "
              "%s)\n",
              quietMs, seconds, quietPercent, kQuietGoalPercentOfCore, Verdict(quietPercent <= kQuietGoalPercentOfCore));
  return 0;
}
