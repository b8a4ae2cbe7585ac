#include "support/tests/scratch_directory.h"

#include <windows.h>

#include <atomic>
#include <string>

#include "support/win32_handles.h"

namespace pubg::testing {
namespace {

// Distinguishes the directories of one process; the process id distinguishes processes.
std::atomic<unsigned> directoriesMade{0};

}  // namespace

ScratchDirectory::ScratchDirectory() {
  char temp[MAX_PATH + 1] = {};
  const DWORD length = ::GetTempPathA(sizeof temp, temp);
  path_ = Text(temp, length);
  if (!path_.empty() && path_.back() == '\\') path_.pop_back();
  path_ += "\\pubg-test-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(directoriesMade++);
  ::CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchDirectory::~ScratchDirectory() {
  // The tests make plain files only, never subdirectories that outlive a case.
  WIN32_FIND_DATAA found{};
  const Text pattern = path_ + "\\*";
  const HANDLE search = ::FindFirstFileA(pattern.c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const Text name = found.cFileName;
      if (name == "." || name == "..") continue;
      const Text child = File(name);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        ::RemoveDirectoryA(child.c_str());
      } else {
        ::DeleteFileA(child.c_str());
      }
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
  }
  ::RemoveDirectoryA(path_.c_str());
}

Text ScratchDirectory::File(TextView name) const {
  Text path = path_;
  path += '\\';
  path += name;
  return path;
}

bool WriteWholeFile(const Text& path, std::string_view bytes) {
  const UniqueFile file(
      ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

std::optional<std::string> ReadWholeFile(const Text& path) {
  const UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::string content;
  char chunk[65536];
  DWORD got = 0;
  while (::ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr) && got > 0) content.append(chunk, got);
  return content;
}

bool FileExists(const Text& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool RemoveFile(const Text& path) {
  ::DeleteFileA(path.c_str());
  return !FileExists(path);
}

Text WindowsPathOfBuildDirectory(std::string_view linuxPath) {
  Text path = "Z:";
  for (const char c : linuxPath) path += c == '/' ? '\\' : c;
  return path;
}

}  // namespace pubg::testing
