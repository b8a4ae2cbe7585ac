#include "app/wide_text.h"

#include <windows.h>

#include <climits>

namespace pubg {
namespace {

constexpr UINT kGbkCodePage = 936;

}  // namespace

std::wstring WideFromGbk(TextView gbk) {
  if (gbk.empty() || gbk.size() > static_cast<std::size_t>(INT_MAX)) return {};
  const int byteCount = static_cast<int>(gbk.size());
  const int wideCount = ::MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), byteCount, nullptr, 0);
  if (wideCount <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(wideCount), L'\0');
  ::MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), byteCount, wide.data(), wideCount);
  return wide;
}

}  // namespace pubg
