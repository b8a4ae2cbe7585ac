#pragma once
// Carries the writes a worker makes to the window over to the UI thread, in the order made.
#include <windows.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

#include "status/status_check.h"
#include "status/text.h"

namespace pubg {

struct UiWrite {
  enum class Kind { Caption, TextColour, BackgroundColour, TimerPeriod };
  Kind kind;
  CheckLabel label;         // unused for TimerPeriod
  Text caption;             // Caption only
  Colour colour = 0;        // TextColour and BackgroundColour only
  std::int32_t periodMs = 0;  // TimerPeriod only
};

// Owned jointly by the window and every worker (shared_ptr), so it outlives whichever lets go last.
// Workers only queue; the UI thread applies. After Close() every write, queued or later, is dropped.
class UiDispatcher final : public CheckDisplay {
 public:
  // `target` is the window that is woken with `wakeMessage` (no payload) when writes are waiting.
  UiDispatcher(HWND target, UINT wakeMessage);

  // Any thread.
  void SetCaption(CheckLabel label, TextView caption) override;
  void SetTextColour(CheckLabel label, Colour colour) override;
  void SetBackgroundColour(CheckLabel label, Colour colour) override;
  void SetTimerPeriod(std::int32_t periodMs) override;
  bool IsOpen() const override;

  // UI thread: applies every queued write in order, one at a time, until the queue is empty or the
  // dispatcher is closed.
  void ApplyQueued(const std::function<void(const UiWrite&)>& apply);

  // UI thread, when the window begins closing.
  void Close();

 private:
  void Queue(UiWrite write);

  const HWND target_;
  const UINT wakeMessage_;
  mutable std::mutex mutex_;
  std::deque<UiWrite> queue_;  // guarded by mutex_
  bool wakePosted_ = false;    // guarded by mutex_: a wake-up is on its way, no need for another
  bool closed_ = false;        // guarded by mutex_
};

}  // namespace pubg
