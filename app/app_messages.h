#pragma once
// The application's own window messages, all in the WM_APP range.
#include <windows.h>

namespace pubg {

// Posted to the main window when a worker has queued writes for it (UiDispatcher); no payload.
constexpr UINT kApplyQueuedWritesMessage = WM_APP + 1;

}  // namespace pubg
