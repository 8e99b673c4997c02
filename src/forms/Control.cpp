#include "forms/Control.h"

#include "forms/Form.h"
#include "forms/Text.h"

namespace forms {

TControl::TControl(TForm& parent, std::string name, int id) : TComponent(std::move(name)), parent_(parent), id_(id) {
    parent_.controls_.push_back(this);
}

void TControl::SetLeft(int left) {
    left_ = left;
    ApplyBounds();
}

void TControl::SetTop(int top) {
    top_ = top;
    ApplyBounds();
}

void TControl::SetSize(int width, int height) {
    // Most refreshes change a figure for one of the same width: moving a
    // window to where it already is still costs a round of repainting.
    if (width == width_ && height == height_) return;
    width_ = width;
    height_ = height;
    ApplyBounds();
}

void TControl::ApplyBounds() {
    if (HandleAllocated())
        SetWindowPos(WindowHandle(), nullptr, left_, top_, width_, height_, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TControl::SetVisible(bool visible) {
    visible_ = visible;
    if (HandleAllocated()) ShowWindow(WindowHandle(), visible ? SW_SHOWNA : SW_HIDE);
}

void TControl::SetCaption(const std::string& caption) {
    if (caption == caption_) return;
    caption_ = caption;
    if (HandleAllocated()) SetWindowTextW(WindowHandle(), ToWide(caption_).c_str());
    CaptionChanged();
}

TLabel::TLabel(TForm& parent, const TLabelLayout& layout)
    : TControl(parent, layout.Name, layout.Id),
      font_(layout.Font ? TFont(*layout.Font) : parent.Font()),
      transparent_(layout.Transparent),
      color_(parent.Color()) {
    left_ = layout.Left;
    top_ = layout.Top;
    caption_ = layout.Caption;
    AutoSize();
}

void TLabel::CreateControlWindow() {
    CreateParams params;
    params.className = L"TLabel";
    // Double-clicks hide the board; without CS_DBLCLKS they would arrive as two clicks.
    params.classStyle = CS_DBLCLKS;
    params.style = WS_CHILD | (visible_ ? WS_VISIBLE : 0);
    params.x = left_;
    params.y = top_;
    params.width = width_;
    params.height = height_;
    params.parent = Parent().Handle();
    params.menuOrId = reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id()));
    std::wstring title = ToWide(caption_);
    params.title = title.c_str();
    CreateHandle(params);
}

void TLabel::CaptionChanged() {
    AutoSize();
    if (HandleAllocated()) InvalidateRect(WindowHandle(), nullptr, TRUE);
}

void TLabel::SetFontColor(COLORREF color) {
    if (color == font_.Color()) return;
    font_.SetColor(color);
    if (HandleAllocated()) InvalidateRect(WindowHandle(), nullptr, FALSE);
}

void TLabel::AutoSize() {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font_.Handle());
    std::wstring text = ToWide(caption_);
    RECT rect{0, 0, 0, 0};
    // An empty label keeps the height of one line, as a text box would.
    DrawTextW(dc, text.empty() ? L" " : text.c_str(), -1, &rect, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    SetSize(text.empty() ? 0 : rect.right - rect.left, rect.bottom - rect.top);
}

void TLabel::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(WindowHandle(), &ps);
    RECT client;
    GetClientRect(WindowHandle(), &client);
    // A transparent label shows the form beneath; the form is one flat
    // colour, so filling with the form's current colour is the same picture
    // without the flicker. An opaque one keeps the colour it was laid out with.
    FillWithColor(dc, client, transparent_ ? Parent().Color() : color_);
    HGDIOBJ old = SelectObject(dc, font_.Handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRgb(font_.Color()));
    std::wstring text = ToWide(caption_);
    DrawTextW(dc, text.c_str(), -1, &client, DT_SINGLELINE | DT_NOPREFIX | DT_LEFT | DT_TOP);
    SelectObject(dc, old);
    EndPaint(WindowHandle(), &ps);
}

LRESULT TLabel::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            Paint();
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_LBUTTONDBLCLK:
            if (OnDblClick) OnDblClick(this);
            return 0;
        default:
            return DefaultProc(message, wParam, lParam);
    }
}

}  // namespace forms
