#include "app/window_layout.h"

namespace pubg {
namespace {

using namespace std::string_view_literals;

constexpr Colour kWhite = 0xFFFFFF;
constexpr Colour kCloseRed = 0x0000FF;        // RGB(255,0,0)
constexpr Colour kTitleGreen = 0x80E000;      // RGB(0,224,128)
constexpr Colour kCaptionGrey = 0x606060;     // RGB(96,96,96)
constexpr Colour kBoxGrey = 0xECECEC;         // RGB(236,236,236)
constexpr Colour kNoticeGrey = 0x808080;      // RGB(128,128,128)

constexpr int kCaptionFontHeight = 21;  // 15.75 pt at 96 DPI
constexpr int kNoticeFontHeight = 16;   // 12 pt at 96 DPI

// Long enough to run past the window's edge whatever happens to its size.
constexpr int kEdgeLineLength = 1000;

constexpr TextView kQuerying = "\xB2\xE9\xD1\xAF\xD6\xD0..."sv;  // 查询中...

using H = HorizontalAlignment;
using V = VerticalAlignment;
using P = PointerShape;

}  // namespace

const TextView kMainWindowTitle =
    "\xB3\xD4\xBC\xA6\xB7\xFE\xCE\xF1\xC6\xF7\xD7\xB4\xCC\xAC\xB2\xE9\xD1\xAF"sv;  // 吃鸡服务器状态查询

const TextView kLabelFaceName = "\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA"sv;  // 微软雅黑

const std::array<LabelLayout, kLabelCount> kLabelLayouts{{
    {LabelName::Close, 381, 1, 29, 29, "X"sv, kWhite, kCloseRed, kCaptionFontHeight, H::Centre, V::Centre, false,
     P::Hand},
    {LabelName::RightEdge, 411, 8, 1, kEdgeLineLength, " "sv, kCaptionGrey, kBoxGrey, kCaptionFontHeight, H::Left,
     V::Centre, false, P::Arrow},
    {LabelName::BottomEdge, 0, 264, kEdgeLineLength, 1, ""sv, kCaptionGrey, kBoxGrey, kCaptionFontHeight, H::Left,
     V::Centre, false, P::Arrow},
    {LabelName::LeftEdge, 0, 0, 1, kEdgeLineLength, " "sv, kCaptionGrey, kBoxGrey, kCaptionFontHeight, H::Left,
     V::Centre, false, P::Arrow},
    {LabelName::Time, 15, 136, 384, 32, kQuerying, kCaptionGrey, kBoxGrey, kCaptionFontHeight, H::Centre, V::Centre,
     false, P::Hand},
    // " 吃鸡服务器状态查询": the title with one leading space
    {LabelName::Title, 0, 0, 420, 32, " \xB3\xD4\xBC\xA6\xB7\xFE\xCE\xF1\xC6\xF7\xD7\xB4\xCC\xAC\xB2\xE9\xD1\xAF"sv,
     kWhite, kTitleGreen, kCaptionFontHeight, H::Left, V::Centre, false, P::Arrow},
    // "    若服务器状态异常，所有网吧将无法进入游戏，可能官方出现故障或者在维护，稍等就好，这不是本网吧的问题。"
    // Start-up replaces it before the window is first shown.
    {LabelName::Notice, 15, 180, 384, 72,
     "    \xC8\xF4\xB7\xFE\xCE\xF1\xC6\xF7\xD7\xB4\xCC\xAC\xD2\xEC\xB3\xA3\xA3\xAC\xCB\xF9\xD3\xD0\xCD\xF8\xB0\xC9"
     "\xBD\xAB\xCE\xDE\xB7\xA8\xBD\xF8\xC8\xEB\xD3\xCE\xCF\xB7\xA3\xAC\xBF\xC9\xC4\xDC\xB9\xD9\xB7\xBD\xB3\xF6\xCF"
     "\xD6\xB9\xCA\xD5\xCF\xBB\xF2\xD5\xDF\xD4\xDA\xCE\xAC\xBB\xA4\xA3\xAC\xC9\xD4\xB5\xC8\xBE\xCD\xBA\xC3\xA3\xAC"
     "\xD5\xE2\xB2\xBB\xCA\xC7\xB1\xBE\xCD\xF8\xB0\xC9\xB5\xC4\xCE\xCA\xCC\xE2\xA1\xA3"sv,
     kNoticeGrey, kBoxGrey, kNoticeFontHeight, H::Left, V::Top, true, P::Arrow},
    {LabelName::PlayerCount, 244, 90, 155, 32, kQuerying, kCaptionGrey, kBoxGrey, kCaptionFontHeight, H::Centre,
     V::Centre, false, P::Arrow},
    // " 吃鸡服务器在线人数："
    {LabelName::CountCaption, 15, 90, 216, 32,
     " \xB3\xD4\xBC\xA6\xB7\xFE\xCE\xF1\xC6\xF7\xD4\xDA\xCF\xDF\xC8\xCB\xCA\xFD\xA3\xBA"sv, kCaptionGrey, kBoxGrey,
     kCaptionFontHeight, H::Left, V::Centre, false, P::Arrow},
    {LabelName::State, 244, 42, 155, 32, kQuerying, kCaptionGrey, kBoxGrey, kCaptionFontHeight, H::Centre, V::Centre,
     false, P::Arrow},
    // " 吃鸡服务器当前状态："
    {LabelName::StateCaption, 15, 42, 216, 32,
     " \xB3\xD4\xBC\xA6\xB7\xFE\xCE\xF1\xC6\xF7\xB5\xB1\xC7\xB0\xD7\xB4\xCC\xAC\xA3\xBA"sv, kCaptionGrey, kBoxGrey,
     kCaptionFontHeight, H::Left, V::Centre, false, P::Arrow},
}};

const LabelLayout& LayoutOf(LabelName name) {
  for (const LabelLayout& layout : kLabelLayouts) {
    if (layout.name == name) return layout;
  }
  return kLabelLayouts.front();  // unreachable: every name has a row
}

}  // namespace pubg
