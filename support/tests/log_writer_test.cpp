#include "support/log_writer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "support/tests/scratch_directory.h"
#include "support/timestamp.h"
#include "support/win32_handles.h"

namespace pubg {
namespace {

using testing::FileExists;
using testing::ReadWholeFile;
using testing::ScratchDirectory;
using testing::WriteWholeFile;

constexpr char kTime[] = "2018-03-05 07:08:09";
constexpr std::size_t kMegabyte = 1048576;

class LogWriterTest : public ::testing::Test {
 protected:
  ScratchDirectory directory_;
  const Text log_ = directory_.File("monitor.log");
};

TEST_F(LogWriterTest, FirstCallCreatesTheFileAndLaterCallsAppend) {
  ASSERT_FALSE(FileExists(log_));
  AppendLog("first", log_, TextView("T1"));
  EXPECT_EQ(ReadWholeFile(log_), "T1 first\r\n");
  AppendLog("second", log_, TextView("T2"));
  AppendLog("third", log_, TextView("T3"));
  EXPECT_EQ(ReadWholeFile(log_), "T1 first\r\nT2 second\r\nT3 third\r\n");
}

struct LineCase {
  const char* name;
  std::string text;
  std::string expected;
};
std::ostream& operator<<(std::ostream& out, const LineCase& c) { return out << c.name; }

class LineBytesTest : public LogWriterTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(LineBytesTest, WritesTimeBlankTextAndCrLfExactly) {
  AppendLog(GetParam().text, log_, TextView(kTime));
  EXPECT_EQ(ReadWholeFile(log_), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LineBytesTest,
    ::testing::Values(
        LineCase{"Plain", "abc", "2018-03-05 07:08:09 abc\r\n"},
        LineCase{"EmptyText", "", "2018-03-05 07:08:09 \r\n"},
        LineCase{"BlanksKept", "  a  ", "2018-03-05 07:08:09   a  \r\n"},
        // 服务器状态：正常 在线玩家数：123
        LineCase{"GbkAsHeld",
                 "\xB7\xFE\xCE\xF1\xC6\xF7\xD7\xB4\xCC\xAC\xA3\xBA\xD5\xFD\xB3\xA3 "
                 "\xD4\xDA\xCF\xDF\xCD\xE6\xBC\xD2\xCA\xFD\xA3\xBA" "123",
                 "2018-03-05 07:08:09 \xB7\xFE\xCE\xF1\xC6\xF7\xD7\xB4\xCC\xAC\xA3\xBA\xD5\xFD\xB3\xA3 "
                 "\xD4\xDA\xCF\xDF\xCD\xE6\xBC\xD2\xCA\xFD\xA3\xBA" "123\r\n"},
        // 昞 is 0x95 0x5C: its trail byte is a backslash and must reach the file unchanged.
        LineCase{"TrailByteBackslash", "\x95\x5C", "2018-03-05 07:08:09 \x95\x5C\r\n"},
        LineCase{"LineBreaksInsideTextKept", "a\r\nb", "2018-03-05 07:08:09 a\r\nb\r\n"}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(LogWriterTest, ExplicitTimeTextIsUsedAsGiven) {
  AppendLog("x", log_, TextView(""));
  AppendLog("y", log_, TextView("any words"));
  EXPECT_EQ(ReadWholeFile(log_), " x\r\nany words y\r\n");
}

TEST_F(LogWriterTest, AbsentTimeTextStampsTheCurrentLocalTime) {
  // The default layout sorts like the times it shows, so the stamp must lie between the two readings.
  const Text before = FormatTimestamp();
  AppendLog("now", log_);
  const Text after = FormatTimestamp();

  const std::optional<std::string> content = ReadWholeFile(log_);
  ASSERT_TRUE(content);
  const std::string suffix = " now\r\n";
  ASSERT_EQ(content->size(), before.size() + suffix.size()) << *content;
  const std::string stamp = content->substr(0, before.size());
  EXPECT_LE(before, stamp);
  EXPECT_LE(stamp, after);
  EXPECT_EQ(content->substr(before.size()), suffix);
}

struct SizeLimitCase {
  const char* name;
  std::optional<std::int32_t> limitMb;
  std::optional<std::size_t> existingBytes;  // absent: no file before the call
  bool oldContentKept;
};
std::ostream& operator<<(std::ostream& out, const SizeLimitCase& c) { return out << c.name; }

class SizeLimitTest : public LogWriterTest, public ::testing::WithParamInterface<SizeLimitCase> {};

TEST_P(SizeLimitTest, DeletesOnlyAFileLargerThanTheLimit) {
  const SizeLimitCase& c = GetParam();
  std::string existing;
  if (c.existingBytes) {
    existing.assign(*c.existingBytes, 'o');
    ASSERT_TRUE(WriteWholeFile(log_, existing));
  }
  AppendLog("new", log_, TextView(kTime), c.limitMb);

  const std::string line = std::string(kTime) + " new\r\n";
  const std::optional<std::string> content = ReadWholeFile(log_);
  ASSERT_TRUE(content);
  const std::string expected = c.oldContentKept ? existing + line : line;
  // Compared by size and ends first, so a failure does not print a megabyte.
  ASSERT_EQ(content->size(), expected.size());
  EXPECT_TRUE(*content == expected);
}

INSTANTIATE_TEST_SUITE_P(
    Limits, SizeLimitTest,
    ::testing::Values(
        SizeLimitCase{"ExactlyOneMegabyteStays", 1, kMegabyte, true},
        SizeLimitCase{"OneByteOverIsDeleted", 1, kMegabyte + 1, false},
        SizeLimitCase{"ExactlyTwoMegabytesStay", 2, 2 * kMegabyte, true},
        SizeLimitCase{"OneByteOverTwoIsDeleted", 2, 2 * kMegabyte + 1, false},
        SizeLimitCase{"WellOverIsDeleted", 1, 3 * kMegabyte, false},
        SizeLimitCase{"EmptyFileStays", 1, 0, true},
        SizeLimitCase{"MissingFileIsCreated", 1, std::nullopt, true},
        SizeLimitCase{"ZeroMeansNoLimit", 0, 3 * kMegabyte, true},
        SizeLimitCase{"NegativeMeansNoLimit", -3, 3 * kMegabyte, true},
        SizeLimitCase{"AbsentMeansNoLimit", std::nullopt, 3 * kMegabyte, true}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(LogWriterTest, UnwritablePathsLoseTheLineQuietly) {
  const Text missingDirectory = directory_.File("no-such-directory");
  const struct {
    const char* name;
    Text path;
  } cases[] = {
      {"in a missing directory", missingDirectory + "\\monitor.log"},
      {"a directory", directory_.Path()},
      {"characters no file name may hold", directory_.File("bad|name?.log")},
      {"empty", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AppendLog("lost", c.path, TextView(kTime), 1);
    EXPECT_FALSE(FileExists(missingDirectory));
  }
  // The directory is still a directory and nothing appeared in it.
  const DWORD attributes = ::GetFileAttributesA(directory_.Path().c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
  WIN32_FIND_DATAA found{};
  const Text pattern = directory_.Path() + "\\*";
  const HANDLE search = ::FindFirstFileA(pattern.c_str(), &found);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  std::vector<std::string> entries;
  do {
    entries.emplace_back(found.cFileName);
  } while (::FindNextFileA(search, &found));
  ::FindClose(search);
  EXPECT_EQ(entries.size(), 2u) << "only . and .. expected, first extra: " << entries.back();
}

TEST_F(LogWriterTest, FileHeldWithoutSharingLosesTheLineAndKeepsItsContent) {
  ASSERT_TRUE(WriteWholeFile(log_, "kept\r\n"));
  {
    const UniqueFile held(
        ::CreateFileA(log_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    AppendLog("lost", log_, TextView(kTime));
  }
  EXPECT_EQ(ReadWholeFile(log_), "kept\r\n");
  AppendLog("after", log_, TextView(kTime));
  EXPECT_EQ(ReadWholeFile(log_), "kept\r\n" + std::string(kTime) + " after\r\n");
}

TEST(LogWriterDefaultPath, WritesBesideTheExecutableNamedAfterIt) {
  const Text expected =
      testing::WindowsPathOfBuildDirectory(PUBG_TEST_BINARY_DIR) + "\\support_windows_tests.log";
  ASSERT_TRUE(testing::RemoveFile(expected));
  AppendLog("default path", std::nullopt, TextView(kTime));
  const std::optional<std::string> content = ReadWholeFile(expected);
  EXPECT_TRUE(testing::RemoveFile(expected));
  EXPECT_EQ(content, std::string(kTime) + " default path\r\n");
}

struct ConcurrencyCase {
  const char* name;
  int threads;
  int linesPerThread;
};
std::ostream& operator<<(std::ostream& out, const ConcurrencyCase& c) { return out << c.name; }

class ConcurrentAppendTest : public LogWriterTest, public ::testing::WithParamInterface<ConcurrencyCase> {};

// A line of thread t, number i: a letter for the thread, the number, and a run of the letter long
// enough that a torn or overwritten line cannot pass for a whole one.
std::string ConcurrentLineText(int thread, int index) {
  const char letter = static_cast<char>('A' + thread);
  return std::string(1, letter) + std::to_string(index) + ' ' + std::string(120, letter);
}

TEST_P(ConcurrentAppendTest, EveryLineLandsWholeAndInEachThreadsOrder) {
  const ConcurrencyCase& c = GetParam();
  const auto started = std::chrono::steady_clock::now();
  {
    std::vector<std::thread> writers;
    for (int t = 0; t < c.threads; ++t) {
      writers.emplace_back([&, t] {
        for (int i = 0; i < c.linesPerThread; ++i) AppendLog(ConcurrentLineText(t, i), log_, TextView("T"));
      });
    }
    for (std::thread& writer : writers) writer.join();
  }
  const double elapsedMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
  const int total = c.threads * c.linesPerThread;
  std::printf("[ figures  ] %d threads appended %d lines in %.0f ms, %.1f us per line\n", c.threads, total,
              elapsedMs, elapsedMs * 1000.0 / total);

  const std::optional<std::string> content = ReadWholeFile(log_);
  ASSERT_TRUE(content);
  std::map<int, int> nextIndexOfThread;
  int lines = 0;
  std::size_t at = 0;
  while (at < content->size()) {
    const std::size_t end = content->find("\r\n", at);
    ASSERT_NE(end, std::string::npos) << "unterminated tail at byte " << at;
    const std::string line = content->substr(at, end - at);
    at = end + 2;
    ++lines;
    ASSERT_GE(line.size(), 4u) << "line " << lines << ": " << line;
    const int thread = line[2] - 'A';
    ASSERT_TRUE(thread >= 0 && thread < c.threads) << "line " << lines << ": " << line;
    int& next = nextIndexOfThread[thread];
    ASSERT_EQ(line, "T " + ConcurrentLineText(thread, next)) << "line " << lines;
    ++next;
  }
  EXPECT_EQ(lines, total);
  for (int t = 0; t < c.threads; ++t) EXPECT_EQ(nextIndexOfThread[t], c.linesPerThread) << "thread " << t;
}

// Wine lost or tore lines in most runs of the larger case before appenders took turns.
INSTANTIATE_TEST_SUITE_P(Appenders, ConcurrentAppendTest,
                         ::testing::Values(ConcurrencyCase{"OneThread", 1, 1000}, ConcurrencyCase{"TwoThreads", 2, 500},
                                           ConcurrencyCase{"EightThreads", 8, 1000}),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

}  // namespace
}  // namespace pubg
