#include "support/module_path.h"

#include <gtest/gtest.h>

namespace pubg {
namespace {

struct SplitCase {
  const char* path;
  const char* directory;
  const char* name;
};

class SplitModulePathTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitModulePathTest, SplitsAtTheLastBackslash) {
  const ModulePath split = SplitModulePath(GetParam().path);
  EXPECT_EQ(split.RunDirectory, GetParam().directory);
  EXPECT_EQ(split.ExecutableName, GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, SplitModulePathTest,
    testing::Values(SplitCase{"C:\\Tools\\monitor.exe", "C:\\Tools", "monitor.exe"},
                    SplitCase{"D:\\monitor.exe", "D:", "monitor.exe"},
                    SplitCase{"monitor.exe", "", "monitor.exe"},
                    // 81 5C is one character whose trail byte is a backslash, not a separator.
                    SplitCase{"C:\\\x81\x5C\\a.exe", "C:\\\x81\x5C", "a.exe"},
                    SplitCase{"C:\\x\\\x81\x5C" "b.exe", "C:\\x", "\x81\x5C" "b.exe"},
                    SplitCase{"\\\\server\\share\\m.exe", "\\\\server\\share", "m.exe"}));

struct LogPathCase {
  const char* directory;
  const char* name;
  const char* expected;
};

class DefaultLogPathTest : public testing::TestWithParam<LogPathCase> {};

TEST_P(DefaultLogPathTest, NamesTheLogAfterTheExecutable) {
  EXPECT_EQ(DefaultLogPath(GetParam().directory, GetParam().name), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, DefaultLogPathTest,
    testing::Values(LogPathCase{"C:\\Tools", "monitor.exe", "C:\\Tools\\monitor.log"},
                    LogPathCase{"D:", "monitor.exe", "D:\\monitor.log"},
                    LogPathCase{"C:\\Tools", "a.b.exe", "C:\\Tools\\a.b.log"},
                    // Upper-case names: the extension is replaced, whatever its case.
                    LogPathCase{"C:\\Tools", "MONITOR.EXE", "C:\\Tools\\MONITOR.log"},
                    LogPathCase{"C:\\Tools", "Monitor.Exe", "C:\\Tools\\Monitor.log"},
                    LogPathCase{"C:\\Tools", "monitor", "C:\\Tools\\monitor.log"},
                    LogPathCase{"C:\\Tools", ".exe", "C:\\Tools\\.log"},
                    // The byte after ".exe" is kept, as the name rule has always done.
                    LogPathCase{"C:\\Tools", "a.exe1.exe", "C:\\Tools\\a.exe1.log"},
                    // A directory named like a log keeps its name.
                    LogPathCase{"C:\\x.exe.log", "m.exe", "C:\\x.exe.log\\m.log"},
                    // 吃鸡 (B3 D4 BC A6) in the name.
                    LogPathCase{"C:\\T", "\xB3\xD4\xBC\xA6.exe", "C:\\T\\\xB3\xD4\xBC\xA6.log"}));

TEST(FileBesideExecutable, JoinsWithOneBackslash) {
  EXPECT_EQ(FileBesideExecutable("C:\\Tools", "config.ini"), "C:\\Tools\\config.ini");
  EXPECT_EQ(FileBesideExecutable("C:", "config.ini"), "C:\\config.ini");
}

}  // namespace
}  // namespace pubg
