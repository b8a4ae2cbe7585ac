#include "status/status_check.h"

#include "status/page_decoding.h"
#include "status/page_retrieval.h"
#include "status/status_evaluation.h"
#include "support/log_writer.h"
#include "support/timestamp.h"

namespace pubg {
namespace {

using namespace std::string_view_literals;

constexpr std::int32_t kTimerStopped = 0;

constexpr TextView kUpdateLinePrefix = "\xB8\xFC\xD0\xC2\xCA\xB1\xBC\xE4\xA3\xBA"sv;          // 更新时间：
constexpr TextView kLogStatePrefix = "\xB7\xFE\xCE\xF1\xC6\xF7\xD7\xB4\xCC\xAC\xA3\xBA"sv;      // 服务器状态：
constexpr TextView kLogCountPrefix = " \xD4\xDA\xCF\xDF\xCD\xE6\xBC\xD2\xCA\xFD\xA3\xBA"sv;    // " 在线玩家数："
constexpr TextView kLoggingOn = "1"sv;

// Shown when no body arrived at all, in the state label's initial colours.
constexpr TextView kQueryFailedCaption = "\xB2\xE9\xD1\xAF\xCA\xA7\xB0\xDC"sv;  // 查询失败
constexpr TextView kUnknownCountCaption = "--"sv;
constexpr Colour kInitialStateBackground = 0xECECEC;
constexpr Colour kInitialStateText = 0x606060;

}  // namespace

CheckReport ReportFromBody(const ByteArray& body) {
  if (body.empty()) {
    return {Text(kQueryFailedCaption), kInitialStateBackground, kInitialStateText,
            Text(kUnknownCountCaption), Text(kQueryFailedCaption), Text(kUnknownCountCaption)};
  }
  StatusEvaluationResult result = StatusEvaluation(Utf8ToGbk(body));
  return {std::move(result.StateDisplay.Caption), result.StateDisplay.BackgroundColour,
          result.StateDisplay.TextColour, result.PlayerCountText, std::move(result.StateText),
          result.PlayerCountText};
}

Text LogTextFor(const CheckReport& report) {
  Text text(kLogStatePrefix);
  text += report.LoggedState;
  text += kLogCountPrefix;
  text += report.LoggedPlayerCount;
  return text;
}

Text UpdateLineNow() {
  Text line(kUpdateLinePrefix);
  line += FormatTimestamp();
  return line;
}

bool IsLoggingEnabled(TextView logFlagText) { return logFlagText == kLoggingOn; }

void StatusCheck(CheckDisplay& display, const Settings& settings, TextView url) {
  // No tick while this check runs; the period written at the end starts a full fresh countdown.
  display.SetTimerPeriod(kTimerStopped);

  const CheckReport report = ReportFromBody(FetchStatusPage(url));
  display.SetCaption(CheckLabel::State, report.StateCaption);
  if (report.StateBackgroundColour && report.StateTextColour) {
    display.SetBackgroundColour(CheckLabel::State, *report.StateBackgroundColour);
    display.SetTextColour(CheckLabel::State, *report.StateTextColour);
  }
  display.SetCaption(CheckLabel::PlayerCount, report.PlayerCountCaption);
  // Taken after the fetch: the time at which these results were shown.
  display.SetCaption(CheckLabel::UpdateTime, UpdateLineNow());

  // A check that outlives its window writes no line: the program has already ended for the user.
  if (IsLoggingEnabled(settings.LogFlagText) && display.IsOpen()) AppendLog(LogTextFor(report));

  display.SetTimerPeriod(settings.CheckIntervalMs);
}

}  // namespace pubg
