#include "support/this_module.h"

#include <windows.h>

namespace pubg {
namespace {

// The classic path limit: a longer path comes back cut, as the program always took it.
constexpr DWORD kModulePathBufferBytes = MAX_PATH;

}  // namespace

ModulePath ThisModulePath() {
  char buffer[kModulePathBufferBytes] = {};
  const DWORD length = ::GetModuleFileNameA(nullptr, buffer, kModulePathBufferBytes);
  return SplitModulePath(TextView(buffer, length < kModulePathBufferBytes ? length : kModulePathBufferBytes - 1));
}

}  // namespace pubg
