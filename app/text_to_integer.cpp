#include "app/text_to_integer.h"

#include <limits>

namespace pubg {

Text FoldFullWidth(TextView text) {
  Text folded;
  folded.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) {
      folded.push_back(text[at]);
      at += 1;
      continue;
    }
    if (at + 1 == text.size()) break;  // a lone lead byte at the end is dropped
    const auto trail = static_cast<unsigned char>(text[at + 1]);
    if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
      folded.push_back(static_cast<char>(trail - 0x80));  // ！..￣ to ! .. ~
    } else if (lead == 0xA1 && trail == 0xA1) {
      folded.push_back(' ');  // ideographic space
    } else if (lead == 0xA1 && trail == 0xAB) {
      folded.push_back('~');  // ～
    } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
      folded.push_back('*');  // ☆ ★
    } else {
      folded.append(text.substr(at, 2));
    }
    at += 2;
  }
  return folded;
}

std::int32_t TextToInteger(TextView text) {
  const Text folded = FoldFullWidth(text);
  std::size_t at = 0;
  auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; };
  while (at < folded.size() && isSpace(folded[at])) ++at;

  bool negative = false;
  if (at < folded.size() && (folded[at] == '+' || folded[at] == '-')) {
    negative = folded[at] == '-';
    ++at;
  }

  // Accumulate in 64 bits and stop growing one past the 32-bit magnitude, so nothing overflows.
  constexpr std::int64_t kLimit = static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1;
  std::int64_t magnitude = 0;
  for (; at < folded.size() && folded[at] >= '0' && folded[at] <= '9'; ++at) {
    magnitude = magnitude * 10 + (folded[at] - '0');
    if (magnitude > kLimit) magnitude = kLimit;
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(value);
}

}  // namespace pubg
