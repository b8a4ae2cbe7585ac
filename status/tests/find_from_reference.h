#pragma once
// FindFrom written as the plain character-by-character scan, for differential checks of the fast one.
#include <cstdint>
#include <optional>
#include <string_view>

namespace pubg::reference {

inline std::int32_t FindFromByScan(std::string_view text, std::string_view sought, std::optional<std::int32_t> start) {
  const auto length = static_cast<std::int64_t>(text.size());
  const auto n = static_cast<std::int64_t>(sought.size());
  if (n == 0) return -1;
  std::int64_t p = start ? static_cast<std::int64_t>(*start) - 1 : 0;
  if (p < 0) p = 0;
  if (p >= length) return -1;
  while (length - p >= n) {
    if (text.compare(static_cast<std::size_t>(p), static_cast<std::size_t>(n), sought) == 0) {
      return static_cast<std::int32_t>(p + 1);
    }
    if (static_cast<unsigned char>(text[static_cast<std::size_t>(p)]) >= 0x80) {
      if (p + 1 >= length) return -1;  // a lead byte followed by the terminator ends the scan
      p += 2;
    } else {
      p += 1;
    }
  }
  return -1;
}

}  // namespace pubg::reference
