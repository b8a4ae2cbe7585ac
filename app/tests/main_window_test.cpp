// The main window in this process: the order of its start, its icons, the move and Esc rules as
// the message loop applies them, the pointer, and worker writes arriving through its dispatcher.
#include "app/main_window.h"

#include <gtest/gtest.h>
#include <windowsx.h>

#include <array>
#include <thread>
#include <vector>

#include "app/tests/message_pump.h"

namespace pubg {
namespace {

using test::PumpUntil;

std::wstring TextOf(HWND window) {
  wchar_t text[256] = {};
  ::GetWindowTextW(window, text, 256);
  return text;
}

// The child whose rectangle is the one the layout gives the label.
HWND LabelWindow(HWND main, LabelName name) {
  const LabelLayout& layout = LayoutOf(name);
  for (HWND child = ::GetWindow(main, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    RECT rect;
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&rect), 2);
    if (rect.left == layout.left && rect.top == layout.top && rect.right - rect.left == layout.width &&
        rect.bottom - rect.top == layout.height) {
      return child;
    }
  }
  return nullptr;
}

SIZE IconSize(HICON icon) {
  ICONINFO info{};
  if (!::GetIconInfo(icon, &info)) return {};
  BITMAP bitmap{};
  ::GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
  if (info.hbmColor) ::DeleteObject(info.hbmColor);
  if (info.hbmMask) ::DeleteObject(info.hbmMask);
  return {bitmap.bmWidth, info.hbmColor ? bitmap.bmHeight : bitmap.bmHeight / 2};
}

// Holds the given keys down for this thread, as GetKeyState will report them.
void HoldKeys(const std::vector<int>& keys) {
  std::array<BYTE, 256> state{};
  for (int key : keys) state[static_cast<std::size_t>(key)] = 0x80;
  ::SetKeyboardState(state.data());
}

MSG Message(HWND window, UINT message, WPARAM wParam = 0, POINT at = {}) {
  MSG msg{};
  msg.hwnd = window;
  msg.message = message;
  msg.wParam = wParam;
  msg.pt = at;
  return msg;
}

// The move the window posted to itself, taken off the queue so that no move loop runs.
bool TakePostedMove(HWND window, LPARAM* point) {
  MSG posted;
  if (!::PeekMessageW(&posted, window, WM_NCLBUTTONDOWN, WM_NCLBUTTONDOWN, PM_REMOVE)) return false;
  *point = posted.lParam;
  return posted.wParam == HTCAPTION;
}

// A main window with its events counted.
struct LiveWindow {
  LiveWindow() {
    HoldKeys({});
    MainWindowEvents events;
    events.windowCreated = [this](MainWindow& created) {
      ++createdEvents;
      shownAtCreation = ::IsWindowVisible(created.Handle()) != FALSE;
      for (HWND child = ::GetWindow(created.Handle(), GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (::GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE) ++labelsShownAtCreation;
      }
      created.SetCaption(LabelName::Notice, "  start-up");
    };
    events.timerTick = [this] { ++ticks; };
    events.closeDoubleClicked = [this] { ++closeDoubleClicks; };
    events.timeLabelClicked = [this] { ++timeClicks; };
    window = MainWindow::Create(::GetModuleHandleW(nullptr), std::move(events));
  }
  ~LiveWindow() { HoldKeys({}); }

  std::unique_ptr<MainWindow> window;
  int createdEvents = 0;
  bool shownAtCreation = true;
  int labelsShownAtCreation = 0;
  int ticks = 0;
  int closeDoubleClicks = 0;
  int timeClicks = 0;
};

// One window for the whole suite: under Wine without a window manager, destroying a shown
// top-level window waits two seconds for the unmap that never gets confirmed.
class MainWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { live_ = std::make_unique<LiveWindow>(); }
  static void TearDownTestSuite() { live_.reset(); }
  void SetUp() override {
    ASSERT_NE(live_->window, nullptr);
    HoldKeys({});
  }

  static HWND Main() { return live_->window->Handle(); }
  static MainWindow& Window() { return *live_->window; }

  static std::unique_ptr<LiveWindow> live_;
};
std::unique_ptr<LiveWindow> MainWindowTest::live_;

// Tests that close their window get one of their own.
class MainWindowClosingTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(live_.window, nullptr); }
  HWND Main() const { return live_.window->Handle(); }
  MainWindow& Window() { return *live_.window; }

  LiveWindow live_;
};

TEST_F(MainWindowTest, RaisesWindowCreatedOnceWithItsLabelsShownAndItselfNotYet) {
  EXPECT_EQ(live_->createdEvents, 1);
  EXPECT_FALSE(live_->shownAtCreation);
  EXPECT_EQ(live_->labelsShownAtCreation, static_cast<int>(kLabelCount)) << "every label, not the timer";
  EXPECT_TRUE(::IsWindowVisible(Main()));
  EXPECT_EQ(TextOf(LabelWindow(Main(), LabelName::Notice)), L"  start-up");
}

TEST_F(MainWindowTest, CarriesTheIconAtBothSizes) {
  const auto large = reinterpret_cast<HICON>(::SendMessageW(Main(), WM_GETICON, ICON_BIG, 0));
  const auto small = reinterpret_cast<HICON>(::SendMessageW(Main(), WM_GETICON, ICON_SMALL, 0));
  ASSERT_NE(large, nullptr);
  ASSERT_NE(small, nullptr);
  EXPECT_EQ(IconSize(large).cx, 32);
  EXPECT_EQ(IconSize(large).cy, 32);
  EXPECT_EQ(IconSize(small).cx, 16);
  EXPECT_EQ(IconSize(small).cy, 16);
}

TEST_F(MainWindowTest, APressOnALabelIsConsumedAndStartsAMove) {
  const POINT at{500, 400};
  for (LabelName name : {LabelName::State, LabelName::Close, LabelName::Time, LabelName::Title}) {
    SCOPED_TRACE(static_cast<int>(name));
    EXPECT_TRUE(Window().PreDispatch(Message(LabelWindow(Main(), name), WM_LBUTTONDOWN, MK_LBUTTON, at)));
    LPARAM point = 0;
    ASSERT_TRUE(TakePostedMove(Main(), &point));
    EXPECT_EQ(GET_X_LPARAM(point), at.x);
    EXPECT_EQ(GET_Y_LPARAM(point), at.y);
  }
}

TEST_F(MainWindowTest, APressOnTheBackgroundGoesOnAndStartsAMove) {
  EXPECT_FALSE(Window().PreDispatch(Message(Main(), WM_LBUTTONDOWN, MK_LBUTTON, {10, 10})));
  LPARAM point = 0;
  EXPECT_TRUE(TakePostedMove(Main(), &point));
}

TEST_F(MainWindowTest, OtherMouseMessagesPassUntouched) {
  HWND state = LabelWindow(Main(), LabelName::State);
  for (UINT message : {WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_MOUSEMOVE}) {
    EXPECT_FALSE(Window().PreDispatch(Message(state, message))) << message;
  }
  LPARAM point = 0;
  EXPECT_FALSE(TakePostedMove(Main(), &point));
}

TEST_F(MainWindowClosingTest, EscapeClosesOnlyWithoutModifiers) {
  struct Case {
    const char* what;
    std::vector<int> held;
    bool closes;
  };
  const std::vector<Case> cases = {
      {"Ctrl", {VK_CONTROL}, false},
      {"Shift", {VK_SHIFT}, false},
      {"Alt", {VK_MENU}, false},
      {"Ctrl+Shift", {VK_CONTROL, VK_SHIFT}, false},
      {"none", {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HoldKeys(c.held);
    EXPECT_EQ(Window().PreDispatch(Message(Main(), WM_KEYDOWN, VK_ESCAPE)), c.closes);
    EXPECT_EQ(::IsWindow(Main()) == FALSE, c.closes);
  }
  EXPECT_FALSE(Window().Dispatcher()->IsOpen()) << "closing closes the way in for workers";
}

TEST_F(MainWindowTest, OtherKeysDoNotClose) {
  for (const MSG& msg : {Message(Main(), WM_KEYUP, VK_ESCAPE), Message(Main(), WM_KEYDOWN, VK_RETURN),
                         Message(Main(), WM_KEYDOWN, 'X')}) {
    EXPECT_FALSE(Window().PreDispatch(msg));
  }
  EXPECT_TRUE(::IsWindow(Main()));
}

TEST_F(MainWindowTest, DoubleClickOnTheCloseBoxOnlyIsRaised) {
  for (LabelName name : {LabelName::State, LabelName::Title, LabelName::Time}) {
    ::SendMessageW(LabelWindow(Main(), name), WM_LBUTTONDBLCLK, MK_LBUTTON, 0);
  }
  EXPECT_EQ(live_->closeDoubleClicks, 0);
  const int before = live_->closeDoubleClicks;
  ::SendMessageW(LabelWindow(Main(), LabelName::Close), WM_LBUTTONDBLCLK, MK_LBUTTON, 0);
  EXPECT_EQ(live_->closeDoubleClicks, before + 1);
}

TEST_F(MainWindowTest, ShowsTheHandOverTheCloseBoxAndTheTimeLineOnly) {
  for (const LabelLayout& layout : kLabelLayouts) {
    SCOPED_TRACE(static_cast<int>(layout.name));
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    const LRESULT answered = ::SendMessageW(Main(), WM_SETCURSOR, reinterpret_cast<WPARAM>(LabelWindow(Main(), layout.name)),
                                            MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    const bool hand = layout.name == LabelName::Close || layout.name == LabelName::Time;
    EXPECT_EQ(answered != FALSE, hand);
    EXPECT_EQ(::GetCursor() == ::LoadCursorW(nullptr, IDC_HAND), hand);
  }
}

TEST_F(MainWindowTest, AppliesWorkerWritesInTheirOrderOnItsOwnThread) {
  std::shared_ptr<UiDispatcher> dispatcher = Window().Dispatcher();
  std::thread worker([dispatcher] {
    dispatcher->SetCaption(CheckLabel::State, "\xD2\xEC\xB3\xA3");  // 异常
    dispatcher->SetCaption(CheckLabel::State, "\xD5\xFD\xB3\xA3");  // 正常: the later write wins
    dispatcher->SetCaption(CheckLabel::PlayerCount, "1,234");
    dispatcher->SetCaption(CheckLabel::UpdateTime, "\xB8\xFC\xD0\xC2");  // 更新
    dispatcher->SetTimerPeriod(20);
  });
  worker.join();
  EXPECT_EQ(TextOf(LabelWindow(Main(), LabelName::State)), L"查询中...") << "nothing applied off the UI thread";
  ASSERT_TRUE(PumpUntil([&] { return live_->ticks > 0; })) << "the period reached the timer";
  Window().SetTimerPeriod(0);
  EXPECT_EQ(TextOf(LabelWindow(Main(), LabelName::State)), L"正常");
  EXPECT_EQ(TextOf(LabelWindow(Main(), LabelName::PlayerCount)), L"1,234");
  EXPECT_EQ(TextOf(LabelWindow(Main(), LabelName::Time)), L"更新");
}

TEST_F(MainWindowClosingTest, DropsWorkerWritesOnceClosing) {
  std::shared_ptr<UiDispatcher> dispatcher = Window().Dispatcher();
  dispatcher->SetCaption(CheckLabel::State, "late");
  ::SendMessageW(Main(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(::IsWindow(Main()));
  EXPECT_FALSE(dispatcher->IsOpen());
  MSG quit;
  EXPECT_TRUE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the last window gone ends the loop";
  dispatcher->SetCaption(CheckLabel::State, "later");
  // What is left in the queue is handled without touching the labels, which are gone.
  test::PumpFor(std::chrono::milliseconds(50));
}

}  // namespace
}  // namespace pubg
