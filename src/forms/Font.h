#pragma once
// A font as a layout describes it, and the GDI font made from it.

#include <windows.h>

#include <string>

namespace forms {

struct TFontLayout {
    const char* Name;  // Shift_JIS face name
    int Height;        // negative: character height in pixels
    bool Bold;
    COLORREF Color;
};

class TFont {
public:
    TFont() = default;
    explicit TFont(const TFontLayout& layout);

    const std::string& Name() const { return name_; }
    int Height() const { return height_; }
    bool Bold() const { return bold_; }
    COLORREF Color() const { return color_; }

    void SetColor(COLORREF color) { color_ = color; }

    // Made on first use and shared by every font of the same face, height and
    // weight (the board has 38 labels in three fonts); always with the
    // Shift_JIS character set, or the Japanese glyphs are lost.
    HFONT Handle() const;

private:
    std::string name_;
    int height_ = -12;
    bool bold_ = false;
    COLORREF color_ = 0;
    mutable HFONT handle_ = nullptr;
};

// clWindowText: a system colour, resolved when drawn.
constexpr COLORREF clWindowText = 0x80000008;
constexpr COLORREF clBtnFace = 0x8000000F;
constexpr COLORREF clWhite = 0x00FFFFFF;

// Turns a layout colour (plain or system) into an RGB value for GDI.
COLORREF ColorToRgb(COLORREF color);

// Fills rect with a layout colour.
void FillWithColor(HDC dc, const RECT& rect, COLORREF color);

}  // namespace forms
