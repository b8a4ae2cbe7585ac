// One check from end to end through the real dispatcher: what it writes, in which order, and the
// line it logs; and what a fetched body means for the labels.
#include "status/status_check.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "app/app_messages.h"
#include "app/tests/message_pump.h"
#include "app/ui_dispatcher.h"
#include "support/module_path.h"
#include "support/this_module.h"

namespace pubg {
namespace {

using namespace std::string_view_literals;

constexpr Colour kGreen = 0x339966;
constexpr Colour kRed = 0x3333FF;
constexpr Colour kWhite = 0xFFFFFF;
constexpr Colour kInitialBackground = 0xECECEC;
constexpr Colour kInitialText = 0x606060;
constexpr std::int32_t kInterval = 30000;

const Text kNormal = "\xD5\xFD\xB3\xA3";             // 正常
const Text kShutdown = "\xCD\xA3\xBB\xFA";           // 停机
const Text kMaintenance = "\xCE\xAC\xBB\xA4/\xCD\xA3\xBB\xFA";  // 维护/停机
const Text kUnknownWord = "\xCE\xAC\xBB\xA4\xD6\xD0";  // 维护中
const Text kQueryFailed = "\xB2\xE9\xD1\xAF\xCA\xA7\xB0\xDC";  // 查询失败
const Text kUpdateLinePrefix = "\xB8\xFC\xD0\xC2\xCA\xB1\xBC\xE4\xA3\xBA";  // 更新时间：

ByteArray PageFile(const std::string& name) {
  std::ifstream in(std::string(PUBG_TESTING_DIR) + "\\pages\\" + name, std::ios::binary);
  return ByteArray(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(ReportFromBody, EvaluatesAPageThatArrivedAndSaysSoWhenNoneDid) {
  struct Case {
    const char* what;
    ByteArray body;
    Text caption;
    std::optional<Colour> background;
    std::optional<Colour> text;
    Text count;
    Text loggedState;
    Text loggedCount;
  };
  const std::vector<Case> cases = {
      {"normal page", PageFile("normal.html"), kNormal, kGreen, kWhite, "1,234,567", kNormal, "1,234,567"},
      {"shut down", PageFile("state_shutdown.html"), kMaintenance, kRed, kWhite, "1,024", kShutdown, "1,024"},
      {"unknown word", PageFile("state_unknown.html"), kUnknownWord, std::nullopt, std::nullopt, "12,345",
       kUnknownWord, "12,345"},
      {"other layout", PageFile("other_layout.html"), "", std::nullopt, std::nullopt, "0", "", "0"},
      // A body that arrived, however poor, is evaluated as it reads.
      {"a lone zero byte", ByteArray{0}, "", std::nullopt, std::nullopt, "0", "", "0"},
      {"no body at all", ByteArray{}, kQueryFailed, kInitialBackground, kInitialText, "--", kQueryFailed, "--"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(c.body.size() < 2 || c.body.size() > 1000) << "the page file was read";
    const CheckReport report = ReportFromBody(c.body);
    EXPECT_EQ(report.StateCaption, c.caption);
    EXPECT_EQ(report.StateBackgroundColour, c.background);
    EXPECT_EQ(report.StateTextColour, c.text);
    EXPECT_EQ(report.PlayerCountCaption, c.count);
    EXPECT_EQ(report.LoggedState, c.loggedState);
    EXPECT_EQ(report.LoggedPlayerCount, c.loggedCount);
  }
}

TEST(LogTextFor, JoinsTheFixedTextsTheStateAndTheCount) {
  CheckReport report;
  report.LoggedState = kShutdown;
  report.LoggedPlayerCount = "12345";
  // 服务器状态：停机 在线玩家数：12345
  EXPECT_EQ(LogTextFor(report),
            "\xB7\xFE\xCE\xF1\xC6\xF7\xD7\xB4\xCC\xAC\xA3\xBA\xCD\xA3\xBB\xFA"
            " \xD4\xDA\xCF\xDF\xCD\xE6\xBC\xD2\xCA\xFD\xA3\xBA"
            "12345");
}

TEST(IsLoggingEnabled, OnlyForExactlyOne) {
  struct Case {
    TextView flag;
    bool enabled;
  };
  for (const Case& c : {Case{"1"sv, true}, Case{"0"sv, false}, Case{""sv, false}, Case{"01"sv, false},
                        Case{" 1"sv, false}, Case{"1 "sv, false}, Case{"11"sv, false}, Case{"\xA3\xB1"sv, false}}) {
    EXPECT_EQ(IsLoggingEnabled(c.flag), c.enabled) << '"' << c.flag << '"';
  }
}

TEST(UpdateLineNow, IsTheFixedTextAndATimestamp) {
  const Text line = UpdateLineNow();
  ASSERT_EQ(line.size(), kUpdateLinePrefix.size() + 19);
  EXPECT_EQ(line.substr(0, kUpdateLinePrefix.size()), kUpdateLinePrefix);
  EXPECT_EQ(line[kUpdateLinePrefix.size() + 4], '-');
  EXPECT_EQ(line[kUpdateLinePrefix.size() + 10], ' ');
  EXPECT_EQ(line[kUpdateLinePrefix.size() + 13], ':');
}

// Runs StatusCheck on a worker of its own, as the program does, and collects what the UI thread
// would apply.
class WholeCheck : public ::testing::Test {
 protected:
  std::vector<UiWrite> Run(const std::string& url, const Text& logFlag, bool closeFirst = false) {
    Settings settings;
    settings.CheckIntervalMs = kInterval;
    settings.LogFlagText = logFlag;
    if (closeFirst) dispatcher_->Close();
    std::thread worker([&] { StatusCheck(*dispatcher_, settings, url); });
    worker.join();
    std::vector<UiWrite> writes;
    dispatcher_->ApplyQueued([&](const UiWrite& write) { writes.push_back(write); });
    return writes;
  }

  static std::string LoopbackUrl(const char* path) {
    const char* port = std::getenv("PUBG_E2E_PORT");
    return std::string("http://127.0.0.1:") + (port ? port : "0") + path;
  }

  static Text LogPath() {
    const ModulePath self = ThisModulePath();
    return DefaultLogPath(self.RunDirectory, self.ExecutableName);
  }

  void SetUp() override { ::DeleteFileA(LogPath().c_str()); }
  void TearDown() override { ::DeleteFileA(LogPath().c_str()); }

  test::MessageWindow window_;
  std::shared_ptr<UiDispatcher> dispatcher_ =
      std::make_shared<UiDispatcher>(window_.Handle(), kApplyQueuedWritesMessage);
};

void ExpectCheckWrites(const std::vector<UiWrite>& writes, const Text& caption, Colour background, Colour text,
                       const Text& count) {
  ASSERT_EQ(writes.size(), 7u);
  EXPECT_EQ(writes[0].kind, UiWrite::Kind::TimerPeriod);
  EXPECT_EQ(writes[0].periodMs, 0) << "the timer stops first";
  EXPECT_EQ(writes[1].kind, UiWrite::Kind::Caption);
  EXPECT_EQ(writes[1].label, CheckLabel::State);
  EXPECT_EQ(writes[1].caption, caption);
  EXPECT_EQ(writes[2].kind, UiWrite::Kind::BackgroundColour);
  EXPECT_EQ(writes[2].colour, background);
  EXPECT_EQ(writes[3].kind, UiWrite::Kind::TextColour);
  EXPECT_EQ(writes[3].colour, text);
  EXPECT_EQ(writes[4].label, CheckLabel::PlayerCount);
  EXPECT_EQ(writes[4].caption, count);
  EXPECT_EQ(writes[5].label, CheckLabel::UpdateTime);
  EXPECT_EQ(writes[5].caption.substr(0, kUpdateLinePrefix.size()), kUpdateLinePrefix);
  EXPECT_EQ(writes[6].kind, UiWrite::Kind::TimerPeriod);
  EXPECT_EQ(writes[6].periodMs, kInterval) << "and is armed again last";
}

TEST_F(WholeCheck, ShowsTheFetchedPageBetweenStoppingAndRearmingTheTimer) {
  ExpectCheckWrites(Run(LoopbackUrl("/page"), "0"), kNormal, kGreen, kWhite, "1,234,567");
  EXPECT_EQ(::GetFileAttributesA(LogPath().c_str()), INVALID_FILE_ATTRIBUTES) << "logging is off";
}

TEST_F(WholeCheck, SaysTheQueryFailedWhenNothingArrives) {
  // A refused connection on loopback: nothing listens on port 1.
  ExpectCheckWrites(Run("http://127.0.0.1:1/statistics/server", "0"), kQueryFailed, kInitialBackground,
                    kInitialText, "--");
}

TEST_F(WholeCheck, LeavesTheColoursAloneForAnUnknownWord) {
  const std::vector<UiWrite> writes = Run(LoopbackUrl("/__none__"), "0");  // the server's 404 page
  ASSERT_EQ(writes.size(), 5u);
  EXPECT_EQ(writes[1].caption, "");
  EXPECT_EQ(writes[2].label, CheckLabel::PlayerCount);
  EXPECT_EQ(writes[2].caption, "0");
  EXPECT_EQ(writes[4].periodMs, kInterval);
}

TEST_F(WholeCheck, LogsOneLineWhenEnabled) {
  Run(LoopbackUrl("/page"), "1");
  std::ifstream in(LogPath(), std::ios::binary);
  const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string text = " \xB7\xFE\xCE\xF1\xC6\xF7\xD7\xB4\xCC\xAC\xA3\xBA" + kNormal +
                           " \xD4\xDA\xCF\xDF\xCD\xE6\xBC\xD2\xCA\xFD\xA3\xBA" "1,234,567\r\n";
  ASSERT_EQ(log.size(), 19 + text.size());
  EXPECT_EQ(log.substr(19), text);
}

TEST_F(WholeCheck, NeitherShowsNorLogsOnceTheWindowIsClosing) {
  EXPECT_TRUE(Run(LoopbackUrl("/page"), "1", /*closeFirst=*/true).empty());
  EXPECT_EQ(::GetFileAttributesA(LogPath().c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace pubg
