#include "app/tests/message_pump.h"

#include <utility>

namespace pubg::test {
namespace {

constexpr wchar_t kMessageWindowClass[] = L"PubgStatusTestMessageWindow";
constexpr DWORD kWaitSliceMs = 10;
constexpr int kVisibleWidth = 420;
constexpr int kVisibleHeight = 300;

void DispatchPending() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

}  // namespace

bool PumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds patience) {
  const auto giveUp = std::chrono::steady_clock::now() + patience;
  for (;;) {
    DispatchPending();
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= giveUp) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, kWaitSliceMs, QS_ALLINPUT);
  }
}

void PumpFor(std::chrono::milliseconds duration) {
  const auto end = std::chrono::steady_clock::now() + duration;
  while (std::chrono::steady_clock::now() < end) {
    DispatchPending();
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, kWaitSliceMs, QS_ALLINPUT);
  }
}

MessageWindow::MessageWindow(std::function<void(UINT)> onMessage, bool visible) : onMessage_(std::move(onMessage)) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = &MessageWindow::WindowProc;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kMessageWindowClass;
  ::RegisterClassExW(&windowClass);
  window_ = visible ? ::CreateWindowExW(0, kMessageWindowClass, L"", WS_POPUP | WS_VISIBLE, 0, 0, kVisibleWidth,
                                        kVisibleHeight, nullptr, nullptr, windowClass.hInstance, this)
                    : ::CreateWindowExW(0, kMessageWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                        windowClass.hInstance, this);
}

MessageWindow::~MessageWindow() {
  if (window_) ::DestroyWindow(window_);
}

LRESULT CALLBACK MessageWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    ::SetWindowLongPtrW(window, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  }
  auto* self = reinterpret_cast<MessageWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self && self->onMessage_) self->onMessage_(message);
  if (message == WM_NCDESTROY && self) self->window_ = nullptr;
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace pubg::test
