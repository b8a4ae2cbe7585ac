#include "app/ui_dispatcher.h"

#include <optional>
#include <utility>

namespace pubg {

UiDispatcher::UiDispatcher(HWND target, UINT wakeMessage) : target_(target), wakeMessage_(wakeMessage) {}

void UiDispatcher::SetCaption(CheckLabel label, TextView caption) {
  Queue({UiWrite::Kind::Caption, label, Text(caption)});
}

void UiDispatcher::SetTextColour(CheckLabel label, Colour colour) {
  Queue({UiWrite::Kind::TextColour, label, {}, colour});
}

void UiDispatcher::SetBackgroundColour(CheckLabel label, Colour colour) {
  Queue({UiWrite::Kind::BackgroundColour, label, {}, colour});
}

void UiDispatcher::SetTimerPeriod(std::int32_t periodMs) {
  Queue({UiWrite::Kind::TimerPeriod, CheckLabel::State, {}, 0, periodMs});
}

bool UiDispatcher::IsOpen() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return !closed_;
}

void UiDispatcher::Queue(UiWrite write) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (closed_) return;
  queue_.push_back(std::move(write));
  if (wakePosted_) return;
  // The message carries nothing, so a failed post loses nothing: the writes stay queued and the
  // next write tries the wake-up again.
  wakePosted_ = ::PostMessageW(target_, wakeMessage_, 0, 0) != FALSE;
}

void UiDispatcher::ApplyQueued(const std::function<void(const UiWrite&)>& apply) {
  for (;;) {
    std::optional<UiWrite> next;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (closed_ || queue_.empty()) {
        wakePosted_ = false;
        return;
      }
      next = std::move(queue_.front());
      queue_.pop_front();
    }
    apply(*next);
  }
}

void UiDispatcher::Close() {
  std::deque<UiWrite> dropped;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    dropped.swap(queue_);
  }
}

}  // namespace pubg
