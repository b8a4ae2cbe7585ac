#pragma once
// The program's two kinds of data: GBK text and raw bytes.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pubg {

// Text in code page 936 (GBK). A byte of 0x80 or above begins a two-byte character together with the
// byte after it. Positions are 1-based byte positions; lengths are byte counts. A Text never holds a
// zero byte: the decoder ends a page at its first one, and the configuration reader at its terminator.
using Text = std::string;
using TextView = std::string_view;

// A counted sequence of bytes, possibly empty; the empty one is what a failed fetch gives.
using ByteArray = std::vector<std::uint8_t>;

// A Windows colour value laid out as 0x00BBGGRR.
using Colour = std::uint32_t;

constexpr bool IsLeadByte(char byte) { return static_cast<unsigned char>(byte) >= 0x80; }

}  // namespace pubg
