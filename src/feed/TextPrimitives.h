#pragma once
// Byte-string search and cut on which the quote extraction is built.
// Positions are 1-based; 0 means "not found".

#include <array>
#include <string>

namespace kazeban {

// Which bytes begin a double-byte character of the ANSI code page.
// Default-constructed: a system without double-byte support (every match counts).
class LeadByteSet {
public:
    LeadByteSet() = default;

    // Shift_JIS (code page 932): 0x81-0x9F and 0xE0-0xFC.
    static LeadByteSet ShiftJis();
    // Marks [first, last] as lead bytes and enables double-byte handling.
    void AddRange(unsigned char first, unsigned char last);

    bool Enabled() const { return enabled_; }
    bool IsLeadByte(unsigned char byte) const { return lead_[byte]; }

private:
    std::array<bool, 256> lead_{};
    bool enabled_ = false;
};

// First accepted occurrence of token in text, or 0. On a double-byte system a
// match whose first byte is the trail byte of a double-byte character is refused.
int FindToken(const std::string& text, const std::string& token, const LeadByteSet& leadBytes);

// Up to count bytes of text from start; start < 1 counts as 1 (count is not
// reduced for it); start past the end or count < 1 gives "".
std::string CutText(const std::string& text, int start, int count);

// Everything from position start to the end: CutText(text, start, L - start + 1).
std::string RestOfText(const std::string& text, int start);

}  // namespace kazeban
