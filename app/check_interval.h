#pragma once
// From the configured CheckTime in seconds to the timer period in milliseconds.
#include <cstdint>

namespace pubg {

// The longest period the platform timer accepts (USER_TIMER_MAXIMUM), about 24.8 days.
constexpr std::int32_t kLongestTimerPeriodMs = 0x7FFFFFFF;

// seconds × 1000, saturated: a huge CheckTime gives the longest period instead of wrapping into a
// short or negative one. 0 or a negative value means no periodic check.
std::int32_t CheckIntervalMsFromSeconds(std::int32_t seconds);

}  // namespace pubg
