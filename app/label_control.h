#pragma once
// A label: a child window that fills itself with one colour and draws one caption.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "app/window_layout.h"
#include "status/text.h"
#include "support/win32_handles.h"

namespace pubg {

// Created, changed, painted and destroyed on the UI thread only.
class LabelControl {
  struct ConstructionKey {};

 public:
  // Creates the label hidden as a child of `parent`; null when the window cannot be created.
  static std::unique_ptr<LabelControl> Create(HINSTANCE instance, HWND parent, const LabelLayout& layout);
  ~LabelControl();

  LabelControl(const LabelControl&) = delete;
  LabelControl& operator=(const LabelControl&) = delete;

  HWND Handle() const { return window_; }
  LabelName Name() const { return name_; }
  PointerShape Pointer() const { return pointer_; }

  // Each change invalidates the whole label without erasing: the paint fills its own background.
  void SetCaption(TextView caption);
  void SetTextColour(Colour colour);
  void SetBackgroundColour(Colour colour);

  const Text& Caption() const { return caption_; }
  Colour TextColour() const { return textColour_; }
  Colour BackgroundColour() const { return backgroundColour_; }

  // Raised on a left-button double-click (the class asks for double-clicks).
  std::function<void()> onDoubleClick;

  LabelControl(ConstructionKey, const LabelLayout& layout);

 private:
  template <typename Owner>
  friend LRESULT CALLBACK InstanceWindowProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // WM_PAINT and WM_PRINTCLIENT both draw through here.
  void Paint(HDC dc, const RECT& area) const;

  HWND window_ = nullptr;
  LabelName name_;
  Text caption_;
  std::wstring wideCaption_;
  Colour textColour_;
  Colour backgroundColour_;
  UniqueFont font_;
  UINT drawFlags_;
  PointerShape pointer_;
};

}  // namespace pubg
