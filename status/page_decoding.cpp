#include "status/page_decoding.h"

#include <windows.h>

#include <climits>
#include <cstring>
#include <vector>

namespace pubg {
namespace {

constexpr UINT kGbkCodePage = 936;
constexpr std::size_t kBytesPerUnit = sizeof(wchar_t);

}  // namespace

ByteArray Utf8ToUtf16(const ByteArray& utf8) {
  // The Windows calls count in int; a larger body is no page of ours.
  if (utf8.empty() || utf8.size() > static_cast<std::size_t>(INT_MAX)) return {};
  const auto* source = reinterpret_cast<LPCCH>(utf8.data());
  const int sourceBytes = static_cast<int>(utf8.size());

  // Flags 0: malformed sequences are replaced, never a reason to fail.
  const int units = ::MultiByteToWideChar(CP_UTF8, 0, source, sourceBytes, nullptr, 0);
  if (units <= 0) return {};
  std::vector<wchar_t> wide(static_cast<std::size_t>(units));  // zero-filled: a failed call leaves zeros
  ::MultiByteToWideChar(CP_UTF8, 0, source, sourceBytes, wide.data(), units);

  ByteArray utf16(wide.size() * kBytesPerUnit);
  std::memcpy(utf16.data(), wide.data(), utf16.size());  // x86: the units land little-endian
  return utf16;
}

Text Utf16ToGbk(const ByteArray& utf16) {
  const std::size_t unitCount = utf16.size() / kBytesPerUnit;  // an odd last byte is no unit
  if (unitCount == 0 || unitCount > static_cast<std::size_t>(INT_MAX)) return {};
  std::vector<wchar_t> wide(unitCount);
  std::memcpy(wide.data(), utf16.data(), unitCount * kBytesPerUnit);
  const int units = static_cast<int>(unitCount);

  // No default character of our own: what 936 cannot hold becomes the code page's '?'.
  const int bytes = ::WideCharToMultiByte(kGbkCodePage, WC_COMPOSITECHECK, wide.data(), units, nullptr, 0,
                                          nullptr, nullptr);
  if (bytes <= 0) return {};
  Text gbk(static_cast<std::size_t>(bytes), '\0');
  ::WideCharToMultiByte(kGbkCodePage, WC_COMPOSITECHECK, wide.data(), units, gbk.data(), bytes, nullptr,
                        nullptr);

  // A Text holds no zero byte: a U+0000 in the page ends it.
  const std::size_t firstZero = gbk.find('\0');
  if (firstZero != Text::npos) gbk.resize(firstZero);
  return gbk;
}

Text Utf8ToGbk(const ByteArray& body) {
  return Utf16ToGbk(Utf8ToUtf16(body));  // the intermediate dies with this expression
}

}  // namespace pubg
