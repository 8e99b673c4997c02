#pragma once
// A top-level form built from a layout: its own window, owned by the
// application window, and the components it owns.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "forms/Component.h"
#include "forms/Font.h"
#include "forms/Window.h"

namespace forms {

class TApplication;
class TControl;

enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog };

enum TBorderIcon : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4 };

enum class TPosition { poDesigned, poScreenCenter };

struct TFormLayout {
    const char* Name;
    const char* Caption;
    const wchar_t* ClassName;
    TFormBorderStyle BorderStyle;
    unsigned BorderIcons;
    TPosition Position;
    int Left, Top;
    // Client size when ClientSize is set, else the outer size.
    int Width, Height;
    bool ClientSize;
    COLORREF Color;
    TFontLayout Font;
    int IconId;  // 0: none
};

class TForm : public TComponent, public Window {
public:
    TForm(TApplication* owner, const TFormLayout& layout);
    ~TForm() override;

    // Creates the window (and its controls' windows) on first use.
    HWND Handle();

    const std::string& Caption() const { return caption_; }

    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    // A new border style means a new window: the old one is destroyed and one
    // is created at the same place and outer size, without any extended
    // style that was added to the old one.
    void SetBorderStyle(TFormBorderStyle style);

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int left);
    void SetTop(int top);

    COLORREF Color() const { return color_; }
    TFont& Font() { return font_; }

    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }

    // Paints whatever is invalid, the controls included, before returning.
    void Update();

    // Asks, then runs OnClose; the main form's close ends the application,
    // another form's close hides it.
    void Close();

    // Runs OnCreate; the application calls it after the constructor body.
    void DoCreate();

    TNotifyEvent OnCreate;
    TCloseEvent OnClose;
    TNotifyEvent OnDblClick;

    TComponent* FindComponent(const std::string& name) const;

protected:
    template <class T, class... Args>
    T* Own(Args&&... args) {
        auto component = std::make_unique<T>(std::forward<Args>(args)...);
        T* raw = component.get();
        components_.push_back(std::move(component));
        return raw;
    }

    // The form's message map: handles the framework's messages and passes the
    // rest to the default window procedure. Forms override it to take
    // messages for themselves.
    virtual void Dispatch(TMessage& message);

    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    friend class TControl;

    void CreateFormWindow();
    void ApplyPosition();
    void RecordBounds();
    DWORD WindowStyle() const;
    DWORD WindowExStyle() const;
    void Paint();

    TApplication* owner_;
    std::string caption_;
    const wchar_t* className_;
    TFormBorderStyle borderStyle_;
    unsigned borderIcons_;
    TPosition position_;
    bool positioned_ = false;
    int left_, top_, width_, height_;
    COLORREF color_;
    TFont font_;
    HICON icon_ = nullptr;
    bool visible_ = false;
    int ownMoves_ = 0;
    std::vector<std::unique_ptr<TComponent>> components_;
    std::vector<TControl*> controls_;
};

}  // namespace forms
