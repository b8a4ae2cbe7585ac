#pragma once
// Under Wine a Windows process is a Linux process, and Wine's GetProcessTimes does not report the
// time of another process. Linux keeps it in /proc/<pid>/stat, which a Windows program reaches
// through Wine's Z: drive. On Windows these find nothing and the probes use GetProcessTimes alone.
#include <optional>
#include <string>

namespace pubg::bench {

// The Linux process whose command line begins with `windowsExecutable` (Wine puts the Windows path
// of the executable there); empty when none does, or not under Wine.
std::optional<unsigned long> FindUnixProcess(const std::wstring& windowsExecutable);

// User plus system time of the Linux process, its ended threads included.
std::optional<double> UnixCpuTimeMs(unsigned long unixPid);

}  // namespace pubg::bench
