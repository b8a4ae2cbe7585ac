#include "support/timestamp.h"

#include <cmath>
#include <cstdio>

namespace pubg {
namespace {

constexpr double kSecondsPerDay = 86400.0;
constexpr double kEarliest = -657434.0;  // 0100-01-01 00:00:00
constexpr double kLatest = 2958465.0;    // 9999-12-31 00:00:00
constexpr std::int64_t kEpochToUnixDays = 25569;  // 1899-12-30 .. 1970-01-01

struct DateParts {
  int year, month, day, hour, minute, second;
};

// Days since 1970-01-01 to a proleptic Gregorian date (Howard Hinnant's algorithm).
void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

std::int64_t DaysFromCivil(int year, int month, int day) {
  const std::int64_t y = year - (month <= 2 ? 1 : 0);
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t mp = month > 2 ? month - 3 : month + 9;
  const std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

DateParts PartsOf(DateTime value) {
  if (std::isnan(value)) value = 0.0;
  if (value < kEarliest) value = kEarliest;
  if (value > kLatest) value = kLatest;
  // Half a second away from zero, so that truncation gives the nearest whole second.
  value += std::copysign(0.5 / kSecondsPerDay, value);

  const double wholeDays = std::trunc(value);
  auto secondOfDay = static_cast<std::int64_t>(std::fabs(value - wholeDays) * kSecondsPerDay);
  if (secondOfDay > 86399) secondOfDay = 86399;

  DateParts parts{};
  CivilFromDays(static_cast<std::int64_t>(wholeDays) - kEpochToUnixDays, parts.year, parts.month, parts.day);
  parts.hour = static_cast<int>(secondOfDay / 3600);
  parts.minute = static_cast<int>(secondOfDay / 60 % 60);
  parts.second = static_cast<int>(secondOfDay % 60);
  return parts;
}

}  // namespace

DateTime DateTimeFromParts(int year, int month, int day, int hour, int minute, int second) {
  const auto days = static_cast<double>(DaysFromCivil(year, month, day) + kEpochToUnixDays);
  return days + (hour * 3600 + minute * 60 + second) / kSecondsPerDay;
}

Text FormatTimestamp(std::optional<std::int32_t> layout, std::optional<DateTime> dateTime) {
  const DateParts p = PartsOf(dateTime ? *dateTime : CurrentLocalDateTime());
  char buffer[64];
  int written = 0;
  switch (layout.value_or(0)) {
    case 1: written = std::snprintf(buffer, sizeof buffer, "%d/%02d/%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour, p.minute, p.second); break;
    case 2: written = std::snprintf(buffer, sizeof buffer, "%d-%02d-%02d_%02d%02d%02d", p.year, p.month, p.day, p.hour, p.minute, p.second); break;
    case 3: written = std::snprintf(buffer, sizeof buffer, "%d%02d%02d_%02d%02d%02d", p.year, p.month, p.day, p.hour, p.minute, p.second); break;
    case 4: written = std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", p.hour, p.minute, p.second); break;
    case 5: written = std::snprintf(buffer, sizeof buffer, "%02d%02d%02d", p.hour, p.minute, p.second); break;
    case 6: written = std::snprintf(buffer, sizeof buffer, "%d-%02d-%02d", p.year, p.month, p.day); break;
    case 7: written = std::snprintf(buffer, sizeof buffer, "%d-%d-%d", p.year, p.month, p.day); break;
    case 8: written = std::snprintf(buffer, sizeof buffer, "%02d:%02d", p.hour, p.minute); break;
    case 9: written = std::snprintf(buffer, sizeof buffer, "%d%02d%02d%02d%02d%02d", p.year, p.month, p.day, p.hour, p.minute, p.second); break;
    default: written = std::snprintf(buffer, sizeof buffer, "%d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour, p.minute, p.second); break;
  }
  return Text(buffer, static_cast<std::size_t>(written > 0 ? written : 0));
}

}  // namespace pubg
