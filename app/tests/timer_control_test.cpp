// 时钟1's period rules, and its ticks on the thread that owns it.
#include "app/timer_control.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/tests/message_pump.h"

namespace pubg {
namespace {

using test::MessageWindow;
using test::PumpFor;
using test::PumpUntil;

class TimerControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    timer_ = TimerControl::Create(::GetModuleHandleW(nullptr), parent_.Handle(), [this] { ++ticks_; });
    ASSERT_NE(timer_, nullptr);
  }

  MessageWindow parent_;
  std::unique_ptr<TimerControl> timer_;
  int ticks_ = 0;
};

TEST_F(TimerControlTest, IsAHiddenChildThatStartsStopped) {
  EXPECT_EQ(::GetParent(timer_->Handle()), parent_.Handle());
  EXPECT_FALSE(::IsWindowVisible(timer_->Handle()));
  EXPECT_EQ(timer_->Period(), 0);
  EXPECT_FALSE(timer_->Running());
}

TEST_F(TimerControlTest, FollowsThePeriodRules) {
  struct Step {
    std::int32_t write;
    std::int32_t period;
    bool running;
  };
  const std::vector<Step> steps = {
      {-5, 0, false},      {0, 0, false},       {30000, 30000, true}, {30000, 30000, true},
      {0, 0, false},       {250, 250, true},    {-1, 0, false},       {INT32_MAX, INT32_MAX, true},
      {INT32_MIN, 0, false},
  };
  for (const Step& step : steps) {
    timer_->SetPeriod(step.write);
    EXPECT_EQ(timer_->Period(), step.period) << "after writing " << step.write;
    EXPECT_EQ(timer_->Running(), step.running) << "after writing " << step.write;
  }
}

TEST_F(TimerControlTest, TicksAgainAndAgainAtItsPeriod) {
  timer_->SetPeriod(20);
  EXPECT_TRUE(PumpUntil([&] { return ticks_ >= 3; }));
  EXPECT_EQ(timer_->Period(), 20) << "a tick keeps the period";
}

TEST_F(TimerControlTest, WritingTheSamePeriodLetsTheCountdownRunOn) {
  // Rewritten far more often than it expires: a restart on every write would never let it tick.
  constexpr std::int32_t kPeriodMs = 200;
  timer_->SetPeriod(kPeriodMs);
  EXPECT_TRUE(PumpUntil([&] {
    timer_->SetPeriod(kPeriodMs);
    return ticks_ > 0;
  }));
}

TEST_F(TimerControlTest, ZeroStopsTheTicks) {
  timer_->SetPeriod(20);
  ASSERT_TRUE(PumpUntil([&] { return ticks_ >= 1; }));
  timer_->SetPeriod(0);
  const int ticksWhenStopped = ticks_;
  PumpFor(std::chrono::milliseconds(300));
  EXPECT_EQ(ticks_, ticksWhenStopped);
}

TEST_F(TimerControlTest, StopsWithItsWindow) {
  timer_->SetPeriod(20);
  ::DestroyWindow(timer_->Handle());
  EXPECT_EQ(timer_->Handle(), nullptr);
  EXPECT_FALSE(timer_->Running());
  PumpFor(std::chrono::milliseconds(100));
  EXPECT_EQ(ticks_, 0);
}

}  // namespace
}  // namespace pubg
