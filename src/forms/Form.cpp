#include "forms/Form.h"

#include "forms/Application.h"
#include "forms/Control.h"
#include "forms/Text.h"

namespace forms {

namespace {
// Marks the form's own moves: the system may put the window elsewhere than
// asked (far off-screen coordinates, say), but the form keeps the position it
// was given until the user or the system really moves it.
struct OwnMove {
    explicit OwnMove(int& depth) : depth_(depth) { ++depth_; }
    ~OwnMove() { --depth_; }
    int& depth_;
};
}  // namespace

TForm::TForm(TApplication* owner, const TFormLayout& layout)
    : TComponent(layout.Name),
      owner_(owner),
      caption_(layout.Caption),
      className_(layout.ClassName),
      borderStyle_(layout.BorderStyle),
      borderIcons_(layout.BorderIcons),
      position_(layout.Position),
      left_(layout.Left),
      top_(layout.Top),
      width_(layout.Width),
      height_(layout.Height),
      color_(layout.Color),
      font_(layout.Font) {
    if (layout.ClientSize) {
        RECT rect{0, 0, layout.Width, layout.Height};
        AdjustWindowRectEx(&rect, WindowStyle(), FALSE, WindowExStyle());
        width_ = rect.right - rect.left;
        height_ = rect.bottom - rect.top;
    }
    if (layout.IconId)
        icon_ = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(layout.IconId), IMAGE_ICON,
                                              16, 16, LR_DEFAULTCOLOR));
}

TForm::~TForm() {
    // Controls refer to this form; their windows go with ours.
    DestroyHandle();
    components_.clear();
    if (icon_) DestroyIcon(icon_);
}

HWND TForm::Handle() {
    if (!HandleAllocated()) CreateFormWindow();
    return WindowHandle();
}

DWORD TForm::WindowStyle() const {
    DWORD style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    switch (borderStyle_) {
        case TFormBorderStyle::bsNone:
            return style | WS_POPUP;
        case TFormBorderStyle::bsSingle:
            style |= WS_CAPTION | WS_BORDER;
            break;
        case TFormBorderStyle::bsSizeable:
            style |= WS_CAPTION | WS_THICKFRAME;
            break;
        case TFormBorderStyle::bsDialog:
            style |= WS_CAPTION | WS_DLGFRAME;
            break;
    }
    if (borderIcons_ & biSystemMenu) {
        style |= WS_SYSMENU;
        if (borderStyle_ != TFormBorderStyle::bsDialog) {
            if (borderIcons_ & biMinimize) style |= WS_MINIMIZEBOX;
            if (borderIcons_ & biMaximize) style |= WS_MAXIMIZEBOX;
        }
    }
    return style;
}

DWORD TForm::WindowExStyle() const { return borderStyle_ == TFormBorderStyle::bsDialog ? WS_EX_DLGMODALFRAME : 0; }

void TForm::CreateFormWindow() {
    if (position_ == TPosition::poScreenCenter && !positioned_) {
        left_ = (GetSystemMetrics(SM_CXSCREEN) - width_) / 2;
        top_ = (GetSystemMetrics(SM_CYSCREEN) - height_) / 2;
    }
    positioned_ = true;
    CreateParams params;
    params.className = className_;
    params.classStyle = CS_DBLCLKS;
    params.style = WindowStyle();
    params.exStyle = WindowExStyle();
    params.x = left_;
    params.y = top_;
    params.width = width_;
    params.height = height_;
    params.parent = owner_ ? owner_->Handle() : nullptr;
    std::wstring title = ToWide(caption_);
    params.title = title.c_str();
    params.icon = icon_;
    OwnMove own(ownMoves_);
    CreateHandle(params);
    if (icon_) SendMessageW(WindowHandle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    for (TControl* control : controls_) control->CreateControlWindow();
    if (visible_) ShowWindow(WindowHandle(), SW_SHOWNORMAL);
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
    if (style == borderStyle_) return;
    borderStyle_ = style;
    if (HandleAllocated()) {
        DestroyHandle();
        CreateFormWindow();
    }
}

void TForm::SetLeft(int left) {
    left_ = left;
    ApplyPosition();
}

void TForm::SetTop(int top) {
    top_ = top;
    ApplyPosition();
}

void TForm::ApplyPosition() {
    OwnMove own(ownMoves_);
    if (HandleAllocated())
        SetWindowPos(WindowHandle(), nullptr, left_, top_, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::RecordBounds() {
    RECT rect;
    // A minimised window reports the icon's place, not the form's.
    if (IsIconic(WindowHandle()) || !GetWindowRect(WindowHandle(), &rect)) return;
    left_ = rect.left;
    top_ = rect.top;
    width_ = rect.right - rect.left;
    height_ = rect.bottom - rect.top;
}

void TForm::SetVisible(bool visible) {
    if (visible == visible_ && (HandleAllocated() || !visible)) return;
    visible_ = visible;
    if (visible) {
        if (!HandleAllocated()) {
            CreateFormWindow();  // shows it, since visible_ is set
            return;
        }
        OwnMove own(ownMoves_);
        ShowWindow(WindowHandle(), SW_SHOWNORMAL);
    } else if (HandleAllocated()) {
        ShowWindow(WindowHandle(), SW_HIDE);
    }
}

void TForm::Update() {
    if (HandleAllocated()) RedrawWindow(WindowHandle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void TForm::Close() {
    TCloseAction action = TCloseAction::caHide;
    if (OnClose) OnClose(this, action);
    if (action == TCloseAction::caNone) return;
    if (owner_ && owner_->MainForm() == this) {
        owner_->Terminate();
    } else {
        Hide();
    }
}

void TForm::DoCreate() {
    if (OnCreate) OnCreate(this);
}

TComponent* TForm::FindComponent(const std::string& name) const {
    for (const auto& component : components_)
        if (component->Name() == name) return component.get();
    return nullptr;
}

void TForm::Paint() {
    PAINTSTRUCT ps;
    BeginPaint(WindowHandle(), &ps);
    EndPaint(WindowHandle(), &ps);
}

void TForm::Dispatch(TMessage& message) {
    switch (message.Msg) {
        case WM_CLOSE:
            Close();
            message.Result = 0;
            return;
        case WM_ERASEBKGND: {
            RECT client;
            GetClientRect(WindowHandle(), &client);
            FillWithColor(reinterpret_cast<HDC>(message.WParam), client, color_);
            message.Result = 1;
            return;
        }
        case WM_PAINT:
            Paint();
            message.Result = 0;
            return;
        case WM_LBUTTONDBLCLK:
            if (OnDblClick) OnDblClick(this);
            message.Result = 0;
            return;
        case WM_WINDOWPOSCHANGED:
            if (!ownMoves_) RecordBounds();
            break;
        default:
            break;
    }
    message.Result = DefaultProc(message.Msg, message.WParam, message.LParam);
}

LRESULT TForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    TMessage record{message, wParam, lParam, 0};
    Dispatch(record);
    return record.Result;
}

}  // namespace forms
