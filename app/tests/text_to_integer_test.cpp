#include "app/text_to_integer.h"

#include <gtest/gtest.h>

#include "app/check_interval.h"

namespace pubg {
namespace {

struct IntegerCase {
  const char* name;
  const char* text;
  std::int32_t expected;
};

class TextToIntegerTest : public testing::TestWithParam<IntegerCase> {};

TEST_P(TextToIntegerTest, ReadsTheLeadingNumber) { EXPECT_EQ(TextToInteger(GetParam().text), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Cases, TextToIntegerTest,
    testing::Values(IntegerCase{"Plain", "30", 30},
                    IntegerCase{"LeadingBlank", " 45", 45},
                    IntegerCase{"LeadingWhiteSpace", "\t\r\n\v\f 7", 7},
                    IntegerCase{"Fraction", "12.5", 12},
                    IntegerCase{"Suffix", "30s", 30},
                    IntegerCase{"Letters", "abc", 0},
                    IntegerCase{"Empty", "", 0},
                    IntegerCase{"SignThenBlank", "- 5", 0},
                    IntegerCase{"Negative", "-5", -5},
                    IntegerCase{"Plus", "+8", 8},
                    IntegerCase{"DoubleSign", "--5", 0},
                    IntegerCase{"LeadingZeros", "007", 7},
                    IntegerCase{"FullWidthDigits", "\xA3\xB1\xA3\xB5", 15},             // １５
                    IntegerCase{"FullWidthMinus", "\xA3\xAD\xA3\xB3", -3},              // －３
                    IntegerCase{"FullWidthPlus", "\xA3\xAB" "9", 9},                    // ＋9
                    IntegerCase{"IdeographicSpace", "\xA1\xA1" "20", 20},               // 　20
                    IntegerCase{"MixedWidth", "1\xA3\xB2" "3", 123},                   // 1２3
                    IntegerCase{"OtherChineseStops", "5\xB7\xD6", 5},                  // 5分
                    IntegerCase{"ChineseFirst", "\xB7\xD6" "5", 0},                    // 分5
                    IntegerCase{"LoneLeadDropped", "42\xA3", 42},
                    IntegerCase{"Int32Max", "2147483647", 2147483647},
                    IntegerCase{"Int32Min", "-2147483648", INT32_MIN},
                    // Beyond the 32-bit range the value saturates instead of wrapping.
                    IntegerCase{"JustAboveMax", "2147483648", INT32_MAX},
                    IntegerCase{"JustBelowMin", "-2147483649", INT32_MIN},
                    IntegerCase{"Huge", "99999999999999999999999999", INT32_MAX},
                    IntegerCase{"HugeNegative", "-99999999999999999999999999", INT32_MIN},
                    IntegerCase{"WouldWrapToSmall", "4294967326", INT32_MAX}),
    [](const testing::TestParamInfo<IntegerCase>& test) { return std::string(test.param.name); });

struct FoldCase {
  const char* text;
  const char* folded;
};

class FoldFullWidthTest : public testing::TestWithParam<FoldCase> {};

TEST_P(FoldFullWidthTest, FoldsTheFullWidthForms) { EXPECT_EQ(FoldFullWidth(GetParam().text), GetParam().folded); }

INSTANTIATE_TEST_SUITE_P(
    Cases, FoldFullWidthTest,
    testing::Values(FoldCase{"\xA3\xA1", "!"},            // ！ first of the block
                    FoldCase{"\xA3\xFE", "~"},            // ￣ last of the block
                    FoldCase{"\xA3\xC1\xA3\xE1", "Aa"},   // Ａａ
                    FoldCase{"\xA1\xA1", " "},            // ideographic space
                    FoldCase{"\xA1\xAB", "~"},            // ～
                    FoldCase{"\xA1\xEE\xA1\xEF", "**"},   // ☆★
                    FoldCase{"\xA3\xA0", "\xA3\xA0"},     // just below the block: unchanged
                    FoldCase{"\xD5\xFD", "\xD5\xFD"},     // 正: unchanged
                    FoldCase{"a\x81", "a"}));             // lone lead byte dropped

struct IntervalCase {
  std::int32_t seconds;
  std::int32_t ms;
};

class CheckIntervalTest : public testing::TestWithParam<IntervalCase> {};

TEST_P(CheckIntervalTest, SaturatesInsteadOfWrapping) {
  EXPECT_EQ(CheckIntervalMsFromSeconds(GetParam().seconds), GetParam().ms);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CheckIntervalTest,
    testing::Values(IntervalCase{30, 30000}, IntervalCase{0, 0}, IntervalCase{-5, -5000},
                    IntervalCase{2147483, 2147483000},
                    // These wrapped once: 2147484 to a negative value, 4294968 to 704 ms.
                    IntervalCase{2147484, kLongestTimerPeriodMs}, IntervalCase{4294968, kLongestTimerPeriodMs},
                    IntervalCase{INT32_MAX, kLongestTimerPeriodMs}, IntervalCase{INT32_MIN, INT32_MIN},
                    IntervalCase{-2147484, INT32_MIN}));

}  // namespace
}  // namespace pubg
