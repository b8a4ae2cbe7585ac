#pragma once
// The in-process window tests run their own UI thread: a message-only window to post to, and a
// pump that handles messages until a condition holds.
#include <windows.h>

#include <chrono>
#include <functional>

namespace pubg::test {

// How long a condition that should come true at once may take before the test gives up; a bound
// for failures only.
constexpr std::chrono::milliseconds kPatience{10000};

// Dispatches this thread's messages until `condition` holds (true) or `patience` ran out (false).
bool PumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds patience = kPatience);

// Dispatches this thread's messages for the whole `duration`.
void PumpFor(std::chrono::milliseconds duration);

// A message-only window, or with `visible` a shown 420×300 top-level window, of this thread that calls `onMessage` for every message it gets.
class MessageWindow {
 public:
  explicit MessageWindow(std::function<void(UINT)> onMessage = {}, bool visible = false);
  ~MessageWindow();
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;
  HWND Handle() const { return window_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HWND window_ = nullptr;
  std::function<void(UINT)> onMessage_;
};

}  // namespace pubg::test
