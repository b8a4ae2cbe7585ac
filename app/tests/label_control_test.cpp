// A label paints itself: its background, its caption in its colour and alignment, nothing more.
// Rendered through WM_PRINTCLIENT into a memory bitmap, the way the paint routine is shared.
#include "app/label_control.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/tests/message_pump.h"
#include "support/win32_handles.h"

namespace pubg {
namespace {

using namespace std::string_view_literals;
using test::MessageWindow;

constexpr Colour kGrey = 0x606060;
constexpr Colour kBoxGrey = 0xECECEC;
constexpr Colour kWhite = 0xFFFFFF;
constexpr Colour kGreen = 0x339966;
constexpr int kCaptionFont = 21;
constexpr int kNoticeFont = 16;

// The label's pixels as Colour values, rendered by its own paint routine.
class Rendering {
 public:
  explicit Rendering(const LabelControl& label) {
    RECT client;
    ::GetClientRect(label.Handle(), &client);
    width_ = client.right;
    height_ = client.bottom;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    ScopedWindowDc screen(nullptr);
    UniqueMemoryDc memory(::CreateCompatibleDC(screen.get()));
    void* bits = nullptr;
    UniqueBitmap bitmap(::CreateDIBSection(memory.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    {
      ScopedSelectObject select(memory.get(), bitmap.get());
      ::SendMessageW(label.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory.get()), PRF_CLIENT);
    }
    ::GdiFlush();
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    for (int i = 0; i < width_ * height_; ++i) {
      const std::uint32_t bgra = pixels[i];
      pixels_.push_back((bgra & 0xFF) << 16 | (bgra & 0xFF00) | (bgra >> 16 & 0xFF));  // to 0x00BBGGRR
    }
  }

  int Count(Colour colour) const { return static_cast<int>(std::count(pixels_.begin(), pixels_.end(), colour)); }
  int Total() const { return static_cast<int>(pixels_.size()); }
  // Pixels other than the background: the caption's ink.
  int Ink(Colour background) const { return Total() - Count(background); }
  RECT InkBounds(Colour background) const {
    RECT bounds{width_, height_, -1, -1};
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) {
        if (pixels_[static_cast<std::size_t>(y * width_ + x)] == background) continue;
        bounds.left = std::min<LONG>(bounds.left, x);
        bounds.top = std::min<LONG>(bounds.top, y);
        bounds.right = std::max<LONG>(bounds.right, x + 1);
        bounds.bottom = std::max<LONG>(bounds.bottom, y + 1);
      }
    }
    return bounds;
  }
  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<Colour> pixels_;
};

LabelLayout Layout(int width, int height, HorizontalAlignment horizontal = HorizontalAlignment::Centre,
               bool wordWrap = false, int fontHeight = kCaptionFont) {
  return {LabelName::State, 0, 0, width, height, ""sv, kGrey, kBoxGrey, fontHeight, horizontal,
          VerticalAlignment::Centre, wordWrap, PointerShape::Arrow};
}

// One shown parent for the suite: under Wine without a window manager, destroying a shown
// top-level window waits two seconds for the unmap that never gets confirmed.
class LabelControlTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { parent_ = std::make_unique<MessageWindow>(std::function<void(UINT)>{}, true); }
  static void TearDownTestSuite() { parent_.reset(); }

  std::unique_ptr<LabelControl> MakeLabel(const LabelLayout& layout) {
    auto label = LabelControl::Create(::GetModuleHandleW(nullptr), parent_->Handle(), layout);
    EXPECT_NE(label, nullptr);
    ::ShowWindow(label->Handle(), SW_SHOWNA);
    return label;
  }

  static std::unique_ptr<MessageWindow> parent_;
};
std::unique_ptr<MessageWindow> LabelControlTest::parent_;

TEST_F(LabelControlTest, EmptyCaptionLeavesAPlainBlockOfTheBackground) {
  struct Case {
    Colour background;
    Colour shown;
  };
  const std::vector<Case> cases = {
      {kBoxGrey, kBoxGrey},
      {kGreen, kGreen},
      {0xFF000000, static_cast<Colour>(::GetSysColor(COLOR_BTNFACE))},  // the button face
  };
  auto label = MakeLabel(Layout(155, 32));
  for (const Case& c : cases) {
    label->SetBackgroundColour(c.background);
    const Rendering rendering(*label);
    EXPECT_EQ(rendering.Count(c.shown), rendering.Total()) << std::hex << c.background;
  }
}

TEST_F(LabelControlTest, DrawsTheCaptionInTheTextColourOnTheBackground) {
  auto label = MakeLabel(Layout(155, 32));
  label->SetCaption("\xD5\xFD\xB3\xA3");  // 正常
  label->SetBackgroundColour(kGreen);
  label->SetTextColour(kWhite);
  const Rendering rendering(*label);
  EXPECT_GT(rendering.Count(kWhite), 20);
  EXPECT_GT(rendering.Count(kGreen), rendering.Total() / 2);
}

TEST_F(LabelControlTest, TakesGbkCaptionsAndShowsThemAsWideText) {
  auto label = MakeLabel(Layout(155, 32));
  label->SetCaption("\xCE\xAC\xBB\xA4/\xCD\xA3\xBB\xFA");  // 维护/停机
  wchar_t text[64] = {};
  ::GetWindowTextW(label->Handle(), text, 64);
  EXPECT_EQ(std::wstring(text), L"维护/停机");
  EXPECT_EQ(label->Caption(), "\xCE\xAC\xBB\xA4/\xCD\xA3\xBB\xFA");
}

TEST_F(LabelControlTest, DrawsAnAmpersandAsItIs) {
  // Taken as a prefix, "A&B" would show as "AB" with the B underlined: no wider than "AB".
  auto label = MakeLabel(Layout(155, 32, HorizontalAlignment::Left));
  label->SetCaption("AB");
  const RECT plain = Rendering(*label).InkBounds(kBoxGrey);
  label->SetCaption("A&B");
  const RECT withAmpersand = Rendering(*label).InkBounds(kBoxGrey);
  ASSERT_LT(plain.left, plain.right);
  EXPECT_GT(withAmpersand.right - withAmpersand.left, plain.right - plain.left + 6);
}

TEST_F(LabelControlTest, AlignsItsCaption) {
  struct Case {
    HorizontalAlignment horizontal;
    const char* what;
  };
  constexpr int kSlack = 3;
  for (const Case& c : {Case{HorizontalAlignment::Left, "left"}, Case{HorizontalAlignment::Centre, "centre"},
                        Case{HorizontalAlignment::Right, "right"}}) {
    SCOPED_TRACE(c.what);
    auto label = MakeLabel(Layout(216, 32, c.horizontal));
    label->SetCaption("1,234");
    const Rendering rendering(*label);
    const RECT ink = rendering.InkBounds(kBoxGrey);
    ASSERT_LT(ink.left, ink.right);
    const int leftGap = ink.left;
    const int rightGap = rendering.Width() - ink.right;
    switch (c.horizontal) {
      case HorizontalAlignment::Left: EXPECT_LE(leftGap, kSlack); EXPECT_GT(rightGap, 100); break;
      case HorizontalAlignment::Centre: EXPECT_NEAR(leftGap, rightGap, kSlack); break;
      case HorizontalAlignment::Right: EXPECT_LE(rightGap, kSlack); EXPECT_GT(leftGap, 100); break;
    }
    // Single line, centred vertically.
    EXPECT_NEAR(ink.top, rendering.Height() - ink.bottom, kSlack);
  }
}

TEST_F(LabelControlTest, CutsAWideCaptionAtBothEdgesWhenCentred) {
  auto label = MakeLabel(Layout(155, 32));
  label->SetCaption(std::string(40, 'W'));
  const Rendering rendering(*label);
  const RECT ink = rendering.InkBounds(kBoxGrey);
  EXPECT_EQ(ink.left, 0);
  EXPECT_EQ(ink.right, rendering.Width());
}

TEST_F(LabelControlTest, WrapsTheNoticeFromTheTop) {
  auto label = MakeLabel(Layout(384, 72, HorizontalAlignment::Left, /*wordWrap=*/true, kNoticeFont));
  label->SetCaption("short");
  const RECT oneLine = Rendering(*label).InkBounds(kBoxGrey);
  EXPECT_LE(oneLine.top, 6) << "wrapped text starts at the top, not in the middle";

  std::string words;
  for (int i = 0; i < 40; ++i) words += "notice ";
  label->SetCaption(words);
  const Rendering rendering(*label);
  const RECT ink = rendering.InkBounds(kBoxGrey);
  EXPECT_GT(ink.bottom - ink.top, 2 * kNoticeFont) << "more than one line";
  EXPECT_LE(ink.right, rendering.Width());
}

TEST_F(LabelControlTest, EveryChangeInvalidatesTheWholeLabel) {
  auto label = MakeLabel(Layout(155, 32));
  const std::vector<std::function<void()>> changes = {
      [&] { label->SetCaption("1"); },
      [&] { label->SetTextColour(kWhite); },
      [&] { label->SetBackgroundColour(kGreen); },
  };
  for (std::size_t i = 0; i < changes.size(); ++i) {
    ::ValidateRect(label->Handle(), nullptr);
    changes[i]();
    RECT update{};
    ASSERT_TRUE(::GetUpdateRect(label->Handle(), &update, FALSE)) << "change " << i;
    EXPECT_EQ(update.right - update.left, 155) << "change " << i;
    EXPECT_EQ(update.bottom - update.top, 32) << "change " << i;
  }
}

TEST_F(LabelControlTest, RaisesItsDoubleClick) {
  auto label = MakeLabel(Layout(29, 29));
  int doubleClicks = 0;
  label->onDoubleClick = [&] { ++doubleClicks; };
  ::SendMessageW(label->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  EXPECT_EQ(doubleClicks, 0);
  ::SendMessageW(label->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(3, 3));
  EXPECT_EQ(doubleClicks, 1);
}

}  // namespace
}  // namespace pubg
