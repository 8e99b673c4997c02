#include "forms/Font.h"

#include <map>
#include <tuple>

#include "forms/Text.h"

namespace forms {

TFont::TFont(const TFontLayout& layout)
    : name_(layout.Name), height_(layout.Height), bold_(layout.Bold), color_(layout.Color) {}

HFONT TFont::Handle() const {
    if (!handle_) {
        // Kept for the whole run: a handful of fonts, released with the process.
        static std::map<std::tuple<std::string, int, bool>, HFONT> made;
        HFONT& font = made[{name_, height_, bold_}];
        if (!font) {
            std::wstring face = ToWide(name_);
            font = CreateFontW(height_, 0, 0, 0, bold_ ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                               face.c_str());
        }
        handle_ = font;
    }
    return handle_;
}

void FillWithColor(HDC dc, const RECT& rect, COLORREF color) {
    HBRUSH brush = CreateSolidBrush(ColorToRgb(color));
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

COLORREF ColorToRgb(COLORREF color) {
    if (color & 0x80000000) return GetSysColor(static_cast<int>(color & 0xFF));
    return color;
}

}  // namespace forms
