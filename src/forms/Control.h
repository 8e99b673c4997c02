#pragma once
// Child controls of a form. Each is a real child window, so its caption is
// its window text and screen readers (and the tests) can read it.

#include <windows.h>

#include <string>

#include "forms/Component.h"
#include "forms/Font.h"
#include "forms/Window.h"

namespace forms {

class TForm;

class TControl : public TComponent, public Window {
public:
    TControl(TForm& parent, std::string name, int id);

    TForm& Parent() const { return parent_; }
    int Id() const { return id_; }

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int left);
    void SetTop(int top);

    bool Visible() const { return visible_; }
    void SetVisible(bool visible);

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);

    // The parent calls this once its own window exists (again after it was
    // re-created).
    virtual void CreateControlWindow() = 0;

protected:
    void SetSize(int width, int height);
    void ApplyBounds();
    virtual void CaptionChanged() {}

    std::string caption_;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool visible_ = true;

private:
    TForm& parent_;
    int id_;
};

struct TLabelLayout {
    const char* Name;
    int Id;
    int Left, Top;
    const char* Caption;
    const TFontLayout* Font;  // null: the form's font
    bool Transparent;         // else the background is the form's colour
};

class TLabel : public TControl {
public:
    TLabel(TForm& parent, const TLabelLayout& layout);

    const TFont& Font() const { return font_; }
    // A new text colour needs neither a new font nor a new size; the same
    // colour again needs not even a repaint.
    void SetFontColor(COLORREF color);

    TNotifyEvent OnDblClick;

    void CreateControlWindow() override;

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void CaptionChanged() override;

private:
    void AutoSize();
    void Paint();

    TFont font_;
    bool transparent_;
    COLORREF color_;
};

}  // namespace forms
