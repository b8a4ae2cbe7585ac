#pragma once
// The one window procedure of every window class here: the object that owns the window arrives
// with WM_NCCREATE (CreateWindowExW's last argument), lives in GWLP_USERDATA while the window exists,
// and is let go on WM_NCDESTROY. The owner handles everything in between in HandleMessage.
#include <windows.h>

#include "support/win32_handles.h"

namespace pubg {

// Owner needs `HWND window_` and `LRESULT HandleMessage(UINT, WPARAM, LPARAM)`, and names this
// function a friend.
template <typename Owner>
LRESULT CALLBACK InstanceWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* created = static_cast<Owner*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    created->window_ = window;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
  }
  auto* owner = reinterpret_cast<Owner*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!owner) return ::DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    owner->window_ = nullptr;
    return ::DefWindowProcW(window, message, wParam, lParam);
  }
  return owner->HandleMessage(message, wParam, lParam);
}

// WM_PAINT and WM_PRINTCLIENT through one paint routine, so that a test can render a window into a
// memory DC. True when `message` was one of them.
template <typename PaintFunction>
bool HandlePaintMessage(HWND window, UINT message, WPARAM wParam, PaintFunction&& paint) {
  if (message == WM_PAINT) {
    ScopedPaint scope(window);
    if (scope.dc()) paint(scope.dc(), scope.area());
    return true;
  }
  if (message == WM_PRINTCLIENT) {
    RECT client;
    ::GetClientRect(window, &client);
    paint(reinterpret_cast<HDC>(wParam), client);
    return true;
  }
  return false;
}

}  // namespace pubg
