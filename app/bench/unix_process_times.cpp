#include "app/bench/unix_process_times.h"

#include <windows.h>

#include <cstdlib>
#include <cwctype>
#include <fstream>
#include <iterator>
#include <sstream>

#include "support/win32_handles.h"

namespace pubg::bench {
namespace {

constexpr wchar_t kProcDirectory[] = L"Z:\\proc\\";
// /proc reports times in USER_HZ, which Linux fixes at 100 per second.
constexpr double kMsPerClockTick = 10.0;
// utime and stime are the 12th and 13th fields after the ")" that closes the command name.
constexpr int kFieldsBeforeUserTime = 11;

std::string ReadWholeFile(const std::wstring& path) {
  std::ifstream file(path.c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string Utf8(const std::wstring& text) {
  const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                          nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(), bytes, nullptr,
                        nullptr);
  return utf8;
}

bool IsAllDigits(const wchar_t* name) {
  if (!*name) return false;
  for (; *name; ++name) {
    if (!std::iswdigit(*name)) return false;
  }
  return true;
}

}  // namespace

std::optional<unsigned long> FindUnixProcess(const std::wstring& windowsExecutable) {
  const std::string wanted = Utf8(windowsExecutable);
  WIN32_FIND_DATAW entry;
  const UniqueFindHandle search(::FindFirstFileW((std::wstring(kProcDirectory) + L"*").c_str(), &entry));
  if (!search) return std::nullopt;
  do {
    if (!IsAllDigits(entry.cFileName)) continue;
    const std::string commandLine = ReadWholeFile(std::wstring(kProcDirectory) + entry.cFileName + L"\\cmdline");
    if (commandLine.compare(0, wanted.size(), wanted) == 0) return std::wcstoul(entry.cFileName, nullptr, 10);
  } while (::FindNextFileW(search.get(), &entry));
  return std::nullopt;
}

std::optional<double> UnixCpuTimeMs(unsigned long unixPid) {
  const std::string stat = ReadWholeFile(std::wstring(kProcDirectory) + std::to_wstring(unixPid) + L"\\stat");
  const auto nameEnd = stat.rfind(')');
  if (nameEnd == std::string::npos) return std::nullopt;
  std::istringstream fields(stat.substr(nameEnd + 1));
  std::string skipped;
  for (int i = 0; i < kFieldsBeforeUserTime; ++i) fields >> skipped;
  unsigned long long userTicks = 0;
  unsigned long long systemTicks = 0;
  if (!(fields >> userTicks >> systemTicks)) return std::nullopt;
  return static_cast<double>(userTicks + systemTicks) * kMsPerClockTick;
}

}  // namespace pubg::bench
