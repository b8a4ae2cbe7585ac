// Whole checks as the café guest sees them: the page served by the loopback server, the labels,
// their colours on the screen, the log file and the rhythm of the checks.
#include <gtest/gtest.h>

#include <cctype>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "app/tests/program_under_test.h"
#include "status/tests/loopback_control.h"

namespace pubg::e2e {
namespace {

using testing_support::RecordedCount;
using testing_support::ServeNext;

constexpr char kStatusPath[] = "/statistics/server";
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kInitialBackground = 0xECECEC;
constexpr std::uint32_t kInitialText = 0x606060;
constexpr std::uint32_t kGreen = 0x339966;
constexpr std::uint32_t kAmber = 0x33CCFF;
constexpr std::uint32_t kOrangeRed = 0x3366FF;
constexpr std::uint32_t kRed = 0x3333FF;
// How long to watch for a check that must not come. It can only make a faulty build pass, never a
// correct one fail.
constexpr std::chrono::milliseconds kQuietPeriod{2500};
constexpr std::size_t kTimestampChars = 19;  // 2018-03-05 07:08:09

// One line of the log without its time stamp, in GBK: 服务器状态：<state> 在线玩家数：<count>
std::string LogText(const std::string& state, const std::string& count) {
  return "\xB7\xFE\xCE\xF1\xC6\xF7\xD7\xB4\xCC\xAC\xA3\xBA" + state + " \xD4\xDA\xCF\xDF\xCD\xE6\xBC\xD2\xCA\xFD\xA3\xBA" +
         count;
}

std::string ReadFileBytes(const std::wstring& path) {
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return {};
  std::string bytes;
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) bytes.append(buffer, read);
  return bytes;
}

bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsTimestamp(const std::string& text) {
  static const char kShape[] = "dddd-dd-dd dd:dd:dd";
  if (text.size() != kTimestampChars) return false;
  for (std::size_t i = 0; i < kTimestampChars; ++i) {
    if (kShape[i] == 'd' ? !std::isdigit(static_cast<unsigned char>(text[i])) : text[i] != kShape[i]) return false;
  }
  return true;
}

// The local time as the program renders it, so that two readings compare as text.
std::wstring LocalTimestamp() {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  wchar_t text[32];
  swprintf(text, 32, L"%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
           now.wSecond);
  return text;
}

std::string Config(const std::string& checkTime, const std::string& logFlag) {
  return "[config]\r\nCheckTime=" + checkTime + "\r\nlogFlag=" + logFlag + "\r\nMsgTxt=e2e\r\n";
}

class CheckTest : public ::testing::Test {
 protected:
  void TearDown() override { ServeNext(ServerPort(), "mode=page&file=normal.html"); }
};

// One program checking every second while the server changes its page under it.
TEST_F(CheckTest, ShowsEveryKindOfPageInItsCaptionsAndColours) {
  struct Step {
    const char* serve;
    std::wstring state;
    std::wstring count;
    std::uint32_t background;
    std::uint32_t text;
    std::string loggedState;  // GBK
    std::string loggedCount;
  };
  const std::vector<Step> steps = {
      // An unknown word before any known one keeps the label's first colours.
      {"mode=page&file=state_unknown.html", L"维护中", L"12,345", kInitialBackground, kInitialText,
       "\xCE\xAC\xBB\xA4\xD6\xD0", "12,345"},  // 维护中
      {"mode=page&file=normal.html", L"正常", L"1,234,567", kGreen, kWhite, "\xD5\xFD\xB3\xA3", "1,234,567"},  // 正常
      // An unknown word after a known one keeps that one's colours.
      {"mode=page&file=state_unknown.html", L"维护中", L"12,345", kGreen, kWhite, "\xCE\xAC\xBB\xA4\xD6\xD0",
       "12,345"},
      {"mode=page&file=state_laggy.html", L"有些卡", L"987,654", kAmber, kWhite, "\xD3\xD0\xD0\xA9\xBF\xA8",
       "987,654"},  // 有些卡
      {"mode=page&file=state_abnormal.html", L"异常", L"45,678", kOrangeRed, kWhite, "\xD2\xEC\xB3\xA3",
       "45,678"},  // 异常
      // Both words of a stop read 维护/停机 on the label; the log keeps the word itself.
      {"mode=page&file=state_shutdown.html", L"维护/停机", L"1,024", kRed, kWhite, "\xCD\xA3\xBB\xFA",
       "1,024"},  // 停机
      {"mode=page&file=state_unavailable.html", L"维护/停机", L"3,210", kRed, kWhite, "\xB2\xBB\xBF\xC9\xD3\xC3",
       "3,210"},  // 不可用
      {"mode=page&file=compact.html", L"正常", L"1,234,567", kGreen, kWhite, "\xD5\xFD\xB3\xA3", "1,234,567"},
      // Another layout: neither value is found; the colours stay.
      {"mode=page&file=other_layout.html", L"", L"0", kGreen, kWhite, "", "0"},
      {"mode=chunked&file=state_abnormal.html", L"异常", L"45,678", kOrangeRed, kWhite, "\xD2\xEC\xB3\xA3",
       "45,678"},
      // An error page is evaluated like any page.
      {"mode=status&code=404&file=not_found.html", L"", L"0", kOrangeRed, kWhite, "", "0"},
      {"mode=page&file=state_laggy.html", L"有些卡", L"987,654", kAmber, kWhite, "\xD3\xD0\xD0\xA9\xBF\xA8",
       "987,654"},
      // A body cut off midway is what arrived: no markers in it.
      {"mode=close", L"", L"0", kAmber, kWhite, "", "0"},
      // No body at all: the query failed, and the label says so in its first colours.
      {"mode=empty", L"查询失败", L"--", kInitialBackground, kInitialText, "\xB2\xE9\xD1\xAF\xCA\xA7\xB0\xDC",
       "--"},  // 查询失败
      {"mode=page&file=normal.html", L"正常", L"1,234,567", kGreen, kWhite, "\xD5\xFD\xB3\xA3", "1,234,567"},
  };

  ServeNext(ServerPort(), steps.front().serve);
  ProgramUnderTest program(L"checks.exe", Config("1", "1"));
  ASSERT_TRUE(program.Start());
  const RECT stateBox = ExpectedRect(Label::State);

  std::vector<std::uint32_t> shownBefore = WindowPicture(program.Window()).Region(stateBox);
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const Step& step = steps[i];
    SCOPED_TRACE(std::string("step ") + std::to_string(i + 1) + ": " + step.serve);
    const std::wstring before = LocalTimestamp();
    ServeNext(ServerPort(), step.serve);
    ASSERT_TRUE(program.WaitForCaptions(step.state, step.count))
        << "shows " << testing::PrintToString(program.Caption(Label::State)) << " / "
        << testing::PrintToString(program.Caption(Label::PlayerCount));
    const std::wstring after = LocalTimestamp();

    // The update line carries a time taken during this check.
    const std::wstring updateLine = program.Caption(Label::Time);
    ASSERT_EQ(updateLine.rfind(L"更新时间：", 0), 0u) << testing::PrintToString(updateLine);
    const std::wstring shownTime = updateLine.substr(5);
    EXPECT_LE(before, shownTime);
    EXPECT_LE(shownTime, after);

    // Colours and caption are stored before the count is written. The screen follows with the
    // next paint: a new caption has to show before the colours around it count.
    ::RedrawWindow(program.Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    const bool newCaption = i > 0 && step.state != steps[i - 1].state;
    EXPECT_TRUE(WaitUntil([&] {
      const WindowPicture picture(program.Window());
      return (!newCaption || picture.Region(stateBox) != shownBefore) &&
             picture.At(stateBox.left + 2, stateBox.top + 2) == step.background;
    })) << "background " << std::hex << WindowPicture(program.Window()).At(stateBox.left + 2, stateBox.top + 2);
    const WindowPicture picture(program.Window());
    if (!step.state.empty()) {
      EXPECT_GT(picture.Count(stateBox, step.text), 0) << "no glyph in the text colour";
    }
    shownBefore = picture.Region(stateBox);
    if (i == 1) picture.Save(ArtifactPath(L"state-normal.bmp"));
  }

  // Every check wrote one line; consecutive checks of one page write the same text.
  const std::string log = ReadFileBytes(program.FileInRunDirectory(L"checks.log"));
  std::vector<std::string> texts;
  std::size_t lineStart = 0;
  for (std::size_t end = log.find("\r\n"); end != std::string::npos; end = log.find("\r\n", lineStart)) {
    const std::string line = log.substr(lineStart, end - lineStart);
    lineStart = end + 2;
    ASSERT_GT(line.size(), kTimestampChars + 1);
    EXPECT_TRUE(IsTimestamp(line.substr(0, kTimestampChars))) << line;
    EXPECT_EQ(line[kTimestampChars], ' ');
    const std::string text = line.substr(kTimestampChars + 1);
    if (texts.empty() || texts.back() != text) texts.push_back(text);
  }
  EXPECT_EQ(lineStart, log.size()) << "the log ends with a whole line";
  std::vector<std::string> expected;
  for (const Step& step : steps) {
    const std::string text = LogText(step.loggedState, step.loggedCount);
    if (expected.empty() || expected.back() != text) expected.push_back(text);
  }
  // The last page may not have been logged yet when the captions showed it.
  if (texts.size() + 1 == expected.size()) expected.pop_back();
  EXPECT_EQ(texts, expected);
}

TEST_F(CheckTest, LogsOnlyWhenTheFlagIsExactlyOne) {
  struct Case {
    const char* logFlag;  // as written in config.ini
    bool logs;
  };
  const std::vector<Case> cases = {
      {"1", true}, {"0", false}, {"", false}, {"01", false}, {"2", false}, {"\xA3\xB1", false},  // １ full width
  };
  // All at once, each in its own run directory, each checking every second.
  std::vector<std::unique_ptr<ProgramUnderTest>> programs;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    programs.push_back(std::make_unique<ProgramUnderTest>(L"flag" + std::to_wstring(i) + L".exe",
                                                          Config("1", cases[i].logFlag)));
    ASSERT_TRUE(programs.back()->Start());
  }
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(std::string("logFlag=") + cases[i].logFlag);
    ProgramUnderTest& program = *programs[i];
    // A second update line shows only once the first check has ended, log line and all.
    ASSERT_TRUE(WaitUntil([&] { return program.HasUpdateLine(); }));
    const std::wstring first = program.Caption(Label::Time);
    ASSERT_TRUE(WaitUntil([&] { return program.HasUpdateLine() && program.Caption(Label::Time) != first; }));
    const std::wstring log = program.FileInRunDirectory(L"flag" + std::to_wstring(i) + L".log");
    EXPECT_EQ(FileExists(log), cases[i].logs);
    if (cases[i].logs) {
      const std::string bytes = ReadFileBytes(log);
      const std::string expected = " " + LogText("\xD5\xFD\xB3\xA3", "1,234,567") + "\r\n";  // 正常
      ASSERT_GE(bytes.size(), kTimestampChars + expected.size());
      EXPECT_TRUE(IsTimestamp(bytes.substr(0, kTimestampChars)));
      EXPECT_EQ(bytes.substr(kTimestampChars, expected.size()), expected);
    }
  }
}

TEST_F(CheckTest, ChecksAgainEverySecondWithCheckTimeOne) {
  ProgramUnderTest program(L"repeat.exe", Config("1", "0"));
  const int before = RecordedCount(ServerPort(), kStatusPath);
  ASSERT_TRUE(program.Start());
  EXPECT_TRUE(WaitUntil([&] { return RecordedCount(ServerPort(), kStatusPath) >= before + 3; }));
}

TEST_F(CheckTest, ChecksOnlyOnceWhenCheckTimeIsZeroOrLess) {
  const std::vector<std::string> checkTimes = {"0", "-5"};
  const int before = RecordedCount(ServerPort(), kStatusPath);
  std::vector<std::unique_ptr<ProgramUnderTest>> programs;
  for (const std::string& checkTime : checkTimes) {
    programs.push_back(std::make_unique<ProgramUnderTest>(L"once.exe", Config(checkTime, "0")));
    ASSERT_TRUE(programs.back()->Start());
  }
  for (const auto& program : programs) ASSERT_TRUE(WaitUntil([&] { return program->HasUpdateLine(); }));
  ::Sleep(static_cast<DWORD>(kQuietPeriod.count()));
  EXPECT_EQ(RecordedCount(ServerPort(), kStatusPath), before + static_cast<int>(checkTimes.size()));
}

}  // namespace
}  // namespace pubg::e2e
