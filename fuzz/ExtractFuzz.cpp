// Arbitrary bytes as the downloaded page: the extraction must never read out
// of bounds, and whatever it cuts must be bytes of that page. FindToken is
// also checked against a plain backward reading of the trail-byte rule, so
// that its forward parity bookkeeping cannot drift from it.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "feed/QuoteExtraction.h"
#include "feed/TextPrimitives.h"

namespace {

using kazeban::LeadByteSet;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool IsSubstring(const std::string& part, const std::string& whole) { return whole.find(part) != std::string::npos; }

bool IsSuffix(const std::string& part, const std::string& whole) {
    return part.size() <= whole.size() && whole.compare(whole.size() - part.size(), part.size(), part) == 0;
}

bool IsPrefix(const std::string& part, const std::string& whole) { return whole.compare(0, part.size(), part) == 0; }

// The rule as worded: walk back over lead bytes from every candidate.
int ReferenceFindToken(const std::string& text, const std::string& token, const LeadByteSet& leadBytes) {
    if (text.empty() || token.empty() || token.size() > text.size()) {
        return 0;
    }
    for (std::size_t k = 0; k + token.size() <= text.size(); ++k) {
        if (text.compare(k, token.size(), token) != 0) {
            continue;
        }
        if (leadBytes.Enabled()) {
            std::size_t run = 0;
            while (run < k && leadBytes.IsLeadByte(static_cast<unsigned char>(text[k - 1 - run]))) {
                ++run;
            }
            if (run % 2 == 1) {
                continue;
            }
        }
        return static_cast<int>(k + 1);
    }
    return 0;
}

void CheckFindToken(const std::string& text, const std::string& token, const LeadByteSet& leadBytes) {
    const int found = kazeban::FindToken(text, token, leadBytes);
    Check(found == ReferenceFindToken(text, token, leadBytes));
}

void CheckExtraction(const std::string& page, const LeadByteSet& leadBytes) {
    kazeban::FeedTexts texts;
    texts.PageText = page;

    const std::string caption = kazeban::ExtractTimeCaption(texts, leadBytes);
    Check(caption.compare(0, 5, "TIME:") == 0);
    Check(caption.substr(5) == texts.PieceText);
    Check(IsSuffix(texts.WorkText, page));
    Check(IsPrefix(texts.PieceText, texts.WorkText));
    Check(texts.PageText == page);

    for (const char* ticker : kazeban::kPairTickers) {
        kazeban::PairFigures figures;
        kazeban::ExtractPairFigures(texts, ticker, figures, leadBytes);
        Check(figures.PairText == ticker);
        // Substrings of a page without NUL bytes cannot hold one either.
        Check(IsSubstring(figures.BText, page));
        Check(IsSubstring(figures.SText, page));
        Check(IsSubstring(figures.ColorCode, page));
        Check(figures.ColorCode.size() <= 2);
        Check(texts.PieceText == figures.ColorCode);
        // The S remainder is a tail of the page and starts with the S figure.
        Check(IsSuffix(texts.WorkText, page));
        Check(IsPrefix(figures.SText, texts.WorkText));
        if (!leadBytes.Enabled()) {
            // Without refusals a figure ends at the first "</td>" after it.
            Check(figures.BText.find("</td>") == std::string::npos);
            Check(figures.SText.find("</td>") == std::string::npos);
        }
    }
    Check(texts.PageText == page);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string page(reinterpret_cast<const char*>(data), size);
    const LeadByteSet shiftJis = LeadByteSet::ShiftJis();
    const LeadByteSet noDbcs;

    CheckExtraction(page, shiftJis);
    CheckExtraction(page, noDbcs);

    // The tokens the extraction uses, and one taken from the input itself:
    // its first byte gives a length (0-7), the following bytes the token, the
    // rest the text, so that the fuzzer can line up lead bytes and matches.
    static const char* const kTokens[] = {"timer", ">", "&nbsp", "</td>", "color:#", "USDJPY"};
    for (const char* token : kTokens) {
        CheckFindToken(page, token, shiftJis);
    }
    if (size > 0) {
        const std::size_t tokenLength = std::min<std::size_t>(data[0] % 8, size - 1);
        const std::string token = page.substr(1, tokenLength);
        const std::string text = page.substr(1 + tokenLength);
        CheckFindToken(text, token, shiftJis);
        CheckFindToken(text, token, noDbcs);
    }
    return 0;
}
