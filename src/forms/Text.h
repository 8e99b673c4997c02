#pragma once
// The one place where the program's Shift_JIS texts meet the UTF-16 that the
// W functions draw. Code page 932 is named explicitly so that the board reads
// right whatever the system's ANSI code page is.

#include <string>

namespace forms {

std::wstring ToWide(const std::string& shiftJis);
std::string FromWide(const std::wstring& wide);

}  // namespace forms
