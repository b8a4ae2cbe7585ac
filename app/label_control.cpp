#include "app/label_control.h"

#include "app/wide_text.h"
#include "app/window_instance.h"

namespace pubg {
namespace {

constexpr wchar_t kLabelClassName[] = L"PubgStatusLabel";

bool RegisterLabelClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = nullptr;  // the label paints its own background
  windowClass.lpszClassName = kLabelClassName;
  return ::RegisterClassExW(&windowClass) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

UINT DrawFlagsFor(const LabelLayout& layout) {
  UINT flags = DT_NOPREFIX;  // an "&" is drawn as it is
  switch (layout.horizontal) {
    case HorizontalAlignment::Left: flags |= DT_LEFT; break;
    case HorizontalAlignment::Centre: flags |= DT_CENTER; break;
    case HorizontalAlignment::Right: flags |= DT_RIGHT; break;
  }
  if (layout.wordWrap) {
    // DT_VCENTER does nothing without DT_SINGLELINE: wrapped text starts at the top.
    return flags | DT_WORDBREAK | DT_VCENTER;
  }
  flags |= DT_SINGLELINE;
  switch (layout.vertical) {
    case VerticalAlignment::Top: flags |= DT_TOP; break;
    case VerticalAlignment::Centre: flags |= DT_VCENTER; break;
    case VerticalAlignment::Bottom: flags |= DT_BOTTOM; break;
  }
  return flags;
}

UniqueFont CreateLabelFont(int height) {
  LOGFONTW font{};
  font.lfHeight = -height;
  font.lfWeight = kLabelFontWeight;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfOutPrecision = OUT_DEFAULT_PRECIS;
  font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  font.lfQuality = PROOF_QUALITY;
  font.lfPitchAndFamily = DEFAULT_PITCH;
  const std::wstring face = WideFromGbk(kLabelFaceName);
  face.copy(font.lfFaceName, LF_FACESIZE - 1);
  return UniqueFont(::CreateFontIndirectW(&font));
}

COLORREF ColourRef(Colour colour) {
  return colour == kButtonFaceColour ? ::GetSysColor(COLOR_BTNFACE) : static_cast<COLORREF>(colour);
}

}  // namespace

LabelControl::LabelControl(ConstructionKey, const LabelLayout& layout)
    : name_(layout.name),
      caption_(layout.caption),
      wideCaption_(WideFromGbk(layout.caption)),
      textColour_(layout.textColour),
      backgroundColour_(layout.backgroundColour),
      font_(CreateLabelFont(layout.fontHeight)),
      drawFlags_(DrawFlagsFor(layout)),
      pointer_(layout.pointer) {}

LabelControl::~LabelControl() {
  if (window_) ::DestroyWindow(window_);
}

std::unique_ptr<LabelControl> LabelControl::Create(HINSTANCE instance, HWND parent, const LabelLayout& layout) {
  if (!RegisterLabelClass(instance, &InstanceWindowProc<LabelControl>)) return nullptr;
  auto label = std::make_unique<LabelControl>(ConstructionKey{}, layout);
  // The control id is the label's place in the layout, counted from 1.
  const auto id = static_cast<UINT_PTR>(layout.name) + 1;
  ::CreateWindowExW(0, kLabelClassName, label->wideCaption_.c_str(), WS_CHILD | WS_CLIPSIBLINGS, layout.left,
                    layout.top, layout.width, layout.height, parent, reinterpret_cast<HMENU>(id), instance,
                    label.get());
  if (!label->window_) return nullptr;
  return label;
}

void LabelControl::SetCaption(TextView caption) {
  caption_ = Text(caption);
  wideCaption_ = WideFromGbk(caption_);
  if (!window_) return;
  ::SetWindowTextW(window_, wideCaption_.c_str());
  ::InvalidateRect(window_, nullptr, FALSE);
}

void LabelControl::SetTextColour(Colour colour) {
  textColour_ = colour;
  if (window_) ::InvalidateRect(window_, nullptr, FALSE);
}

void LabelControl::SetBackgroundColour(Colour colour) {
  backgroundColour_ = colour;
  if (window_) ::InvalidateRect(window_, nullptr, FALSE);
}

LRESULT LabelControl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (HandlePaintMessage(window_, message, wParam, [this](HDC dc, const RECT& area) { Paint(dc, area); })) {
    return 0;
  }
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // the paint fills the background itself
    case WM_LBUTTONDBLCLK:
      if (onDoubleClick) onDoubleClick();
      return 0;
    default:
      return ::DefWindowProcW(window_, message, wParam, lParam);
  }
}

void LabelControl::Paint(HDC dc, const RECT& area) const {
  UniqueBrush background(::CreateSolidBrush(ColourRef(backgroundColour_)));
  ::FillRect(dc, &area, background.get());
  if (wideCaption_.empty()) return;

  RECT client;
  ::GetClientRect(window_, &client);
  HGDIOBJ font = font_ ? static_cast<HGDIOBJ>(font_.get()) : ::GetStockObject(DEFAULT_GUI_FONT);
  ScopedSelectObject selectFont(dc, font);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ColourRef(textColour_));
  ::DrawTextW(dc, wideCaption_.c_str(), static_cast<int>(wideCaption_.size()), &client, drawFlags_);
}

}  // namespace pubg
