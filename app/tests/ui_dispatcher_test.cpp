// Worker writes reach the UI thread in the order made, with one wake-up per batch, and nothing
// gets through once the window has begun closing.
#include "app/ui_dispatcher.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "app/app_messages.h"
#include "app/tests/message_pump.h"

namespace pubg {
namespace {

using test::MessageWindow;
using test::PumpUntil;

int QueuedWakeUps(HWND window) {
  int count = 0;
  MSG message;
  while (::PeekMessageW(&message, window, kApplyQueuedWritesMessage, kApplyQueuedWritesMessage, PM_REMOVE)) ++count;
  return count;
}

std::vector<UiWrite> TakeAll(UiDispatcher& dispatcher) {
  std::vector<UiWrite> applied;
  dispatcher.ApplyQueued([&](const UiWrite& write) { applied.push_back(write); });
  return applied;
}

TEST(UiDispatcher, CarriesEachKindOfWriteUnchanged) {
  MessageWindow window;
  UiDispatcher dispatcher(window.Handle(), kApplyQueuedWritesMessage);
  dispatcher.SetTimerPeriod(0);
  dispatcher.SetCaption(CheckLabel::State, "\xD5\xFD\xB3\xA3");  // 正常
  dispatcher.SetBackgroundColour(CheckLabel::State, 0x339966);
  dispatcher.SetTextColour(CheckLabel::State, 0xFFFFFF);
  dispatcher.SetCaption(CheckLabel::PlayerCount, "1,234");
  dispatcher.SetCaption(CheckLabel::UpdateTime, "");
  dispatcher.SetTimerPeriod(30000);

  const std::vector<UiWrite> applied = TakeAll(dispatcher);
  ASSERT_EQ(applied.size(), 7u);
  EXPECT_EQ(applied[0].kind, UiWrite::Kind::TimerPeriod);
  EXPECT_EQ(applied[0].periodMs, 0);
  EXPECT_EQ(applied[1].kind, UiWrite::Kind::Caption);
  EXPECT_EQ(applied[1].label, CheckLabel::State);
  EXPECT_EQ(applied[1].caption, "\xD5\xFD\xB3\xA3");
  EXPECT_EQ(applied[2].kind, UiWrite::Kind::BackgroundColour);
  EXPECT_EQ(applied[2].colour, 0x339966u);
  EXPECT_EQ(applied[3].kind, UiWrite::Kind::TextColour);
  EXPECT_EQ(applied[3].colour, 0xFFFFFFu);
  EXPECT_EQ(applied[4].label, CheckLabel::PlayerCount);
  EXPECT_EQ(applied[4].caption, "1,234");
  EXPECT_EQ(applied[5].label, CheckLabel::UpdateTime);
  EXPECT_EQ(applied[5].caption, "");
  EXPECT_EQ(applied[6].periodMs, 30000);
}

TEST(UiDispatcher, PostsOneWakeUpPerBatch) {
  MessageWindow window;
  UiDispatcher dispatcher(window.Handle(), kApplyQueuedWritesMessage);
  for (int i = 0; i < 5; ++i) dispatcher.SetTimerPeriod(i);
  EXPECT_EQ(QueuedWakeUps(window.Handle()), 1);
  EXPECT_EQ(TakeAll(dispatcher).size(), 5u);
  // Once drained, the next write needs a wake-up of its own.
  dispatcher.SetTimerPeriod(7);
  EXPECT_EQ(QueuedWakeUps(window.Handle()), 1);
  EXPECT_EQ(TakeAll(dispatcher).size(), 1u);
  EXPECT_EQ(QueuedWakeUps(window.Handle()), 0);
}

TEST(UiDispatcher, KeepsEachWorkersOrderWhileTheUiThreadApplies) {
  constexpr int kWorkers = 4;
  constexpr int kWritesEach = 500;
  std::vector<std::vector<int>> seen(kWorkers);
  std::size_t total = 0;
  std::shared_ptr<UiDispatcher> dispatcher;
  MessageWindow window([&](UINT message) {
    if (message != kApplyQueuedWritesMessage) return;
    dispatcher->ApplyQueued([&](const UiWrite& write) {
      // Each period names its worker and its place in that worker's sequence.
      seen[static_cast<std::size_t>(write.periodMs / kWritesEach)].push_back(write.periodMs % kWritesEach);
      ++total;
    });
  });
  dispatcher = std::make_shared<UiDispatcher>(window.Handle(), kApplyQueuedWritesMessage);

  std::vector<std::thread> workers;
  for (int worker = 0; worker < kWorkers; ++worker) {
    workers.emplace_back([dispatcher, worker] {
      for (int i = 0; i < kWritesEach; ++i) dispatcher->SetTimerPeriod(worker * kWritesEach + i);
    });
  }
  const bool allArrived = PumpUntil([&] { return total == static_cast<std::size_t>(kWorkers * kWritesEach); });
  for (auto& worker : workers) worker.join();
  ASSERT_TRUE(allArrived) << total << " writes arrived";

  std::vector<int> inOrder(kWritesEach);
  for (int i = 0; i < kWritesEach; ++i) inOrder[static_cast<std::size_t>(i)] = i;
  for (int worker = 0; worker < kWorkers; ++worker) EXPECT_EQ(seen[static_cast<std::size_t>(worker)], inOrder);
}

TEST(UiDispatcher, DropsQueuedAndLaterWritesOnceClosed) {
  MessageWindow window;
  UiDispatcher dispatcher(window.Handle(), kApplyQueuedWritesMessage);
  EXPECT_TRUE(dispatcher.IsOpen());
  dispatcher.SetCaption(CheckLabel::State, "queued");
  dispatcher.Close();
  dispatcher.SetCaption(CheckLabel::State, "later");
  EXPECT_FALSE(dispatcher.IsOpen());
  EXPECT_TRUE(TakeAll(dispatcher).empty());
}

TEST(UiDispatcher, KeepsTheWritesWhenTheWakeUpCannotBePosted) {
  HWND gone = nullptr;
  {
    MessageWindow window;
    gone = window.Handle();
  }
  UiDispatcher dispatcher(gone, kApplyQueuedWritesMessage);
  dispatcher.SetCaption(CheckLabel::State, "first");
  dispatcher.SetCaption(CheckLabel::State, "second");
  const std::vector<UiWrite> applied = TakeAll(dispatcher);
  ASSERT_EQ(applied.size(), 2u);
  EXPECT_EQ(applied[0].caption, "first");
  EXPECT_EQ(applied[1].caption, "second");
}

}  // namespace
}  // namespace pubg
