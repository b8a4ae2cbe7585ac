#include "app/bench/process_watch.h"

#include <psapi.h>

namespace pubg::bench {
namespace {

constexpr DWORD kPollIntervalMs = 1;
constexpr DWORD kEndWaitMs = 10000;
constexpr double kMsPerFileTimeUnit = 1e-4;  // FILETIME counts 100 ns
constexpr wchar_t kUpdateLinePrefix[] = L"\u66F4\u65B0\u65F6\u95F4";  // 更新时间

struct WindowSearch {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK FindVisibleWindowOf(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<WindowSearch*>(context);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner == search->processId && ::IsWindowVisible(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM context) {
  reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
  return TRUE;
}

double FileTimeUnits(const FILETIME& time) {
  ULARGE_INTEGER value;
  value.LowPart = time.dwLowDateTime;
  value.HighPart = time.dwHighDateTime;
  return static_cast<double>(value.QuadPart);
}

bool HasEnded(HANDLE process) { return ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }

}  // namespace

Stopwatch::Stopwatch() {
  ::QueryPerformanceFrequency(&frequency_);
  Restart();
}

void Stopwatch::Restart() { ::QueryPerformanceCounter(&start_); }

double Stopwatch::ElapsedMs() const {
  LARGE_INTEGER now;
  ::QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart - start_.QuadPart) * 1000.0 / static_cast<double>(frequency_.QuadPart);
}

std::wstring DirectoryOf(const std::wstring& path) {
  const auto slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}

std::optional<StartedProcess> StartProcess(const std::wstring& executable, const std::wstring& workingDirectory) {
  // CreateProcessW may write into the command line buffer.
  std::wstring commandLine = L"\"" + executable + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(executable.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workingDirectory.c_str(), &startup, &info)) {
    return std::nullopt;
  }
  StartedProcess started;
  started.process.reset(info.hProcess);
  started.thread.reset(info.hThread);
  started.id = info.dwProcessId;
  return started;
}

HWND WaitForVisibleWindow(const StartedProcess& started, DWORD timeoutMs) {
  const Stopwatch clock;
  while (clock.ElapsedMs() < timeoutMs) {
    WindowSearch search{started.id, nullptr};
    ::EnumWindows(&FindVisibleWindowOf, reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
    if (HasEnded(started.process.get())) return nullptr;
    ::Sleep(kPollIntervalMs);
  }
  return nullptr;
}

std::optional<PeakMemory> ReadPeakMemory(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  if (!::GetProcessMemoryInfo(process, &counters, sizeof(counters))) return std::nullopt;
  return PeakMemory{counters.PeakWorkingSetSize, counters.PeakPagefileUsage};
}

std::optional<double> CpuTimeMs(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) return std::nullopt;
  return (FileTimeUnits(kernel) + FileTimeUnits(user)) * kMsPerFileTimeUnit;
}

void EndProcess(StartedProcess& started) {
  if (!started.process) return;
  ::TerminateProcess(started.process.get(), 0);
  ::WaitForSingleObject(started.process.get(), kEndWaitMs);
}

std::wstring WindowText(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = ::GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return text;
}

std::vector<HWND> ChildWindows(HWND parent) {
  std::vector<HWND> children;
  ::EnumChildWindows(parent, &CollectChild, reinterpret_cast<LPARAM>(&children));
  return children;
}

std::wstring ChildCaptionStartingWith(HWND parent, const std::wstring& prefix) {
  for (HWND child : ChildWindows(parent)) {
    std::wstring caption = WindowText(child);
    if (caption.compare(0, prefix.size(), prefix) == 0) return caption;
  }
  return {};
}

std::wstring UpdateLine(HWND programWindow) { return ChildCaptionStartingWith(programWindow, kUpdateLinePrefix); }

bool WaitForFirstCheck(HWND programWindow, DWORD timeoutMs) {
  const Stopwatch clock;
  while (clock.ElapsedMs() < timeoutMs) {
    if (!UpdateLine(programWindow).empty()) return true;
    ::Sleep(kPollIntervalMs);
  }
  return false;
}

CheckCounter::CheckCounter(HWND programWindow) : window_(programWindow), last_(UpdateLine(programWindow)) {}

void CheckCounter::Sample() {
  std::wstring line = UpdateLine(window_);
  if (!line.empty() && line != last_) {
    ++count_;
    last_ = std::move(line);
  }
}

void SleepCounting(CheckCounter& counter, DWORD totalMs, DWORD sampleMs) {
  const Stopwatch clock;
  while (clock.ElapsedMs() < totalMs) {
    ::Sleep(sampleMs);
    counter.Sample();
  }
}

}  // namespace pubg::bench
