#pragma once
// Rendering a local date-time as text in one of ten fixed layouts.
#include <cstdint>
#include <optional>

#include "status/text.h"

namespace pubg {

// An OLE Automation date: days from 1899-12-30 00:00:00, the fraction being the time of day. The
// fraction of a negative value still counts forward from midnight: -1.25 is 1899-12-29 06:00:00.
using DateTime = double;

// The current local time in whole seconds. Safe on several threads at once.
DateTime CurrentLocalDateTime();

// Layouts 1 to 9 as below; absent or any other number gives the default "2018-03-05 07:08:09".
// An absent date-time means the current local time. The value is clamped to 0100-01-01 .. 9999-12-31
// and rounded to the nearest second. A NaN date-time renders as the epoch, 1899-12-30 00:00:00.
Text FormatTimestamp(std::optional<std::int32_t> layout = std::nullopt,
                     std::optional<DateTime> dateTime = std::nullopt);

// A date-time built from calendar parts (proleptic Gregorian), for callers that hold a clock reading.
DateTime DateTimeFromParts(int year, int month, int day, int hour, int minute, int second);

}  // namespace pubg
