#include "app/configuration.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>

#include "app/check_interval.h"
#include "support/tests/scratch_directory.h"

namespace pubg {
namespace {

using testing::ScratchDirectory;
using testing::WriteWholeFile;

constexpr std::size_t kLongestValueBytes = 10239;  // the reader's 10240-byte buffer, less its terminator

// Each case writes its config.ini into a directory of its own, so the platform reader can never
// answer from a file it read for an earlier case.
class ConfigFile {
 public:
  explicit ConfigFile(std::string_view bytes) { written_ = WriteWholeFile(path_, bytes); }
  const Text& Path() const { return path_; }
  bool Written() const { return written_; }

 private:
  ScratchDirectory directory_;
  Text path_ = directory_.File("config.ini");
  bool written_ = false;
};

TEST(LoadSettings, MissingFileGivesTheDefaults) {
  ScratchDirectory directory;
  const Text path = directory.File("config.ini");
  const Settings settings = LoadSettings(path);
  EXPECT_EQ(settings.ConfigPath, path);
  EXPECT_EQ(settings.CheckIntervalMs, 30000);
  EXPECT_EQ(settings.LogFlagText, "0");
  EXPECT_EQ(settings.NoticeText, "0");
}

TEST(LoadSettings, MissingSectionOrKeysGiveTheDefaults) {
  const struct {
    const char* name;
    const char* file;
  } cases[] = {
      {"empty file", ""},
      {"keys under another section", "[other]\r\nCheckTime=60\r\nlogFlag=1\r\nMsgTxt=hi\r\n"},
      {"keys before any section", "CheckTime=60\r\nlogFlag=1\r\nMsgTxt=hi\r\n[config]\r\n"},
      {"section with other keys", "[config]\r\nCheckTimes=60\r\nlog=1\r\nMsg=hi\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ConfigFile file(c.file);
    ASSERT_TRUE(file.Written());
    const Settings settings = LoadSettings(file.Path());
    EXPECT_EQ(settings.CheckIntervalMs, 30000);
    EXPECT_EQ(settings.LogFlagText, "0");
    EXPECT_EQ(settings.NoticeText, "0");
  }
}

struct CheckTimeCase {
  const char* name;
  std::string value;
  std::int32_t expectedMs;
};
std::ostream& operator<<(std::ostream& out, const CheckTimeCase& c) { return out << c.name; }

class CheckTimeTest : public ::testing::TestWithParam<CheckTimeCase> {};

TEST_P(CheckTimeTest, BecomesTheTimerPeriod) {
  const ConfigFile file("[config]\r\nCheckTime=" + GetParam().value + "\r\n");
  ASSERT_TRUE(file.Written());
  EXPECT_EQ(LoadSettings(file.Path()).CheckIntervalMs, GetParam().expectedMs);
}

INSTANTIATE_TEST_SUITE_P(
    Values, CheckTimeTest,
    ::testing::Values(
        CheckTimeCase{"Sixty", "60", 60000},
        CheckTimeCase{"Zero", "0", 0},
        CheckTimeCase{"Empty", "", 0},
        CheckTimeCase{"NotANumber", "abc", 0},
        CheckTimeCase{"Negative", "-5", -5000},
        CheckTimeCase{"FullWidthDigits", "\xA3\xB1\xA3\xB5", 15000},  // １５
        CheckTimeCase{"Fraction", "12.5", 12000},
        CheckTimeCase{"LargestExact", "2147483", 2147483000},
        // Past the 32-bit product the period saturates instead of wrapping (to 704 ms and to a
        // negative period that would stop the checks).
        CheckTimeCase{"WouldWrapToShort", "4294968", kLongestTimerPeriodMs},
        CheckTimeCase{"WouldWrapNegative", "2147484", kLongestTimerPeriodMs},
        CheckTimeCase{"BeyondThirtyTwoBits", "99999999999", kLongestTimerPeriodMs},
        CheckTimeCase{"HugeNegative", "-99999999999", INT32_MIN}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

struct TextValueCase {
  const char* name;
  std::string line;      // the file line after [config]
  std::string expected;  // the value as the settings hold it
};
std::ostream& operator<<(std::ostream& out, const TextValueCase& c) { return out << c.name; }

class LogFlagTest : public ::testing::TestWithParam<TextValueCase> {};

TEST_P(LogFlagTest, IsKeptExactlyAsRead) {
  const ConfigFile file("[config]\r\n" + GetParam().line + "\r\n");
  ASSERT_TRUE(file.Written());
  EXPECT_EQ(LoadSettings(file.Path()).LogFlagText, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, LogFlagTest,
                         ::testing::Values(TextValueCase{"One", "logFlag=1", "1"},
                                           TextValueCase{"LeadingZero", "logFlag=01", "01"},
                                           TextValueCase{"Yes", "logFlag=yes", "yes"},
                                           TextValueCase{"True", "logFlag=true", "true"},
                                           TextValueCase{"Empty", "logFlag=", ""}),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

class NoticeTest : public ::testing::TestWithParam<TextValueCase> {};

TEST_P(NoticeTest, IsKeptAsTheReaderGivesIt) {
  const ConfigFile file("[config]\r\n" + GetParam().line + "\r\n");
  ASSERT_TRUE(file.Written());
  EXPECT_EQ(LoadSettings(file.Path()).NoticeText, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, NoticeTest,
    ::testing::Values(
        TextValueCase{"GbkBytes", "MsgTxt=\xBB\xB6\xD3\xAD\xB9\xE2\xC1\xD9", "\xBB\xB6\xD3\xAD\xB9\xE2\xC1\xD9"},  // 欢迎光临
        TextValueCase{"EmptyIsNotTheDefault", "MsgTxt=", ""},
        // What the platform reader does around a value: blanks and tabs at both ends go, then one
        // pair of enclosing double quotes; blanks inside the quotes stay.
        TextValueCase{"LeadingBlanksDropped", "MsgTxt=   hello", "hello"},
        TextValueCase{"TrailingBlanksDropped", "MsgTxt=hello   ", "hello"},
        TextValueCase{"TabsDropped", "MsgTxt=\t hello", "hello"},
        TextValueCase{"EnclosingQuotesDropped", "MsgTxt= \" hello \" ", " hello "},
        TextValueCase{"BlanksAroundKeyIgnored", "  MsgTxt  =  hello", "hello"},
        TextValueCase{"KeyCaseIgnored", "msgtxt=hello", "hello"},
        TextValueCase{"SemicolonInsideValueKept", "MsgTxt=a;b", "a;b"},
        TextValueCase{"LongestValueWhole", "MsgTxt=" + std::string(kLongestValueBytes, 'm'),
                      std::string(kLongestValueBytes, 'm')},
        TextValueCase{"LongerValueCut", "MsgTxt=" + std::string(12000, 'm'), std::string(kLongestValueBytes, 'm')}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(LoadSettings, LongGbkValueIsCutToAPrefixOfTheBuffersLength) {
  std::string value;
  for (int i = 0; i < 6000; ++i) value += "\xBB\xB6";  // 欢
  const ConfigFile file("[config]\r\nMsgTxt=" + value + "\r\n");
  ASSERT_TRUE(file.Written());
  const Text notice = LoadSettings(file.Path()).NoticeText;
  // Whether the cut keeps the lead byte of the character it splits depends on the code page.
  EXPECT_LE(notice.size(), kLongestValueBytes);
  EXPECT_GE(notice.size(), kLongestValueBytes - 1);
  EXPECT_EQ(notice, value.substr(0, notice.size()));
}

TEST(ReadConfigValue, GivesTheValueOrTheDefault) {
  const ConfigFile file("[config]\r\nPresent=value\r\nBlank=\r\n");
  ASSERT_TRUE(file.Written());
  const struct {
    const char* name;
    const char* section;
    const char* key;
    const char* defaultText;
    const char* expected;
  } cases[] = {
      {"present key", "config", "Present", "d", "value"},
      {"present empty key", "config", "Blank", "d", ""},
      {"missing key", "config", "Missing", "d", "d"},
      {"missing section", "other", "Present", "d", "d"},
      {"missing key, empty default", "config", "Missing", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReadConfigValue(file.Path(), c.section, c.key, c.defaultText), c.expected);
  }
}

// config.ini beside this test executable, removed before and after each case.
class BesideExecutableTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(ClearDirectory()); }
  void TearDown() override { EXPECT_TRUE(ClearDirectory()); }

  bool ClearDirectory() const {
    bool cleared = true;
    for (const Text& path : {config_, namedAfterExecutable_, backup_}) cleared = testing::RemoveFile(path) && cleared;
    return cleared;
  }

  const Text runDirectory_ = testing::WindowsPathOfBuildDirectory(PUBG_TEST_BINARY_DIR);
  const Text config_ = runDirectory_ + "\\config.ini";
  const Text namedAfterExecutable_ = runDirectory_ + "\\app_windows_tests.ini";
  const Text backup_ = runDirectory_ + "\\config.ini.bak";
};

TEST_F(BesideExecutableTest, ConfigFilePathIsTheRunDirectoryAndConfigIni) { EXPECT_EQ(ConfigFilePath(), config_); }

TEST_F(BesideExecutableTest, LoadSettingsReadsConfigIniBesideTheExecutable) {
  ASSERT_TRUE(WriteWholeFile(config_, "[config]\r\nCheckTime=45\r\nlogFlag=1\r\nMsgTxt=beside\r\n"));
  const Settings settings = LoadSettings();
  EXPECT_EQ(settings.ConfigPath, config_);
  EXPECT_EQ(settings.CheckIntervalMs, 45000);
  EXPECT_EQ(settings.LogFlagText, "1");
  EXPECT_EQ(settings.NoticeText, "beside");
}

TEST_F(BesideExecutableTest, OtherFileNamesBesideTheExecutableAreNotRead) {
  const std::string file = "[config]\r\nCheckTime=45\r\nlogFlag=1\r\nMsgTxt=other\r\n";
  ASSERT_TRUE(WriteWholeFile(namedAfterExecutable_, file));
  ASSERT_TRUE(WriteWholeFile(backup_, file));
  const Settings settings = LoadSettings();
  EXPECT_EQ(settings.ConfigPath, config_);
  EXPECT_EQ(settings.CheckIntervalMs, 30000);
  EXPECT_EQ(settings.LogFlagText, "0");
  EXPECT_EQ(settings.NoticeText, "0");
}

}  // namespace
}  // namespace pubg
