#include "status/text_between.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "status/tests/find_from_reference.h"

namespace pubg {
namespace {

using namespace std::string_view_literals;

struct FindCase {
  const char* name;
  TextView text;
  TextView sought;
  std::optional<std::int32_t> start;
  std::int32_t expected;
};

class FindFromTest : public testing::TestWithParam<FindCase> {};

TEST_P(FindFromTest, FindsTheFirstMatchOnACharacterBoundary) {
  const FindCase& c = GetParam();
  EXPECT_EQ(FindFrom(c.text, c.sought, c.start), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindFromTest,
    testing::Values(
        FindCase{"AtStart", "abcabc", "abc", std::nullopt, 1},
        FindCase{"FromStartPosition", "abcabc", "abc", 2, 4},
        FindCase{"StartOnMatch", "abcabc", "abc", 4, 4},
        FindCase{"CaseSensitive", "ABCabc", "abc", std::nullopt, 4},
        FindCase{"Missing", "abcabc", "abd", std::nullopt, -1},
        FindCase{"SoughtLongerThanText", "ab", "abc", std::nullopt, -1},
        FindCase{"ZeroStartSearchesFromOne", "xab", "xa", 0, 1},
        FindCase{"NegativeStartSearchesFromOne", "xab", "xa", -7, 1},
        FindCase{"MostNegativeStart", "xab", "xa", INT32_MIN, 1},
        FindCase{"StartPastEnd", "abc", "c", 4, -1},
        FindCase{"StartAtLastByte", "abc", "c", 3, 3},
        FindCase{"LargestStart", "abc", "c", INT32_MAX, -1},
        FindCase{"EmptyText", "", "a", std::nullopt, -1},
        FindCase{"EmptySoughtIsNeverFound", "abc", "", std::nullopt, -1},
        // 81 41 is one character: the A at byte 2 is its trail byte, the A at byte 3 stands alone.
        FindCase{"TrailByteIsSkipped", "\x81" "AA", "A", std::nullopt, 3},
        FindCase{"TrailByteOnlyMatchIsNotFound", "\x81" "A", "A", std::nullopt, -1},
        // 正常 is D5 FD B3 A3; FD B3 spans two characters and must not be found.
        FindCase{"MatchAcrossCharactersIsNotFound", "\xD5\xFD\xB3\xA3", "\xFD\xB3", std::nullopt, -1},
        FindCase{"WholeCharacterIsFound", "\xD5\xFD\xB3\xA3", "\xB3\xA3", std::nullopt, 3},
        // A start on a trail byte takes that byte as the start of a character.
        FindCase{"StartOnTrailByteResyncs", "\x81" "A", "A", 2, 2},
        FindCase{"LoneLeadByteAtEnd", "ab\x81", "\x81", std::nullopt, 3},
        FindCase{"FullWidthSpaceRunsStepByCharacter", "\xA1\xA1\xA1\xA1" "A", "\xA1" "A", std::nullopt, -1},
        FindCase{"FalseMatchThenRealMatch", "\x81" "ab ab", "ab", std::nullopt, 5}),
    [](const testing::TestParamInfo<FindCase>& test) { return std::string(test.param.name); });

struct BetweenCase {
  const char* name;
  TextView source;
  TextView start;
  TextView end;
  TextBetweenOptions options;  // out-pointers are filled in by the test
  Text expected;
  std::optional<std::int32_t> expectedLength;  // nullopt: not stored
  std::optional<std::int32_t> expectedStart;   // nullopt: not stored
};

class TextBetweenTest : public testing::TestWithParam<BetweenCase> {};

TEST_P(TextBetweenTest, CutsTheValueAndReportsWhereItLies) {
  const BetweenCase& c = GetParam();
  constexpr std::int32_t kUntouched = -12345;
  std::int32_t length = kUntouched;
  std::int32_t start = kUntouched;
  TextBetweenOptions options = c.options;
  options.valueLength = &length;
  options.valueStart = &start;

  EXPECT_EQ(TextBetween(c.source, c.start, c.end, options), c.expected);
  EXPECT_EQ(length, c.expectedLength.value_or(kUntouched));
  EXPECT_EQ(start, c.expectedStart.value_or(kUntouched));
}

TextBetweenOptions From(std::int32_t position) {
  TextBetweenOptions o;
  o.startPosition = position;
  return o;
}
TextBetweenOptions Max(std::int32_t maxLength, std::optional<bool> reject = std::nullopt) {
  TextBetweenOptions o;
  o.maxLength = maxLength;
  o.rejectLonger = reject;
  return o;
}
TextBetweenOptions RejectOnly() {
  TextBetweenOptions o;
  o.rejectLonger = true;
  return o;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextBetweenTest,
    testing::Values(
        BetweenCase{"Plain", "x<b>value</b>y", "<b>", "</b>", {}, "value", 5, 5},
        BetweenCase{"EmptySource", "", "<b>", "</b>", {}, "", std::nullopt, std::nullopt},
        BetweenCase{"MarkersAdjacent", "<b></b>", "<b>", "</b>", {}, "", 0, 4},
        BetweenCase{"NoStartMarker", "value</b>", "<b>", "</b>", {}, "", std::nullopt, std::nullopt},
        BetweenCase{"NoEndMarkerAfterStart", "</b><b>value", "<b>", "</b>", {}, "", std::nullopt, 8},
        // Only the first start marker counts, even when a later one has an end marker after it.
        BetweenCase{"LaterPairIsNotTried", "<b>x<b>y", "<b>", "y", {}, "x<b>", 4, 4},
        BetweenCase{"FirstStartWithoutEndGivesEmpty", "<a>x<b>y</b>", "<b>", "</c>", {}, "", std::nullopt, 8},
        BetweenCase{"SameMarkerBothEnds", "|one|two|", "|", "|", {}, "one", 3, 2},
        // The end marker is searched from the byte after the start marker, so an overlap is not seen.
        BetweenCase{"OverlappingEndIsNotSeen", "aaa", "aa", "aa", {}, "", std::nullopt, 3},
        BetweenCase{"StartPositionZero", "<b>v</b>", "<b>", "</b>", From(0), "v", 1, 4},
        BetweenCase{"StartPositionNegative", "<b>v</b>", "<b>", "</b>", From(-3), "v", 1, 4},
        BetweenCase{"StartPositionSkipsFirstPair", "<b>1</b><b>2</b>", "<b>", "</b>", From(2), "2", 1, 12},
        BetweenCase{"StartPositionLengthPlusOne", "<b>v</b>", "<b>", "</b>", From(9), "", std::nullopt, std::nullopt},
        BetweenCase{"MaxLengthCuts", "<b>12345</b>", "<b>", "</b>", Max(3), "123", 5, 4},
        BetweenCase{"MaxLengthZero", "<b>12345</b>", "<b>", "</b>", Max(0), "", 5, 4},
        BetweenCase{"MaxLengthNegative", "<b>12345</b>", "<b>", "</b>", Max(-1), "", 5, 4},
        BetweenCase{"MaxLengthLarger", "<b>12345</b>", "<b>", "</b>", Max(9), "12345", 5, 4},
        BetweenCase{"RejectLongerKeepsEqual", "<b>1234</b>", "<b>", "</b>", Max(4, true), "1234", 4, 4},
        BetweenCase{"RejectLongerDropsLonger", "<b>12345</b>", "<b>", "</b>", Max(4, true), "", 5, 4},
        BetweenCase{"RejectFalseStillCuts", "<b>12345</b>", "<b>", "</b>", Max(4, false), "1234", 5, 4},
        BetweenCase{"RejectWithoutMaxDropsAnyValue", "<b>1</b>", "<b>", "</b>", RejectOnly(), "", 1, 4},
        BetweenCase{"RejectWithoutMaxKeepsEmpty", "<b></b>", "<b>", "</b>", RejectOnly(), "", 0, 4},
        // The cut counts bytes and may leave the lead byte of a split character.
        BetweenCase{"CutSplitsCharacter", "<b>\xD5\xFD\xB3\xA3</b>", "<b>", "</b>", Max(3), "\xD5\xFD\xB3", 4, 4},
        // A start marker hidden in a trail byte is not found; the real one after it is.
        BetweenCase{"MarkerInTrailByte", "\x81<x>y<x>v</x>", "<", ">", {}, "x", 1, 7},
        BetweenCase{"EmptyStartMarker", "abc", "", "c", {}, "", std::nullopt, std::nullopt},
        BetweenCase{"EmptyEndMarker", "abc", "a", "", {}, "", std::nullopt, 2}),
    [](const testing::TestParamInfo<BetweenCase>& test) { return std::string(test.param.name); });

// The fast search must agree with the plain character scan on texts dense in lead bytes, where
// false matches on trail bytes are common.
TEST(FindFrom, AgreesWithTheCharacterScanOnRandomGbkText) {
  std::mt19937 random(20261211);
  const char alphabet[] = {'A', 'B', '\x81', '\xA1', '\xB0'};
  auto randomText = [&](std::size_t maxLength) {
    std::string text(random() % (maxLength + 1), ' ');
    for (char& c : text) c = alphabet[random() % sizeof alphabet];
    return text;
  };
  int disagreements = 0;
  for (int i = 0; i < 20000; ++i) {
    const std::string text = randomText(40);
    const std::string sought = randomText(3);
    const std::optional<std::int32_t> start =
        random() % 3 == 0 ? std::nullopt : std::optional<std::int32_t>(static_cast<std::int32_t>(random() % 44) - 2);
    if (FindFrom(text, sought, start) != reference::FindFromByScan(text, sought, start)) ++disagreements;
  }
  EXPECT_EQ(disagreements, 0);
}

TEST(TextBetween, LeavesOutputsAloneWhenNotAsked) {
  // Nothing to store into; the call must simply not touch anything.
  EXPECT_EQ(TextBetween("[v]", "[", "]"), "v");
}

}  // namespace
}  // namespace pubg
