#include "app/tests/synthetic_input.h"

namespace pubg::e2e {
namespace {

// SendInput's absolute coordinates: the primary screen is 65536 units wide and high.
constexpr int kAbsoluteUnits = 65536;
constexpr int kDragSteps = 8;

INPUT MouseAt(POINT at, DWORD flags) {
  const int width = ::GetSystemMetrics(SM_CXSCREEN);
  const int height = ::GetSystemMetrics(SM_CYSCREEN);
  INPUT input{};
  input.type = INPUT_MOUSE;
  // Rounded up, so that units × size / 65536, rounded down, gives back the pixel meant.
  input.mi.dx = static_cast<LONG>((at.x * kAbsoluteUnits + width - 1) / width);
  input.mi.dy = static_cast<LONG>((at.y * kAbsoluteUnits + height - 1) / height);
  input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
  return input;
}

INPUT Key(WORD virtualKey, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtualKey;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

void Send(std::vector<INPUT> inputs) {
  ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

}  // namespace

POINT ScreenPoint(HWND window, int clientX, int clientY) {
  POINT point{clientX, clientY};
  ::ClientToScreen(window, &point);
  return point;
}

void Click(POINT at) {
  Send({MouseAt(at, 0), MouseAt(at, MOUSEEVENTF_LEFTDOWN), MouseAt(at, MOUSEEVENTF_LEFTUP)});
}

void DoubleClick(POINT at) {
  Send({MouseAt(at, 0), MouseAt(at, MOUSEEVENTF_LEFTDOWN), MouseAt(at, MOUSEEVENTF_LEFTUP),
        MouseAt(at, MOUSEEVENTF_LEFTDOWN), MouseAt(at, MOUSEEVENTF_LEFTUP)});
}

void Press(POINT at) { Send({MouseAt(at, 0), MouseAt(at, MOUSEEVENTF_LEFTDOWN)}); }

void MoveInSteps(POINT from, POINT to) {
  std::vector<INPUT> inputs;
  for (int step = 1; step <= kDragSteps; ++step) {
    const POINT along{from.x + (to.x - from.x) * step / kDragSteps, from.y + (to.y - from.y) * step / kDragSteps};
    inputs.push_back(MouseAt(along, 0));
  }
  Send(inputs);
}

void MoveTo(POINT at) { Send({MouseAt(at, 0)}); }

void Release(POINT at) { Send({MouseAt(at, MOUSEEVENTF_LEFTUP)}); }

bool InMoveLoop(DWORD threadId) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  return ::GetGUIThreadInfo(threadId, &info) && (info.flags & GUI_INMOVESIZE) != 0;
}

void PressKey(WORD virtualKey, const std::vector<WORD>& heldModifiers) {
  std::vector<INPUT> inputs;
  for (WORD modifier : heldModifiers) inputs.push_back(Key(modifier, false));
  inputs.push_back(Key(virtualKey, false));
  inputs.push_back(Key(virtualKey, true));
  for (auto it = heldModifiers.rbegin(); it != heldModifiers.rend(); ++it) inputs.push_back(Key(*it, true));
  Send(inputs);
}

}  // namespace pubg::e2e
