#pragma once
// Reading a configuration number the way an operator types it, full-width digits included.
#include <cstdint>

#include "status/text.h"

namespace pubg {

// Folds GBK full-width forms to ASCII, then reads: leading white space, an optional sign, decimal
// digits up to the first non-digit. No digit gives 0. Values beyond the 32-bit range saturate at
// INT32_MIN / INT32_MAX instead of wrapping.
std::int32_t TextToInteger(TextView text);

// The full-width folding on its own: ０..９ and the other A3 A1..A3 FE forms to ASCII, the ideographic
// space to a space, ～ to ~, ☆ and ★ to *. A lone lead byte at the end is dropped.
Text FoldFullWidth(TextView text);

}  // namespace pubg
