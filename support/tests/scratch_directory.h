#pragma once
// Real files for the Windows tests: a directory of their own under the temp directory, and whole-file
// reads and writes of raw bytes.
#include <optional>
#include <string>

#include "status/text.h"

namespace pubg::testing {

// A fresh, empty directory under the temp directory, removed with everything in it at the end of its
// scope. Each one has a new name, so no file path is ever reused between cases.
class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  const Text& Path() const { return path_; }
  // The path of a file directly inside the directory.
  Text File(TextView name) const;

 private:
  Text path_;
};

// Writes `bytes` as the whole content of the file, creating or truncating it. False on failure.
bool WriteWholeFile(const Text& path, std::string_view bytes);
// The whole content of the file, or nothing when it cannot be opened.
std::optional<std::string> ReadWholeFile(const Text& path);
bool FileExists(const Text& path);
// Deletes the file when it is there; true when it is gone afterwards.
bool RemoveFile(const Text& path);

// A directory of the build tree, given as a Linux path, as this process sees it under Wine (which
// maps / to drive Z:).
Text WindowsPathOfBuildDirectory(std::string_view linuxPath);

}  // namespace pubg::testing
