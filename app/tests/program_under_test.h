#pragma once
// The test build of the program, started for real in a run directory of its own, and its window
// read back through the Win32 API from this process.
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/win32_handles.h"

namespace pubg::e2e {

// How long a condition that should come true at once may take before the test gives up on it. Only
// a bound for failures: no test waits for it when things work.
constexpr std::chrono::milliseconds kPatience{20000};

// The port the driver script started the loopback server on; the test build reads its page there.
std::uint16_t ServerPort();

// Waits, sleeping briefly between looks, until `condition` holds; false when kPatience ran out.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds patience = kPatience);

// The program's labels, by the names of the window data.
enum class Label {
  Close,         // 标签5_关闭
  RightEdge,     // 标签_右边线
  BottomEdge,    // 标签_下边线
  LeftEdge,      // 标签_左边线
  Time,          // 标签6_Time
  Title,         // 标签4
  Notice,        // 标签2_提示
  PlayerCount,   // 标签3_userCount
  CountCaption,  // 标签3
  State,         // 标签3_State
  StateCaption,  // 标签1
};

struct LabelPlace {
  Label label;
  RECT rect;  // client coordinates of the main window
};

// Where each label lies, as the window is meant to be built.
const std::vector<LabelPlace>& ExpectedLabelPlaces();
RECT ExpectedRect(Label label);

// One start of the test build: a fresh run directory holding the program under `exeName` and the
// given config.ini bytes (none: no config.ini). The process is killed at the end if still running.
class ProgramUnderTest {
 public:
  ProgramUnderTest(const std::wstring& exeName, std::optional<std::string> configIni);
  ~ProgramUnderTest();
  ProgramUnderTest(const ProgramUnderTest&) = delete;
  ProgramUnderTest& operator=(const ProgramUnderTest&) = delete;

  // Starts the program and waits until its window is visible; false if it never shows.
  bool Start();

  HWND Window() const { return window_; }
  DWORD ThreadId() const { return threadId_; }
  HANDLE Process() const { return process_.get(); }
  const std::wstring& RunDirectory() const { return runDirectory_; }
  std::wstring FileInRunDirectory(const std::wstring& name) const;

  // The label's window, found by its place in the main window.
  HWND LabelWindow(Label label) const;
  std::wstring Caption(Label label) const;
  // The update line has been written since the start (it reads "更新时间：" and a time).
  bool HasUpdateLine() const;
  bool WaitForCaption(Label label, const std::wstring& caption) const;
  bool WaitForCaptions(const std::wstring& state, const std::wstring& count) const;

  // Waits for the process to end; its exit code, or nothing if it is still running after `patience`.
  std::optional<DWORD> WaitForExit(std::chrono::milliseconds patience = kPatience) const;
  bool IsRunning() const;

 private:
  std::wstring runDirectory_;
  std::wstring exePath_;
  UniqueKernelHandle process_;
  DWORD threadId_ = 0;
  HWND window_ = nullptr;
};

// 24-bit pixels of the main window as the screen shows it, read with BitBlt from the screen DC.
class WindowPicture {
 public:
  explicit WindowPicture(HWND window);
  bool Valid() const { return !pixels_.empty(); }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // The pixel as a Colour (0x00BBGGRR) at window coordinates.
  std::uint32_t At(int x, int y) const;
  // How many pixels of the rectangle have exactly this colour.
  int Count(const RECT& rect, std::uint32_t colour) const;
  // The colours of the rectangle's pixels, row by row.
  std::vector<std::uint32_t> Region(const RECT& rect) const;
  // Saves a BMP file; false on failure.
  bool Save(const std::wstring& path) const;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint8_t> pixels_;  // BGR rows, top-down, 4-byte aligned
};

// Where the e2e tests put their screenshots (the build tree), created when needed.
std::wstring ArtifactPath(const std::wstring& fileName);

// --- Measurements of a running program from outside, for the soak and bad-input runs. ---

// The kernel handles the process holds, counted in the system's handle table (Wine answers
// GetProcessHandleCount with 0 for another process, but lists its handles there). Nothing when the
// table cannot be read.
std::optional<std::size_t> HandleCountOf(DWORD processId);

// The process's private memory: PagefileUsage, which Windows reports as the commit charge and Wine
// as the anonymous resident memory of the Linux process (PrivateUsage reads 0 under Wine).
std::optional<std::size_t> PrivateBytesOf(HANDLE process);

// True when the window's thread answers WM_NULL within `patience`.
bool AnswersWmNull(HWND window, std::chrono::milliseconds patience);

// The label's whole caption, however long (Caption reads at most 1023 characters).
std::wstring FullCaption(const ProgramUnderTest& program, Label label);

// A file's bytes, read while another process may be appending to it; empty when it cannot be opened.
std::string ReadWholeFile(const std::wstring& path);

}  // namespace pubg::e2e
