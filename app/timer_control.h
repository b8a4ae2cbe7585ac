#pragma once
// 时钟1: a hidden child window that owns the periodic Windows timer.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>

namespace pubg {

// The platform timer belongs to the UI thread: created, set, killed and ticking there only.
class TimerControl {
  struct ConstructionKey {};

 public:
  static constexpr UINT_PTR kTimerId = 1000;

  // Created hidden with period 0, so it does not tick until a period is set. Null on failure.
  static std::unique_ptr<TimerControl> Create(HINSTANCE instance, HWND parent, std::function<void()> onTick);
  TimerControl(ConstructionKey, std::function<void()> onTick);
  ~TimerControl();

  TimerControl(const TimerControl&) = delete;
  TimerControl& operator=(const TimerControl&) = delete;

  HWND Handle() const { return window_; }

  // A negative period counts as 0. The period already set changes nothing, so a running countdown
  // goes on undisturbed; any other stops the timer and, when above 0, starts a fresh countdown.
  void SetPeriod(std::int32_t periodMs);
  std::int32_t Period() const { return period_; }
  bool Running() const { return running_; }

 private:
  template <typename Owner>
  friend LRESULT CALLBACK InstanceWindowProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  HWND window_ = nullptr;
  std::function<void()> onTick_;
  std::int32_t period_ = 0;
  bool running_ = false;
};

}  // namespace pubg
