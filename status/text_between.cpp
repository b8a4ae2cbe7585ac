#include "status/text_between.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace pubg {
namespace {

// Moves `boundary` (a character start) forward by whole characters until it reaches or passes
// `target`. ASCII runs are skipped eight bytes at a time: most of a page is markup.
std::size_t AdvanceToCharacter(TextView text, std::size_t boundary, std::size_t target) {
  const char* bytes = text.data();
  while (boundary + 8 <= target) {
    std::uint64_t word;
    std::memcpy(&word, bytes + boundary, sizeof word);
    if ((word & 0x8080808080808080ull) != 0) break;
    boundary += 8;
  }
  while (boundary < target) boundary += IsLeadByte(bytes[boundary]) ? 2 : 1;
  return boundary;
}

}  // namespace

std::int32_t FindFrom(TextView text, TextView sought, std::optional<std::int32_t> start) {
  const std::size_t length = text.size();
  const std::size_t n = sought.size();
  if (n == 0) return -1;

  std::int64_t offset = start ? static_cast<std::int64_t>(*start) - 1 : 0;
  if (offset < 0) offset = 0;
  if (static_cast<std::uint64_t>(offset) >= length) return -1;

  // Find each raw byte match, then keep it only if the character scan lands on it. The scan only
  // moves forward, so the text is walked once however many false matches there are.
  const std::boyer_moore_horspool_searcher searcher(sought.begin(), sought.end());
  std::size_t boundary = static_cast<std::size_t>(offset);
  while (length - boundary >= n) {
    const auto found = std::search(text.begin() + static_cast<std::ptrdiff_t>(boundary), text.end(), searcher);
    if (found == text.end()) return -1;
    const auto candidate = static_cast<std::size_t>(found - text.begin());
    boundary = AdvanceToCharacter(text, boundary, candidate);
    if (boundary == candidate) return static_cast<std::int32_t>(candidate + 1);
    // The match began on a trail byte; go on from the character after it.
  }
  return -1;
}

Text TextBetween(TextView source, TextView startMarker, TextView endMarker, const TextBetweenOptions& options) {
  const std::int32_t c = FindFrom(source, startMarker, options.startPosition.value_or(1));
  if (c == -1) return {};

  // Positions are exact 32-bit arithmetic; a text is far shorter than 2 GiB.
  const std::int64_t d = static_cast<std::int64_t>(c) + static_cast<std::int64_t>(startMarker.size());
  if (options.valueStart) *options.valueStart = static_cast<std::int32_t>(d);

  const std::int32_t e = FindFrom(source, endMarker, static_cast<std::int32_t>(d));
  if (e == -1 || d > e) return {};

  const std::int64_t length = e - d;
  if (options.valueLength) *options.valueLength = static_cast<std::int32_t>(length);

  const std::int64_t maxLength = options.maxLength.value_or(0);
  if (options.rejectLonger.value_or(false) && length > maxLength) return {};

  std::int64_t kept = length;
  if (options.maxLength) kept = std::clamp<std::int64_t>(maxLength, 0, length);
  return Text(source.substr(static_cast<std::size_t>(d - 1), static_cast<std::size_t>(kept)));
}

}  // namespace pubg
