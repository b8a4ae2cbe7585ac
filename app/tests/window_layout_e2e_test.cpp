// The window as a user first sees it: place, frame, labels, z-order, colours on the screen.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/tests/program_under_test.h"
#include "status/tests/loopback_control.h"

namespace pubg::e2e {
namespace {

using testing_support::ServeNext;

constexpr int kWidth = 412;
constexpr int kHeight = 265;
constexpr wchar_t kLabelClass[] = L"PubgStatusLabel";
constexpr wchar_t kTimerClass[] = L"PubgStatusTimer";

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kTitleGreen = 0x80E000;  // RGB(0,224,128)
constexpr std::uint32_t kCloseRed = 0x0000FF;    // RGB(255,0,0)
constexpr std::uint32_t kBoxGrey = 0xECECEC;
constexpr std::uint32_t kCaptionGrey = 0x606060;
constexpr std::uint32_t kNoticeGrey = 0x808080;

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, 64);
  return name;
}

std::wstring TextOf(HWND window) {
  wchar_t text[1024] = {};
  ::GetWindowTextW(window, text, 1024);
  return text;
}

RECT ClientRectOf(HWND child, HWND parent) {
  RECT rect;
  ::GetWindowRect(child, &rect);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

std::vector<HWND> ChildrenTopDown(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

// The GBK config.ini of the layout run: MsgTxt=欢迎光临, and a check that never ends.
const std::string kWelcomeConfig =
    "[config]\r\nCheckTime=0\r\nlogFlag=0\r\nMsgTxt=\xBB\xB6\xD3\xAD\xB9\xE2\xC1\xD9\r\n";  // 欢迎光临

class WindowLayoutTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The first check stalls at the server, so the labels keep the captions they were built with.
    ServeNext(ServerPort(), "mode=stall");
    program_ = std::make_unique<ProgramUnderTest>(L"layout.exe", kWelcomeConfig);
    ASSERT_TRUE(program_->Start());
  }
  static void TearDownTestSuite() {
    program_.reset();
    ServeNext(ServerPort(), "mode=page&file=normal.html");
  }
  static std::unique_ptr<ProgramUnderTest> program_;
};
std::unique_ptr<ProgramUnderTest> WindowLayoutTest::program_;

TEST_F(WindowLayoutTest, IsABorderlessPanelCentredOnThePrimaryScreen) {
  HWND window = program_->Window();
  EXPECT_EQ(TextOf(window), L"吃鸡服务器状态查询");

  RECT rect;
  ::GetWindowRect(window, &rect);
  const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
  EXPECT_EQ(rect.right - rect.left, kWidth);
  EXPECT_EQ(rect.bottom - rect.top, kHeight);
  EXPECT_EQ(rect.left, (screenWidth - kWidth) / 2);
  EXPECT_EQ(rect.top, (screenHeight - kHeight) / 2);
  if (screenWidth == 1280 && screenHeight == 1024) {
    EXPECT_EQ(rect.left, 434);
    EXPECT_EQ(rect.top, 379);
  }

  RECT client;
  ::GetClientRect(window, &client);
  EXPECT_EQ(client.right, kWidth) << "no frame: the client area is the whole window";
  EXPECT_EQ(client.bottom, kHeight);

  const LONG style = ::GetWindowLongW(window, GWL_STYLE);
  EXPECT_EQ(style & ~WS_VISIBLE, WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_MINIMIZEBOX);
  EXPECT_EQ(::GetWindow(window, GW_OWNER), nullptr);
  EXPECT_EQ(::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
}

TEST_F(WindowLayoutTest, HoldsElevenLabelsAndTheHiddenTimerInZOrder) {
  struct Expected {
    std::wstring className;
    Label label;  // ignored for the timer
    std::wstring caption;
  };
  const std::vector<Expected> topDown = {
      {kLabelClass, Label::Close, L"X"},
      {kLabelClass, Label::RightEdge, L" "},
      {kLabelClass, Label::BottomEdge, L""},
      {kLabelClass, Label::LeftEdge, L" "},
      {kTimerClass, Label::Close, L""},
      {kLabelClass, Label::Time, L"查询中..."},
      {kLabelClass, Label::Title, L" 吃鸡服务器状态查询"},
      {kLabelClass, Label::Notice, L"  欢迎光临"},
      {kLabelClass, Label::PlayerCount, L"查询中..."},
      {kLabelClass, Label::CountCaption, L" 吃鸡服务器在线人数："},
      {kLabelClass, Label::State, L"查询中..."},
      {kLabelClass, Label::StateCaption, L" 吃鸡服务器当前状态："},
  };
  const std::vector<HWND> children = ChildrenTopDown(program_->Window());
  ASSERT_EQ(children.size(), topDown.size());
  for (std::size_t i = 0; i < children.size(); ++i) {
    SCOPED_TRACE("child " + std::to_string(i + 1) + " from the top");
    HWND child = children[i];
    const Expected& expected = topDown[i];
    EXPECT_EQ(ClassOf(child), expected.className);
    if (expected.className == kTimerClass) {
      EXPECT_FALSE(::IsWindowVisible(child));
      continue;
    }
    const RECT want = ExpectedRect(expected.label);
    const RECT got = ClientRectOf(child, program_->Window());
    EXPECT_EQ(got.left, want.left);
    EXPECT_EQ(got.top, want.top);
    EXPECT_EQ(got.right, want.right);
    EXPECT_EQ(got.bottom, want.bottom);
    EXPECT_EQ(TextOf(child), expected.caption);
    EXPECT_TRUE(::IsWindowVisible(child));
    EXPECT_TRUE(::IsWindowEnabled(child));
    EXPECT_EQ(static_cast<DWORD>(::GetWindowLongW(child, GWL_STYLE)), static_cast<DWORD>(WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE));
    EXPECT_EQ(::GetWindowLongW(child, GWL_EXSTYLE), 0);
  }
}

TEST_F(WindowLayoutTest, ClassesAskForDoubleClicksAndPaintTheirOwnBackground) {
  for (HWND window : {program_->Window(), program_->LabelWindow(Label::State)}) {
    SCOPED_TRACE(ClassOf(window));
    EXPECT_EQ(::GetClassLongW(window, GCL_STYLE), CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS);
    EXPECT_EQ(::GetClassLongPtrW(window, GCLP_HBRBACKGROUND), 0);
  }
}

TEST_F(WindowLayoutTest, ScreenShowsTheColoursOfTheLayout) {
  HWND window = program_->Window();
  ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  WindowPicture picture(window);
  ASSERT_TRUE(picture.Valid());
  picture.Save(ArtifactPath(L"layout.bmp"));

  struct Probe {
    const char* what;
    int x, y;
    std::uint32_t colour;
  };
  const std::vector<Probe> probes = {
      {"title strip right of the title", 300, 3, kTitleGreen},
      {"title strip under the right edge's start", 411, 3, kTitleGreen},
      {"right edge drawn over the title strip", 411, 10, kBoxGrey},
      {"left edge drawn over the title strip", 0, 10, kBoxGrey},
      {"close box corner", 383, 3, kCloseRed},
      {"white between title and first row", 100, 37, kWhite},
      {"white right of the value boxes", 405, 100, kWhite},
      {"white between notice and bottom", 100, 258, kWhite},
      {"left edge", 0, 200, kBoxGrey},
      {"right edge", 411, 200, kBoxGrey},
      {"bottom edge", 200, 264, kBoxGrey},
      {"state caption box corner", 17, 44, kBoxGrey},
      {"state value box corner", 246, 44, kBoxGrey},
      {"notice box corner", 397, 250, kBoxGrey},
  };
  for (const Probe& probe : probes) {
    EXPECT_EQ(picture.At(probe.x, probe.y), probe.colour)
        << probe.what << " at (" << probe.x << "," << probe.y << ")";
  }

  struct Glyphs {
    const char* what;
    RECT area;
    std::uint32_t textColour;
  };
  const std::vector<Glyphs> glyphs = {
      {"white X in the close box", ExpectedRect(Label::Close), kWhite},
      {"white title", RECT{1, 0, 380, 32}, kWhite},
      {"grey state caption", ExpectedRect(Label::StateCaption), kCaptionGrey},
      {"grey notice", ExpectedRect(Label::Notice), kNoticeGrey},
  };
  for (const Glyphs& text : glyphs) {
    EXPECT_GT(picture.Count(text.area, text.textColour), 10) << text.what;
  }
}

}  // namespace
}  // namespace pubg::e2e
