#include "forms/Font.h"

#include "forms/Text.h"

namespace forms {

TFont::TFont(const TFontSpec& spec) : name_(spec.Name), height_(spec.Height), bold_(spec.Bold), color_(spec.Color) {}

HFONT TFont::Handle() const {
    if (!handle_) {
        std::wstring face = ToWide(name_);
        handle_.reset(CreateFontW(height_, 0, 0, 0, bold_ ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                                  face.c_str()));
    }
    return handle_.get();
}

COLORREF ColorToRgb(COLORREF color) {
    if (color & 0x80000000) return GetSysColor(static_cast<int>(color & 0xFF));
    return color;
}

}  // namespace forms
