#include "support/log_writer.h"

#include <windows.h>

#include "support/module_path.h"
#include "support/this_module.h"
#include "support/timestamp.h"
#include "support/win32_handles.h"

namespace pubg {
namespace {

constexpr double kBytesPerMegabyte = 1048576.0;
// A file this far past the limit (in MiB) counts as larger than it; exactly the limit stays.
constexpr double kOversizeToleranceMb = 1e-7;
constexpr std::int32_t kMissingFileSize = -1;

// The byte that appenders lock while they write: far past any real end of file, so the lock never
// covers data that a reader of the log wants.
constexpr DWORD kAppendLockOffsetLow = 0xFFFFFFFE;
constexpr DWORD kAppendLockOffsetHigh = 0x7FFFFFFF;
constexpr DWORD kAppendLockLength = 1;

// Holds the appenders' lock on an open log file for one scope. Windows makes an append-only write
// land whole at the end by itself; Wine does not (two writers can read the same end and overwrite
// each other), so overlapping appenders, threads or processes, take turns through this lock. When
// the lock cannot be taken the write goes ahead unlocked.
class ScopedAppendLock {
 public:
  explicit ScopedAppendLock(HANDLE file) : file_(file) {
    region_.Offset = kAppendLockOffsetLow;
    region_.OffsetHigh = kAppendLockOffsetHigh;
    locked_ = ::LockFileEx(file_, LOCKFILE_EXCLUSIVE_LOCK, 0, kAppendLockLength, 0, &region_) != FALSE;
  }
  ~ScopedAppendLock() {
    if (locked_) ::UnlockFileEx(file_, 0, kAppendLockLength, 0, &region_);
  }
  ScopedAppendLock(const ScopedAppendLock&) = delete;
  ScopedAppendLock& operator=(const ScopedAppendLock&) = delete;

 private:
  HANDLE file_;
  OVERLAPPED region_{};
  bool locked_ = false;
};

// The size FindFirstFileA reports: its low 32 bits read as a signed number, -1 when nothing is found.
std::int32_t ReportedFileSize(const Text& path) {
  WIN32_FIND_DATAA found{};
  const UniqueFindHandle search(::FindFirstFileA(path.c_str(), &found));
  if (!search) return kMissingFileSize;
  return static_cast<std::int32_t>(found.nFileSizeLow);
}

void DeleteIfLargerThan(const Text& path, std::int32_t limitMb) {
  const std::int32_t size = ReportedFileSize(path);
  if (size / kBytesPerMegabyte - limitMb > kOversizeToleranceMb) {
    ::DeleteFileA(path.c_str());  // when this fails the line goes to the old file
  }
}

}  // namespace

void AppendLog(TextView text, std::optional<TextView> path, std::optional<TextView> timeText,
               std::optional<std::int32_t> sizeLimitMb) {
  Text logPath;
  if (path) {
    logPath = Text(*path);
  } else {
    const ModulePath self = ThisModulePath();
    logPath = DefaultLogPath(self.RunDirectory, self.ExecutableName);
  }

  Text line = timeText ? Text(*timeText) : FormatTimestamp();
  line += ' ';
  line += text;
  line += "\r\n";

  if (sizeLimitMb && *sizeLimitMb > 0) DeleteIfLargerThan(logPath, *sizeLimitMb);

  // FILE_APPEND_DATA without FILE_WRITE_DATA: every write lands at the end of the file as it is when
  // the write is made, so the line goes out in one piece and needs no seek.
  UniqueFile file(::CreateFileA(logPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;

  const ScopedAppendLock turn(file.get());
  DWORD written = 0;
  ::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace pubg
