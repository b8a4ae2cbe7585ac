#include "support/timestamp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace pubg {
namespace {

constexpr DateTime kSample = 43164.29732638889;  // 2018-03-05 07:08:09

struct LayoutCase {
  std::optional<std::int32_t> layout;
  DateTime when;
  const char* expected;
};

class FormatTimestampTest : public testing::TestWithParam<LayoutCase> {};

TEST_P(FormatTimestampTest, RendersTheLayout) {
  EXPECT_EQ(FormatTimestamp(GetParam().layout, GetParam().when), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, FormatTimestampTest,
    testing::Values(LayoutCase{std::nullopt, kSample, "2018-03-05 07:08:09"},
                    LayoutCase{1, kSample, "2018/03/05 07:08:09"},
                    LayoutCase{2, kSample, "2018-03-05_070809"},
                    LayoutCase{3, kSample, "20180305_070809"},
                    LayoutCase{4, kSample, "07:08:09"},
                    LayoutCase{5, kSample, "070809"},
                    LayoutCase{6, kSample, "2018-03-05"},
                    LayoutCase{7, kSample, "2018-3-5"},
                    LayoutCase{8, kSample, "07:08"},
                    LayoutCase{9, kSample, "20180305070809"},
                    LayoutCase{0, kSample, "2018-03-05 07:08:09"},
                    LayoutCase{10, kSample, "2018-03-05 07:08:09"},
                    LayoutCase{-1, kSample, "2018-03-05 07:08:09"},
                    LayoutCase{INT32_MIN, kSample, "2018-03-05 07:08:09"}));

INSTANTIATE_TEST_SUITE_P(
    Dates, FormatTimestampTest,
    testing::Values(LayoutCase{std::nullopt, 43164.0, "2018-03-05 00:00:00"},   // midnight
                    LayoutCase{std::nullopt, 43164.5, "2018-03-05 12:00:00"},
                    // A fraction of a second before 07:08:09 rounds up to it.
                    LayoutCase{std::nullopt, 43164.2973263, "2018-03-05 07:08:09"},
                    LayoutCase{8, 43164.0 + (13 * 3600 + 5 * 60 + 7) / 86400.0, "13:05"},
                    LayoutCase{7, 43459.0, "2018-12-25"},
                    LayoutCase{7, 43109.0, "2018-1-9"},
                    LayoutCase{std::nullopt, 0.0, "1899-12-30 00:00:00"},
                    // The fraction of a negative date still counts forward from midnight.
                    LayoutCase{std::nullopt, -1.25, "1899-12-29 06:00:00"},
                    LayoutCase{std::nullopt, -657434.0, "100-01-01 00:00:00"},
                    LayoutCase{std::nullopt, -1e9, "100-01-01 00:00:00"},
                    LayoutCase{std::nullopt, 2958465.0, "9999-12-31 00:00:00"},
                    LayoutCase{std::nullopt, 2958465.9, "9999-12-31 00:00:00"},
                    LayoutCase{std::nullopt, 1e300, "9999-12-31 00:00:00"},
                    LayoutCase{std::nullopt, INFINITY, "9999-12-31 00:00:00"},
                    LayoutCase{std::nullopt, -INFINITY, "100-01-01 00:00:00"},
                    LayoutCase{std::nullopt, NAN, "1899-12-30 00:00:00"},
                    LayoutCase{std::nullopt, 60.0, "1900-02-28 00:00:00"},
                    LayoutCase{std::nullopt, 61.0, "1900-03-01 00:00:00"},
                    LayoutCase{std::nullopt, 36585.0, "2000-02-29 00:00:00"},
                    // Just before midnight rounds into the next day.
                    LayoutCase{std::nullopt, 43164.0 - 0.2 / 86400, "2018-03-05 00:00:00"},
                    LayoutCase{std::nullopt, 43164.0 - 0.7 / 86400, "2018-03-04 23:59:59"}));

TEST(DateTimeFromParts, RoundTripsThroughTheDefaultLayout) {
  EXPECT_DOUBLE_EQ(DateTimeFromParts(1899, 12, 30, 0, 0, 0), 0.0);
  EXPECT_EQ(FormatTimestamp(std::nullopt, DateTimeFromParts(2018, 3, 5, 7, 8, 9)), "2018-03-05 07:08:09");
  EXPECT_EQ(FormatTimestamp(std::nullopt, DateTimeFromParts(2024, 2, 29, 23, 59, 59)), "2024-02-29 23:59:59");
}

std::string LocalNowText(std::time_t t) {
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &t);
#else
  localtime_r(&t, &local);
#endif
  char buffer[32];
  std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &local);
  return buffer;
}

TEST(FormatTimestamp, NoInputsGiveTheCurrentLocalTime) {
  // The clock may tick between the two readings; one of the seconds around the call must match.
  const std::time_t before = std::time(nullptr);
  const Text now = FormatTimestamp();
  const std::time_t after = std::time(nullptr);
  bool matched = false;
  for (std::time_t t = before; t <= after; ++t) matched = matched || now == LocalNowText(t);
  EXPECT_TRUE(matched) << now;
  EXPECT_TRUE(std::regex_match(now, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)"))) << now;
}

TEST(FormatTimestamp, CurrentTimeHasNoFractionOfASecond) {
  const DateTime now = CurrentLocalDateTime();
  const double seconds = now * 86400.0;
  EXPECT_NEAR(seconds, std::round(seconds), 1e-3);
}

TEST(FormatTimestamp, IsSafeOnSeveralThreadsAtOnce) {
  std::vector<std::thread> threads;
  std::vector<int> wrong(8, 0);
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([t, &wrong] {
      for (int i = 0; i < 2000; ++i) {
        if (FormatTimestamp(4, kSample) != "07:08:09") ++wrong[t];
        if (FormatTimestamp().size() != 19) ++wrong[t];
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (int count : wrong) EXPECT_EQ(count, 0);
}

}  // namespace
}  // namespace pubg
