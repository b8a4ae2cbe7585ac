// The current local time on Windows.
#include <windows.h>

#include "support/timestamp.h"

namespace pubg {

DateTime CurrentLocalDateTime() {
  SYSTEMTIME local{};
  GetLocalTime(&local);  // thread-safe; milliseconds are dropped to keep whole seconds
  return DateTimeFromParts(local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond);
}

}  // namespace pubg
