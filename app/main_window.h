#pragma once
// The program's only window: a borderless 412×265 panel with eleven labels and the timer 时钟1.
#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "app/label_control.h"
#include "app/timer_control.h"
#include "app/ui_dispatcher.h"
#include "app/window_layout.h"
#include "support/win32_handles.h"

namespace pubg {

class MainWindow;

// Handlers of the window's events, all raised on the UI thread.
struct MainWindowEvents {
  std::function<void(MainWindow&)> windowCreated;  // once, all controls shown, the window not yet
  std::function<void()> timerTick;           // every expiry of 时钟1
  std::function<void()> closeDoubleClicked;  // a double-click on 标签5_关闭
  std::function<void()> timeLabelClicked;    // a press and release on 标签6_Time that moved nothing
};

// Lives on the UI thread. Workers reach it only through Dispatcher().
class MainWindow {
  struct ConstructionKey {};

 public:
  // Builds the window and its controls, raises windowCreated, then shows the window. Null when the
  // window cannot be created.
  static std::unique_ptr<MainWindow> Create(HINSTANCE instance, MainWindowEvents events);
  MainWindow(ConstructionKey, MainWindowEvents events);
  ~MainWindow();

  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  HWND Handle() const { return window_; }

  // UI thread only.
  void SetCaption(LabelName label, TextView caption);
  void SetTextColour(LabelName label, Colour colour);
  void SetBackgroundColour(LabelName label, Colour colour);
  void SetTimerPeriod(std::int32_t periodMs);

  // The way in for worker threads; closed as soon as the window begins closing.
  std::shared_ptr<UiDispatcher> Dispatcher() const { return dispatcher_; }

  // The message loop shows every message here before dispatching it; true means consumed. Holds the
  // move rule (a left press on the window or a label drags the window) and the Esc rule.
  bool PreDispatch(const MSG& message);

  void Destroy();

 private:
  template <typename Owner>
  friend LRESULT CALLBACK InstanceWindowProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  bool BuildControls(HINSTANCE instance);
  void SetIcons(HINSTANCE instance);
  LabelControl* LabelAt(HWND handle) const;
  LabelControl& Label(LabelName name) const;
  void StartMove(POINT screenPoint, const LabelControl* pressedLabel);
  LRESULT MoveFromCaption(WPARAM wParam, LPARAM lParam);
  bool HandleSetCursor(HWND pointed, WORD hitTest) const;
  void Paint(HDC dc, const RECT& area) const;
  void ApplyQueuedWrite(const UiWrite& write);
  void BeginClosing();

  HWND window_ = nullptr;
  MainWindowEvents events_;
  std::array<std::unique_ptr<LabelControl>, kLabelCount> labels_;  // indexed by LabelName
  std::unique_ptr<TimerControl> timer_;
  std::shared_ptr<UiDispatcher> dispatcher_;
  UniqueIcon largeIcon_;
  UniqueIcon smallIcon_;

  // A press on 标签6_Time waiting for its move to end: if the window did not move, it was a click.
  struct PendingPress {
    bool onTimeLabel = false;
    RECT windowRect{};
  };
  PendingPress pendingPress_;
};

}  // namespace pubg
