#pragma once
// The one crossing from the program's GBK texts to the wide Win32 calls.
#include <string>

#include "status/text.h"

namespace pubg {

// Code page 936 is named explicitly, so the Chinese captions come out right whatever the system's
// ANSI code page is. An invalid sequence becomes U+FFFD or the code page's default character.
std::wstring WideFromGbk(TextView gbk);

}  // namespace pubg
