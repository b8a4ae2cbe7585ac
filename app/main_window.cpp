#include "app/main_window.h"

#include <utility>

#include "app/app_messages.h"
#include "app/wide_text.h"
#include "app/window_instance.h"

namespace pubg {
namespace {

constexpr wchar_t kMainWindowClassName[] = L"PubgStatusMainWindow";
constexpr wchar_t kIconResourceName[] = L"DEFAULT_ICON";
constexpr int kLargeIconSize = 32;
constexpr int kSmallIconSize = 16;

// Only these three style bits; the platform adds a title bar, which is taken off again at once.
constexpr DWORD kMainWindowStyle = WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_MINIMIZEBOX;

bool RegisterMainWindowClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = nullptr;  // WM_PAINT fills the whole client area
  windowClass.lpszClassName = kMainWindowClassName;
  return ::RegisterClassExW(&windowClass) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// Centred on the primary screen; on a screen smaller than the window this is negative.
POINT CentredPosition() {
  return {(::GetSystemMetrics(SM_CXSCREEN) - kMainWindowWidth) / 2,
          (::GetSystemMetrics(SM_CYSCREEN) - kMainWindowHeight) / 2};
}

// GetKeyState sets its high bit while the key is down.
constexpr SHORT kKeyDownBit = static_cast<SHORT>(0x8000);

bool IsHeld(int virtualKey) { return (::GetKeyState(virtualKey) & kKeyDownBit) != 0; }

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

LabelName LabelFor(CheckLabel label) {
  switch (label) {
    case CheckLabel::State: return LabelName::State;
    case CheckLabel::PlayerCount: return LabelName::PlayerCount;
    case CheckLabel::UpdateTime: return LabelName::Time;
  }
  return LabelName::State;
}

}  // namespace

MainWindow::MainWindow(ConstructionKey, MainWindowEvents events) : events_(std::move(events)) {}

MainWindow::~MainWindow() { Destroy(); }

std::unique_ptr<MainWindow> MainWindow::Create(HINSTANCE instance, MainWindowEvents events) {
  if (!RegisterMainWindowClass(instance, &InstanceWindowProc<MainWindow>)) return nullptr;
  auto window = std::make_unique<MainWindow>(ConstructionKey{}, std::move(events));

  const POINT position = CentredPosition();
  const std::wstring title = WideFromGbk(kMainWindowTitle);
  ::CreateWindowExW(0, kMainWindowClassName, title.c_str(), kMainWindowStyle, position.x, position.y,
                    kMainWindowWidth, kMainWindowHeight, nullptr, nullptr, instance, window.get());
  HWND handle = window->window_;
  if (!handle) return nullptr;

  const LONG_PTR style = ::GetWindowLongPtrW(handle, GWL_STYLE);
  ::SetWindowLongPtrW(handle, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_CAPTION));
  ::SetWindowPos(handle, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT rect;
  ::GetWindowRect(handle, &rect);
  if (rect.right - rect.left != kMainWindowWidth || rect.bottom - rect.top != kMainWindowHeight) {
    ::SetWindowPos(handle, nullptr, position.x, position.y, kMainWindowWidth, kMainWindowHeight,
                   SWP_NOZORDER | SWP_NOACTIVATE);
  }

  window->SetIcons(instance);
  window->dispatcher_ = std::make_shared<UiDispatcher>(handle, kApplyQueuedWritesMessage);
  if (!window->BuildControls(instance)) return nullptr;

  if (window->events_.windowCreated) window->events_.windowCreated(*window);
  if (::IsWindow(handle)) ::ShowWindow(handle, SW_SHOW);
  return window;
}

void MainWindow::SetIcons(HINSTANCE instance) {
  largeIcon_.reset(static_cast<HICON>(
      ::LoadImageW(instance, kIconResourceName, IMAGE_ICON, kLargeIconSize, kLargeIconSize, 0)));
  smallIcon_.reset(static_cast<HICON>(
      ::LoadImageW(instance, kIconResourceName, IMAGE_ICON, kSmallIconSize, kSmallIconSize, 0)));
  ::SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon_.get()));
  ::SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
}

bool MainWindow::BuildControls(HINSTANCE instance) {
  for (const LabelLayout& layout : kLabelLayouts) {
    auto label = LabelControl::Create(instance, window_, layout);
    if (!label) return false;
    labels_[static_cast<std::size_t>(layout.name)] = std::move(label);
  }
  timer_ = TimerControl::Create(instance, window_, [this] {
    if (events_.timerTick) events_.timerTick();
  });
  if (!timer_) return false;
  Label(LabelName::Close).onDoubleClick = [this] {
    if (events_.closeDoubleClicked) events_.closeDoubleClicked();
  };

  // Z-order in layout order, the first on top and each next one right below the one before.
  constexpr UINT kKeepPlace = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
  HWND above = HWND_TOP;
  for (std::size_t slot = 0; slot < kLabelLayouts.size(); ++slot) {
    if (slot == kTimerZOrderSlot) {
      ::SetWindowPos(timer_->Handle(), above, 0, 0, 0, 0, kKeepPlace);
      above = timer_->Handle();
    }
    HWND label = Label(kLabelLayouts[slot].name).Handle();
    ::SetWindowPos(label, above, 0, 0, 0, 0, kKeepPlace);
    above = label;
  }
  for (const auto& label : labels_) ::ShowWindow(label->Handle(), SW_SHOWNA);
  return true;
}

LabelControl& MainWindow::Label(LabelName name) const { return *labels_[static_cast<std::size_t>(name)]; }

LabelControl* MainWindow::LabelAt(HWND handle) const {
  for (const auto& label : labels_) {
    if (label && label->Handle() == handle) return label.get();
  }
  return nullptr;
}

void MainWindow::SetCaption(LabelName label, TextView caption) { Label(label).SetCaption(caption); }
void MainWindow::SetTextColour(LabelName label, Colour colour) { Label(label).SetTextColour(colour); }
void MainWindow::SetBackgroundColour(LabelName label, Colour colour) { Label(label).SetBackgroundColour(colour); }
void MainWindow::SetTimerPeriod(std::int32_t periodMs) {
  if (timer_) timer_->SetPeriod(periodMs);
}

void MainWindow::Destroy() {
  if (window_) ::DestroyWindow(window_);
}

bool MainWindow::PreDispatch(const MSG& message) {
  if (!window_) return false;
  if (message.message == WM_LBUTTONDOWN) {
    if (message.hwnd == window_) {
      StartMove(message.pt, nullptr);
      return false;  // the press goes on to the window, which does nothing with it
    }
    if (const LabelControl* label = LabelAt(message.hwnd)) {
      StartMove(message.pt, label);
      return true;  // never reaches the label
    }
    return false;
  }
  if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE &&
      (message.hwnd == window_ || ::IsChild(window_, message.hwnd)) && !IsHeld(VK_CONTROL) && !IsHeld(VK_SHIFT) &&
      !IsHeld(VK_MENU)) {
    ::SendMessageW(window_, WM_CLOSE, 0, 0);
    return true;
  }
  return false;
}

void MainWindow::StartMove(POINT screenPoint, const LabelControl* pressedLabel) {
  pendingPress_.onTimeLabel = pressedLabel && pressedLabel->Name() == LabelName::Time;
  ::GetWindowRect(window_, &pendingPress_.windowRect);
  // Exactly what a press on a title bar would start: the system's move loop.
  ::PostMessageW(window_, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(screenPoint.x, screenPoint.y));
}

LRESULT MainWindow::MoveFromCaption(WPARAM wParam, LPARAM lParam) {
  const PendingPress press = std::exchange(pendingPress_, PendingPress{});
  // Returns when the move loop ends, that is when the button is released.
  const LRESULT result = ::DefWindowProcW(window_, WM_NCLBUTTONDOWN, wParam, lParam);
  if (press.onTimeLabel && window_) {
    RECT now;
    ::GetWindowRect(window_, &now);
    if (SameRect(now, press.windowRect) && events_.timeLabelClicked) events_.timeLabelClicked();
  }
  return result;
}

bool MainWindow::HandleSetCursor(HWND pointed, WORD hitTest) const {
  if (hitTest != HTCLIENT) return false;
  const LabelControl* label = LabelAt(pointed);
  if (!label || label->Pointer() != PointerShape::Hand) return false;
  ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
  return true;
}

void MainWindow::Paint(HDC dc, const RECT& area) const {
  UniqueBrush white(::CreateSolidBrush(kMainWindowBackground));
  ::FillRect(dc, &area, white.get());
}

void MainWindow::ApplyQueuedWrite(const UiWrite& write) {
  switch (write.kind) {
    case UiWrite::Kind::Caption: SetCaption(LabelFor(write.label), write.caption); break;
    case UiWrite::Kind::TextColour: SetTextColour(LabelFor(write.label), write.colour); break;
    case UiWrite::Kind::BackgroundColour: SetBackgroundColour(LabelFor(write.label), write.colour); break;
    case UiWrite::Kind::TimerPeriod: SetTimerPeriod(write.periodMs); break;
  }
}

void MainWindow::BeginClosing() {
  // From here on, checks still running change nothing and log nothing.
  if (dispatcher_) dispatcher_->Close();
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (HandlePaintMessage(window_, message, wParam, [this](HDC dc, const RECT& area) { Paint(dc, area); })) {
    return 0;
  }
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_SETCURSOR:
      if (HandleSetCursor(reinterpret_cast<HWND>(wParam), LOWORD(lParam))) return TRUE;
      break;
    case WM_NCLBUTTONDOWN:
      if (wParam == HTCAPTION) return MoveFromCaption(wParam, lParam);
      break;
    case kApplyQueuedWritesMessage:
      if (dispatcher_) dispatcher_->ApplyQueued([this](const UiWrite& write) { ApplyQueuedWrite(write); });
      return 0;
    case WM_CLOSE:
      BeginClosing();
      ::DestroyWindow(window_);
      return 0;
    case WM_DESTROY:
      BeginClosing();
      ::PostQuitMessage(0);  // the program's last window is gone
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(window_, message, wParam, lParam);
}

}  // namespace pubg
