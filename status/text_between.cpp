#include "status/text_between.h"

#include <algorithm>
#include <functional>

namespace pubg {
namespace {

// Whether `candidate` begins a character, given that `known` (<= candidate) does. A byte below 0x80
// always ends a character (it is one, or it is a trail byte), so the byte after it begins one; only
// the run of bytes of 0x80 or above just before the candidate matters: in it every byte is a lead
// byte, so the candidate begins a character when the run's length is even.
bool BeginsCharacter(TextView text, std::size_t known, std::size_t candidate) {
  std::size_t runStart = candidate;
  while (runStart > known && IsLeadByte(text[runStart - 1])) --runStart;
  return (candidate - runStart) % 2 == 0;
}

}  // namespace

std::int32_t FindFrom(TextView text, TextView sought, std::optional<std::int32_t> start) {
  const std::size_t length = text.size();
  const std::size_t n = sought.size();
  if (n == 0) return -1;

  std::int64_t offset = start ? static_cast<std::int64_t>(*start) - 1 : 0;
  if (offset < 0) offset = 0;
  if (static_cast<std::uint64_t>(offset) >= length) return -1;

  // Find each raw byte match and keep the first that begins a character. After a match on a trail
  // byte the next character is known to begin one byte later, so no byte is looked at twice.
  const std::boyer_moore_horspool_searcher searcher(sought.begin(), sought.end());
  auto known = static_cast<std::size_t>(offset);
  while (length - known >= n) {
    const auto found = std::search(text.begin() + static_cast<std::ptrdiff_t>(known), text.end(), searcher);
    if (found == text.end()) return -1;
    const auto candidate = static_cast<std::size_t>(found - text.begin());
    if (BeginsCharacter(text, known, candidate)) return static_cast<std::int32_t>(candidate + 1);
    known = candidate + 1;
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
