#include "feed/TextPrimitives.h"

#include <climits>
#include <cstddef>

namespace kazeban {

LeadByteSet LeadByteSet::ShiftJis() {
    LeadByteSet set;
    set.AddRange(0x81, 0x9F);
    set.AddRange(0xE0, 0xFC);
    return set;
}

void LeadByteSet::AddRange(unsigned char first, unsigned char last) {
    for (unsigned value = first; value <= last; ++value) {
        lead_[value] = true;
    }
    enabled_ = true;
}

int FindToken(const std::string& text, const std::string& token, const LeadByteSet& leadBytes) {
    if (text.empty() || token.empty()) {
        return 0;
    }
    if (!leadBytes.Enabled()) {
        const std::size_t found = text.find(token);
        return found == std::string::npos ? 0 : static_cast<int>(found + 1);
    }

    // Whether a match starts on a trail byte depends on the whole run of
    // lead bytes before it. Walking that run back from every candidate is
    // quadratic on a page of lead bytes with refused matches in it, so the
    // walk stops at the previous candidate, whose run parity is already
    // known, and carries it on: every byte is walked over at most once, and
    // on ordinary pages the walk ends at the first byte it looks at.
    std::size_t known = 0;  // the run parity before this index is knownOdd
    bool knownOdd = false;  // position 1 is never a trail byte
    std::size_t from = 0;
    for (;;) {
        const std::size_t found = text.find(token, from);
        if (found == std::string::npos) {
            return 0;
        }
        std::size_t runStart = found;
        while (runStart > known && leadBytes.IsLeadByte(static_cast<unsigned char>(text[runStart - 1]))) {
            --runStart;
        }
        const bool oddRun = (found - runStart) % 2 == 1;
        knownOdd = runStart == known ? oddRun != knownOdd : oddRun;
        known = found;
        if (!knownOdd) {
            return static_cast<int>(found + 1);
        }
        // The refused match may overlap the next accepted one, so resume one
        // byte further rather than past the whole token.
        from = found + 1;
    }
}

std::string CutText(const std::string& text, int start, int count) {
    const long long length = static_cast<long long>(text.size());
    if (start > length || count < 1) {
        return std::string();
    }
    if (start < 1) {
        start = 1;
    }
    return text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(count));
}

std::string RestOfText(const std::string& text, int start) {
    // L - start + 1 overflows int for a very negative start; any count that
    // reaches the end of the text gives the same cut, so clamp it.
    const long long count = static_cast<long long>(text.size()) - start + 1;
    return CutText(text, start, count > INT_MAX ? INT_MAX : static_cast<int>(count));
}

}  // namespace kazeban
