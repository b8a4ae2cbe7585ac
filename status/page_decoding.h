#pragma once
// The status page arrives in UTF-8; the program works in GBK (code page 936).
#include "status/text.h"

namespace pubg {

// UTF-8 bytes to UTF-16 code units (little-endian, 2 bytes each, no terminator).
ByteArray Utf8ToUtf16(const ByteArray& utf8);

// UTF-16 code units (an odd last byte is ignored) to GBK, up to the first zero byte. A character
// outside code page 936 becomes '?'.
Text Utf16ToGbk(const ByteArray& utf16);

// The page body as GBK text: Utf16ToGbk of Utf8ToUtf16.
Text Utf8ToGbk(const ByteArray& body);

}  // namespace pubg
