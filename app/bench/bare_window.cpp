// The floor for the start-up benchmark: a program that only shows an empty white window of the
// program's size, built with the same compiler, flags and static runtime as pubg-status.exe.
// Esc closes it; the probe usually ends it first.
#include <windows.h>

namespace {

constexpr wchar_t kClassName[] = L"PubgStatusBareWindow";
constexpr int kWindowWidth = 412;
constexpr int kWindowHeight = 265;

LRESULT CALLBACK BareWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) ::PostMessageW(window, WM_CLOSE, 0, 0);
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = &BareWindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
  windowClass.lpszClassName = kClassName;
  if (!::RegisterClassExW(&windowClass)) return 1;

  const int left = (::GetSystemMetrics(SM_CXSCREEN) - kWindowWidth) / 2;
  const int top = (::GetSystemMetrics(SM_CYSCREEN) - kWindowHeight) / 2;
  HWND window = ::CreateWindowExW(0, kClassName, L"bare window", WS_POPUP | WS_MINIMIZEBOX, left, top, kWindowWidth,
                                  kWindowHeight, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  ::ShowWindow(window, SW_SHOW);

  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return 0;
}
