#pragma once
// The fixed look of the main window: its size, title and the eleven labels.
#include <array>
#include <cstddef>

#include "status/text.h"

namespace pubg {

constexpr int kMainWindowWidth = 412;
constexpr int kMainWindowHeight = 265;
constexpr Colour kMainWindowBackground = 0xFFFFFF;

// "吃鸡服务器状态查询", the title on the taskbar button.
extern const TextView kMainWindowTitle;

// Stands for the system's button-face colour (COLOR_BTNFACE) in a label's background.
constexpr Colour kButtonFaceColour = 0xFF000000;

// The labels by their names in the window data.
enum class LabelName {
  Close,         // 标签5_关闭: the red close box
  RightEdge,     // 标签_右边线
  BottomEdge,    // 标签_下边线
  LeftEdge,      // 标签_左边线
  Time,          // 标签6_Time: the update line
  Title,         // 标签4: the green title strip
  Notice,        // 标签2_提示: the operator's notice
  PlayerCount,   // 标签3_userCount
  CountCaption,  // 标签3
  State,         // 标签3_State
  StateCaption,  // 标签1
};
constexpr std::size_t kLabelCount = 11;

enum class HorizontalAlignment { Left, Centre, Right };
enum class VerticalAlignment { Top, Centre, Bottom };
enum class PointerShape { Arrow, Hand };

struct LabelLayout {
  LabelName name;
  int left, top, width, height;  // in the main window's client coordinates
  TextView caption;              // GBK, as created
  Colour textColour;
  Colour backgroundColour;
  int fontHeight;                // pixels; the font is made with lfHeight = -fontHeight
  HorizontalAlignment horizontal;
  VerticalAlignment vertical;    // only without word wrap
  bool wordWrap;
  PointerShape pointer;
};

// From the top of the z-order down. The hidden timer window sits between the left edge line and
// the time label (kTimerZOrderSlot counts the labels above it).
extern const std::array<LabelLayout, kLabelCount> kLabelLayouts;
constexpr std::size_t kTimerZOrderSlot = 4;

const LabelLayout& LayoutOf(LabelName name);

// The labels' face, "微软雅黑" (Microsoft YaHei), and weight.
extern const TextView kLabelFaceName;
constexpr int kLabelFontWeight = 700;

}  // namespace pubg
