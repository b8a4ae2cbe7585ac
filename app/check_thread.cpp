#include "app/check_thread.h"

#include <windows.h>

#include <utility>

#include "support/win32_handles.h"

namespace pubg {
namespace {

// Default security, the executable's default stack reserve, running at once.
constexpr SIZE_T kDefaultStackSize = 0;

struct CheckJob {
  std::shared_ptr<CheckDisplay> display;
  std::shared_ptr<const Settings> settings;
  Text url;
};

DWORD WINAPI RunCheck(LPVOID parameter) {
  // The thread owns the job from here on.
  std::unique_ptr<CheckJob> job(static_cast<CheckJob*>(parameter));
  try {
    StatusCheck(*job->display, *job->settings, job->url);
  } catch (...) {
    // Out of memory at worst; an exception leaving the thread would end the whole program. The
    // check stopped the timer when it began: arm it again, so that the next check still comes.
    try {
      job->display->SetTimerPeriod(job->settings->CheckIntervalMs);
    } catch (...) {
    }
  }
  return 0;
}

}  // namespace

void StartCheckThread(std::shared_ptr<CheckDisplay> display, std::shared_ptr<const Settings> settings,
                      TextView url) {
  if (!display || !settings) return;
  auto job = std::make_unique<CheckJob>(CheckJob{std::move(display), std::move(settings), Text(url)});
  UniqueKernelHandle thread(::CreateThread(nullptr, kDefaultStackSize, &RunCheck, job.get(), 0, nullptr));
  // On success the worker has taken the job; on failure the job is freed here and nothing runs.
  if (thread) static_cast<void>(job.release());
}

}  // namespace pubg
