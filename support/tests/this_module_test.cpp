#include "support/this_module.h"

#include <gtest/gtest.h>

#include "support/tests/scratch_directory.h"

namespace pubg {
namespace {

TEST(ThisModulePath, NamesTheDirectoryAndFileOfTheRunningExecutable) {
  const ModulePath self = ThisModulePath();
  EXPECT_EQ(self.ExecutableName, "support_windows_tests.exe");
  EXPECT_EQ(self.RunDirectory, testing::WindowsPathOfBuildDirectory(PUBG_TEST_BINARY_DIR));
  ASSERT_FALSE(self.RunDirectory.empty());
  EXPECT_NE(self.RunDirectory.back(), '\\');
}

}  // namespace
}  // namespace pubg
