#pragma once
// Cutting a value out of a larger GBK text between a start and an end marker.
#include <cstdint>
#include <optional>

#include "status/text.h"

namespace pubg {

// The 1-based position at which `sought` first occurs in `text`, searching from `start` (position 1
// when absent, or when start - 1 is below 0), or -1. The scan steps by whole characters, so a match
// never begins on the second byte of a two-byte character. An empty `sought` is never found.
std::int32_t FindFrom(TextView text, TextView sought, std::optional<std::int32_t> start = std::nullopt);

// Optional inputs and outputs of TextBetween. An absent input takes its default; an output whose
// pointer is null is not stored.
struct TextBetweenOptions {
  std::optional<std::int32_t> startPosition;  // where the search for the start marker begins
  std::int32_t* valueLength = nullptr;        // receives the value's length in bytes
  std::optional<std::int32_t> maxLength;      // the value is cut to at most this many bytes
  std::int32_t* valueStart = nullptr;         // receives the 1-based position of the value's first byte
  std::optional<bool> rejectLonger;           // true: a value longer than maxLength gives the empty text
};

// The bytes between the first `startMarker` and the first `endMarker` after it; the empty text when
// either is missing. Only the first start marker counts. An empty marker is never found, so it gives
// the empty text.
Text TextBetween(TextView source, TextView startMarker, TextView endMarker,
                 const TextBetweenOptions& options = {});

}  // namespace pubg
