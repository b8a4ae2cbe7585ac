#pragma once
// What the Windows probes do to a program they measure: start it, wait for its window, read its
// memory and CPU time and the texts of its labels, and end it.
#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "support/win32_handles.h"

namespace pubg::bench {

// A high-resolution clock; QueryPerformanceCounter underneath.
class Stopwatch {
 public:
  Stopwatch();
  void Restart();
  double ElapsedMs() const;

 private:
  LARGE_INTEGER frequency_{};
  LARGE_INTEGER start_{};
};

struct StartedProcess {
  UniqueKernelHandle process;
  UniqueKernelHandle thread;
  DWORD id = 0;
};

// Everything before the last slash or backslash.
std::wstring DirectoryOf(const std::wstring& path);

// Starts `executable` with `workingDirectory` as its current directory. Empty when it cannot start.
std::optional<StartedProcess> StartProcess(const std::wstring& executable, const std::wstring& workingDirectory);

// The first visible top-level window of the process, polled every millisecond; null when the
// process ends first or `timeoutMs` passes.
HWND WaitForVisibleWindow(const StartedProcess& started, DWORD timeoutMs);

struct PeakMemory {
  std::size_t workingSetBytes = 0;
  std::size_t pagefileBytes = 0;
};
std::optional<PeakMemory> ReadPeakMemory(HANDLE process);

// Kernel plus user time the process has used so far.
std::optional<double> CpuTimeMs(HANDLE process);

// Terminates the process and waits until it is gone.
void EndProcess(StartedProcess& started);

std::wstring WindowText(HWND window);
std::vector<HWND> ChildWindows(HWND parent);

// The caption of the first child whose caption begins with `prefix`; empty when none does.
std::wstring ChildCaptionStartingWith(HWND parent, const std::wstring& prefix);

// The program's update line, "更新时间：…", which a check writes when it ends; empty until the
// first check has ended.
std::wstring UpdateLine(HWND programWindow);

// Waits until the program's first check has written its update line; false on timeout.
bool WaitForFirstCheck(HWND programWindow, DWORD timeoutMs);

// Counts the changes of the update line while time passes: one per ended check.
class CheckCounter {
 public:
  explicit CheckCounter(HWND programWindow);
  void Sample();
  int Count() const { return count_; }

 private:
  HWND window_;
  std::wstring last_;
  int count_ = 0;
};

// Sleeps `totalMs`, sampling the counter every `sampleMs`.
void SleepCounting(CheckCounter& counter, DWORD totalMs, DWORD sampleMs);

}  // namespace pubg::bench
