#include "status/status_evaluation.h"

#include <gtest/gtest.h>

#include <string>

namespace pubg {
namespace {

using namespace std::string_view_literals;

// GBK words used below.
constexpr TextView kNormal = "\xD5\xFD\xB3\xA3"sv;                  // 正常
constexpr TextView kLaggy = "\xD3\xD0\xD0\xA9\xBF\xA8"sv;           // 有些卡
constexpr TextView kAbnormal = "\xD2\xEC\xB3\xA3"sv;                // 异常
constexpr TextView kShutDown = "\xCD\xA3\xBB\xFA"sv;                // 停机
constexpr TextView kUnavailable = "\xB2\xBB\xBF\xC9\xD3\xC3"sv;     // 不可用
constexpr TextView kMaintenance = "\xCE\xAC\xBB\xA4/\xCD\xA3\xBB\xFA"sv;  // 维护/停机
constexpr TextView kFullWidthSpace = "\xA1\xA1"sv;                  // 　

std::string Spaces(std::size_t n) { return std::string(n, ' '); }

// The state and count blocks as the page lays them out, built piece by piece independently of the
// program's own marker constants.
std::string StateBlock(TextView state) {
  return "<a href=\"/statistics/server\">\n" + Spaces(60) + "<strong>\xB7\xFE\xCE\xF1\xC6\xF7:</strong>\n" +  // 服务器
         Spaces(56) + "<span>" + std::string(state) + "</span>\n" + Spaces(24) + "</a>\n" + Spaces(20) + "</div>\n";
}

std::string CountBlock(TextView count) {
  return "<div id=\"alert\">\n" + Spaces(16) + "<p>\n" + Spaces(20) + "\n" + Spaces(20) +
         "\xC4\xBF\xC7\xB0PUBG\xCD\xE6\xBC\xD2\xC8\xCB\x94\xB5: " +  // 目前PUBG玩家人數 (traditional 數)
         std::string(count) + "\xC3\xFB <a href=\"/statistics/playing\"><em>";  // 名
}

std::string Page(TextView state, TextView count) {
  return "<html><body><div class=\"server\">\n" + StateBlock(state) + "<p>filler</p>\n" + CountBlock(count) +
         "12345</em></a></p></div></body></html>";
}

TEST(Markers, HoldThePageLayoutByteForByte) {
  EXPECT_EQ(StateStartMarker.size(), 177u);
  EXPECT_EQ(StateEndMarker.size(), 64u);
  EXPECT_EQ(CountStartMarker.size(), 96u);
  EXPECT_EQ(CountEndMarker.size(), 37u);

  const std::string state = StateBlock("X");
  const std::size_t x = state.find("X</span>");
  EXPECT_EQ(TextView(state).substr(0, x), StateStartMarker);
  EXPECT_EQ(TextView(state).substr(x + 1), StateEndMarker);

  const std::string count = CountBlock("X");
  const std::size_t y = count.find("X\xC3\xFB");
  EXPECT_EQ(TextView(count).substr(0, y), CountStartMarker);
  EXPECT_EQ(TextView(count).substr(y + 1), CountEndMarker);
}

struct StateCase {
  const char* name;
  TextView state;
  Text caption;
  std::optional<Colour> background;
};

class StateTableTest : public testing::TestWithParam<StateCase> {};

TEST_P(StateTableTest, ChoosesCaptionAndColours) {
  const StateCase& c = GetParam();
  const StatusEvaluationResult result = StatusEvaluation(Page(c.state, "100"));
  EXPECT_EQ(result.StateText, c.state);  // never replaced by the caption
  EXPECT_EQ(result.StateDisplay.Caption, c.caption);
  EXPECT_EQ(result.StateDisplay.BackgroundColour, c.background);
  // Both colours or neither; the text is always white when set.
  EXPECT_EQ(result.StateDisplay.TextColour, c.background ? std::optional<Colour>(0xFFFFFF) : std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(
    Words, StateTableTest,
    testing::Values(StateCase{"Normal", kNormal, Text(kNormal), 0x339966},
                    StateCase{"Laggy", kLaggy, Text(kLaggy), 0x33CCFF},
                    StateCase{"Abnormal", kAbnormal, Text(kAbnormal), 0x3366FF},
                    StateCase{"ShutDown", kShutDown, Text(kMaintenance), 0x3333FF},
                    StateCase{"Unavailable", kUnavailable, Text(kMaintenance), 0x3333FF},
                    StateCase{"Unknown", "Busy", "Busy", std::nullopt},
                    StateCase{"Empty", "", "", std::nullopt},
                    StateCase{"LeadingSpace", " \xD5\xFD\xB3\xA3", " \xD5\xFD\xB3\xA3", std::nullopt},
                    StateCase{"TrailingLineFeed", "\xD5\xFD\xB3\xA3\n", "\xD5\xFD\xB3\xA3\n", std::nullopt},
                    StateCase{"Prefix", "\xD5\xFD", "\xD5\xFD", std::nullopt},
                    StateCase{"Longer", "\xD5\xFD\xB3\xA3\xD5\xFD\xB3\xA3", "\xD5\xFD\xB3\xA3\xD5\xFD\xB3\xA3", std::nullopt},
                    StateCase{"CaseMatters", "\xD2\xEC\xB3\xA3 ", "\xD2\xEC\xB3\xA3 ", std::nullopt}),
    [](const testing::TestParamInfo<StateCase>& test) { return std::string(test.param.name); });

struct CountCase {
  const char* name;
  std::string count;
  Text expected;
};

class PlayerCountTest : public testing::TestWithParam<CountCase> {};

TEST_P(PlayerCountTest, KeepsTheCountAsWrittenOrGivesZeroWhenBlank) {
  EXPECT_EQ(StatusEvaluation(Page(kNormal, GetParam().count)).PlayerCountText, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, PlayerCountTest,
    testing::Values(CountCase{"Digits", "12345", "12345"},
                    CountCase{"Separators", "1,234,567", "1,234,567"},
                    CountCase{"Empty", "", "0"},
                    CountCase{"AsciiSpaces", "   ", "0"},
                    CountCase{"FullWidthSpaces", std::string(kFullWidthSpace) + std::string(kFullWidthSpace), "0"},
                    CountCase{"MixedSpaces", " " + std::string(kFullWidthSpace) + " ", "0"},
                    CountCase{"SpacesAroundKept", " 12 ", " 12 "},
                    CountCase{"LineFeedIsNotBlank", "\n", "\n"},
                    CountCase{"TabIsNotBlank", "\t", "\t"},
                    CountCase{"Words", "many", "many"}),
    [](const testing::TestParamInfo<CountCase>& test) { return std::string(test.param.name); });

TEST(StatusEvaluation, EmptyPageGivesEmptyStateAndZero) {
  const StatusEvaluationResult result = StatusEvaluation("");
  EXPECT_EQ(result.StateText, "");
  EXPECT_EQ(result.StateDisplay.Caption, "");
  EXPECT_FALSE(result.StateDisplay.BackgroundColour);
  EXPECT_FALSE(result.StateDisplay.TextColour);
  EXPECT_EQ(result.PlayerCountText, "0");
}

// Pages that differ from the expected layout in one detail lose the affected value.
TEST(StatusEvaluation, LayoutChangesLoseTheAffectedValue) {
  const std::string good = Page(kNormal, "777");

  std::string moreIndent = good;
  moreIndent.replace(moreIndent.find("<span>"), 0, " ");
  EXPECT_EQ(StatusEvaluation(moreIndent).StateText, "");
  EXPECT_EQ(StatusEvaluation(moreIndent).PlayerCountText, "777");

  std::string crlf;
  for (char c : good) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_EQ(StatusEvaluation(crlf).StateText, "");
  EXPECT_EQ(StatusEvaluation(crlf).PlayerCountText, "0");

  std::string simplified = good;  // 数 (CA FD) instead of the traditional 數 (94 B5)
  simplified.replace(simplified.find("\x94\xB5"), 2, "\xCA\xFD");
  EXPECT_EQ(StatusEvaluation(simplified).StateText, kNormal);
  EXPECT_EQ(StatusEvaluation(simplified).PlayerCountText, "0");
}

TEST(StatusEvaluation, FirstStateBlockWins) {
  const std::string page = StateBlock(kShutDown) + StateBlock(kNormal) + CountBlock("5");
  const StatusEvaluationResult result = StatusEvaluation(page);
  EXPECT_EQ(result.StateText, kShutDown);
  EXPECT_EQ(result.StateDisplay.Caption, kMaintenance);
  EXPECT_EQ(result.PlayerCountText, "5");
}

TEST(StatusEvaluation, EndMarkerIsSoughtOnlyAfterTheStartMarker) {
  // An end marker before the block does not end the value.
  const std::string page = std::string(StateEndMarker) + Page(kAbnormal, "1");
  EXPECT_EQ(StatusEvaluation(page).StateText, kAbnormal);
}

TEST(StatusEvaluation, MarkerBytesInsideATwoByteCharacterAreNotMatched) {
  // A lead byte just before '<' makes it a trail byte: the block is not seen there.
  std::string page = Page(kNormal, "9");
  page.insert(page.find("<a href=\"/statistics/server\">"), "\x81");
  EXPECT_EQ(StatusEvaluation(page).StateText, "");
}

struct TrimCase {
  const char* name;
  std::string text;
  std::string expected;
};

class TrimSpacesTest : public testing::TestWithParam<TrimCase> {};

TEST_P(TrimSpacesTest, RemovesAsciiAndFullWidthSpacesAtBothEnds) {
  EXPECT_EQ(TrimSpaces(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TrimSpacesTest,
    testing::Values(TrimCase{"Empty", "", ""},
                    TrimCase{"OnlyAscii", "    ", ""},
                    TrimCase{"OnlyFullWidth", "\xA1\xA1\xA1\xA1", ""},
                    TrimCase{"Mixed", " \xA1\xA1 \xA1\xA1", ""},
                    TrimCase{"BothEnds", " \xA1\xA1" "12" "\xA1\xA1 ", "12"},
                    TrimCase{"InnerSpaceKept", " 1 2 ", "1 2"},
                    TrimCase{"InnerFullWidthKept", "1\xA1\xA1" "2", "1\xA1\xA1" "2"},
                    TrimCase{"TabKeptAtStart", "\t 1", "\t 1"},
                    TrimCase{"TabKeptAtEnd", " 1 \t", "1 \t"},
                    TrimCase{"SpacesBeyondTabStay", "1\t  ", "1\t"},
                    TrimCase{"LineFeedKept", "\n", "\n"},
                    TrimCase{"ChineseKept", " \xD5\xFD\xB3\xA3 ", "\xD5\xFD\xB3\xA3"},
                    // A1 as a trail byte is part of another character, not a space.
                    TrimCase{"TrailA1IsNotASpace", "\xB0\xA1\xA1", "\xB0\xA1"},
                    // A lone lead byte at the end is dropped and the spaces before it stay.
                    TrimCase{"LoneLeadDropped", "12 \x81", "12 "},
                    TrimCase{"LoneA1Dropped", "12 \xA1", "12 "},
                    TrimCase{"OnlyLoneLead", "\xA1", ""},
                    TrimCase{"LeadingThenLoneLead", "  \xA1\xA1\x81", ""}),
    [](const testing::TestParamInfo<TrimCase>& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace pubg
