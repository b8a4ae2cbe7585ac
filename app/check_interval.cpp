#include "app/check_interval.h"

#include <algorithm>
#include <limits>

namespace pubg {

std::int32_t CheckIntervalMsFromSeconds(std::int32_t seconds) {
  const std::int64_t ms = static_cast<std::int64_t>(seconds) * 1000;
  return static_cast<std::int32_t>(
      std::clamp<std::int64_t>(ms, std::numeric_limits<std::int32_t>::min(), kLongestTimerPeriodMs));
}

}  // namespace pubg
