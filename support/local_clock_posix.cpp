// The current local time on POSIX systems.
#include <ctime>

#include "support/timestamp.h"

namespace pubg {

DateTime CurrentLocalDateTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);  // reentrant: checks on several threads format at once
  return DateTimeFromParts(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                           local.tm_sec);
}

}  // namespace pubg
