#include "app/timer_control.h"

#include <utility>

#include "app/window_instance.h"

namespace pubg {
namespace {

constexpr wchar_t kTimerClassName[] = L"PubgStatusTimer";

bool RegisterTimerClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kTimerClassName;
  return ::RegisterClassExW(&windowClass) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

TimerControl::TimerControl(ConstructionKey, std::function<void()> onTick) : onTick_(std::move(onTick)) {}

TimerControl::~TimerControl() {
  if (window_) ::DestroyWindow(window_);
}

std::unique_ptr<TimerControl> TimerControl::Create(HINSTANCE instance, HWND parent, std::function<void()> onTick) {
  if (!RegisterTimerClass(instance, &InstanceWindowProc<TimerControl>)) return nullptr;
  auto timer = std::make_unique<TimerControl>(ConstructionKey{}, std::move(onTick));
  ::CreateWindowExW(0, kTimerClassName, L"", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 0, 0, parent, nullptr, instance,
                    timer.get());
  if (!timer->window_) return nullptr;
  return timer;
}

void TimerControl::SetPeriod(std::int32_t periodMs) {
  if (periodMs < 0) periodMs = 0;
  if (periodMs == period_) return;
  period_ = periodMs;
  if (running_ && window_) ::KillTimer(window_, kTimerId);
  running_ = false;
  if (period_ > 0 && window_) {
    // Whether the platform took the timer is not looked at: the state follows the period set.
    ::SetTimer(window_, kTimerId, static_cast<UINT>(period_), nullptr);
    running_ = true;
  }
}

LRESULT TimerControl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      // Every expiry ticks, whatever the identifier.
      if (onTick_) onTick_();
      return 0;
    case WM_DESTROY:
      if (running_) ::KillTimer(window_, kTimerId);
      running_ = false;
      break;
    default:
      break;
  }
  return ::DefWindowProcW(window_, message, wParam, lParam);
}

}  // namespace pubg
