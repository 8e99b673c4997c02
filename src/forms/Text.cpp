#include "forms/Text.h"

#include <windows.h>

namespace forms {

namespace {
constexpr UINT kShiftJis = 932;
}

std::wstring ToWide(const std::string& shiftJis) {
    if (shiftJis.empty()) return {};
    int size = static_cast<int>(shiftJis.size());
    int needed = MultiByteToWideChar(kShiftJis, 0, shiftJis.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(needed), L'\0');
    MultiByteToWideChar(kShiftJis, 0, shiftJis.data(), size, wide.data(), needed);
    return wide;
}

std::string FromWide(const std::wstring& wide) {
    if (wide.empty()) return {};
    int size = static_cast<int>(wide.size());
    int needed = WideCharToMultiByte(kShiftJis, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(needed), '\0');
    WideCharToMultiByte(kShiftJis, 0, wide.data(), size, text.data(), needed, nullptr, nullptr);
    return text;
}

}  // namespace forms
