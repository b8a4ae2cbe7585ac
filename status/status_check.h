#pragma once
// One complete check of the game servers: fetch, decode, evaluate, show, log, re-arm the timer.
#include <cstdint>
#include <optional>

#include "app/configuration.h"
#include "status/text.h"

namespace pubg {

// The three labels a check writes to.
enum class CheckLabel { State, PlayerCount, UpdateTime };

// Where a check shows its results. Every call comes from the worker thread that runs the check;
// the implementation decides how the writes reach the window.
class CheckDisplay {
 public:
  virtual ~CheckDisplay() = default;
  virtual void SetCaption(CheckLabel label, TextView caption) = 0;
  virtual void SetTextColour(CheckLabel label, Colour colour) = 0;
  virtual void SetBackgroundColour(CheckLabel label, Colour colour) = 0;
  virtual void SetTimerPeriod(std::int32_t periodMs) = 0;
  // False once the window has begun closing: the check then also leaves the log alone.
  virtual bool IsOpen() const = 0;
};

// What one fetched body means for the state and count labels and for the log line.
struct CheckReport {
  Text StateCaption;
  std::optional<Colour> StateBackgroundColour;  // both colours set, or neither
  std::optional<Colour> StateTextColour;
  Text PlayerCountCaption;
  Text LoggedState;
  Text LoggedPlayerCount;
};

// A page that arrived is evaluated exactly as it reads. No body at all means the query failed,
// which is said so in the state label instead of showing an empty caption and a count of 0.
CheckReport ReportFromBody(const ByteArray& body);

// "服务器状态：" state " 在线玩家数：" count.
Text LogTextFor(const CheckReport& report);

// "更新时间：" followed by the current local time.
Text UpdateLineNow();

// Exactly "1" enables the log; anything else, the empty text included, does not.
bool IsLoggingEnabled(TextView logFlagText);

// Stops the timer, fetches `url`, shows the report, logs it when enabled and re-arms the timer with
// settings.CheckIntervalMs. Runs on a worker thread; never throws.
void StatusCheck(CheckDisplay& display, const Settings& settings, TextView url);

}  // namespace pubg
