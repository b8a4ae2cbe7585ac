#pragma once
// Mouse and keyboard input made with SendInput, as a user's hand would make it.
#include <windows.h>

#include <vector>

namespace pubg::e2e {

// A point in screen coordinates inside the window's client area.
POINT ScreenPoint(HWND window, int clientX, int clientY);

// Press and release at one point.
void Click(POINT at);
// Two clicks at one point, quicker than the double-click time.
void DoubleClick(POINT at);
// The parts of a drag, for a caller that waits on the program between them.
void Press(POINT at);
void MoveInSteps(POINT from, POINT to);
void MoveTo(POINT at);
void Release(POINT at);

// Whether the thread is in the system's move-or-size loop (GetGUIThreadInfo, GUI_INMOVESIZE).
bool InMoveLoop(DWORD threadId);

// A key pressed and released while the given modifier keys (VK_CONTROL, VK_SHIFT …) are held.
void PressKey(WORD virtualKey, const std::vector<WORD>& heldModifiers = {});

}  // namespace pubg::e2e
