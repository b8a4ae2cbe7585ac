// pubg-status-peek.exe: a look at a running pubg-status window from outside, for scripts run where
// nobody watches the screen. Waits for the window and its first finished check, prints where the
// window is and what every label says (UTF-8), and with --close closes the window.
//
//   pubg-status-peek.exe [--wait-ms N] [--close]
//
// Exit code 0 when the window showed a finished check, 1 when it never showed or no check finished
// within the wait.
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "app/window_layout.h"

namespace pubg {
namespace {

constexpr wchar_t kMainWindowClassName[] = L"PubgStatusMainWindow";
constexpr wchar_t kUpdateLinePrefix[] = L"更新时间：";
constexpr long kDefaultWaitMs = 60000;
constexpr std::chrono::milliseconds kLookInterval{100};
constexpr int kCaptionChars = 1024;

// The labels' names in the window data, by LabelName.
constexpr const char* kLabelNames[kLabelCount] = {
    "标签5_关闭", "标签_右边线", "标签_下边线", "标签_左边线", "标签6_Time", "标签4",
    "标签2_提示", "标签3_userCount", "标签3", "标签3_State", "标签1",
};

void Print(const std::string& utf8) {
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

std::string Utf8(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                          nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), bytes, nullptr, nullptr);
  return utf8;
}

// The label's window: the child whose rectangle is the label's place in the layout.
HWND LabelWindow(HWND main, const LabelLayout& layout) {
  for (HWND child = ::GetWindow(main, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    RECT rect;
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&rect), 2);
    if (rect.left == layout.left && rect.top == layout.top && rect.right - rect.left == layout.width &&
        rect.bottom - rect.top == layout.height) {
      return child;
    }
  }
  return nullptr;
}

std::wstring CaptionOf(HWND window) {
  wchar_t text[kCaptionChars] = {};
  if (window) ::GetWindowTextW(window, text, kCaptionChars);
  return text;
}

bool WaitFor(const std::chrono::steady_clock::time_point& giveUp, const std::function<bool()>& condition) {
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= giveUp) return false;
    std::this_thread::sleep_for(kLookInterval);
  }
  return true;
}

int Run(int argc, char** argv) {
  long waitMs = kDefaultWaitMs;
  bool close = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--wait-ms") == 0 && i + 1 < argc) {
      waitMs = std::strtol(argv[++i], nullptr, 10);
    } else if (std::strcmp(argv[i], "--close") == 0) {
      close = true;
    }
  }
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);

  HWND main = nullptr;
  if (!WaitFor(giveUp, [&] { return (main = ::FindWindowW(kMainWindowClassName, nullptr)) != nullptr; })) {
    Print("no pubg-status window\n");
    return 1;
  }
  HWND time = LabelWindow(main, LayoutOf(LabelName::Time));
  const bool checked =
      WaitFor(giveUp, [&] { return CaptionOf(time).rfind(kUpdateLinePrefix, 0) == 0; });

  RECT rect;
  ::GetWindowRect(main, &rect);
  Print("window " + std::to_string(rect.left) + " " + std::to_string(rect.top) + " " +
        std::to_string(rect.right - rect.left) + " " + std::to_string(rect.bottom - rect.top) + "\n");
  Print("title: " + Utf8(CaptionOf(main)) + "\n");
  for (const LabelLayout& layout : kLabelLayouts) {
    Print(std::string(kLabelNames[static_cast<std::size_t>(layout.name)]) + ": \"" +
          Utf8(CaptionOf(LabelWindow(main, layout))) + "\"\n");
  }
  if (!checked) Print("no check finished within the wait\n");

  if (close) {
    ::PostMessageW(main, WM_CLOSE, 0, 0);
    WaitFor(giveUp + std::chrono::seconds(10), [&] { return !::IsWindow(main); });
  }
  return checked ? 0 : 1;
}

}  // namespace
}  // namespace pubg

int main(int argc, char** argv) { return pubg::Run(argc, argv); }
