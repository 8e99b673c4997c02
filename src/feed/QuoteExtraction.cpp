#include "feed/QuoteExtraction.h"

namespace kazeban {

namespace {

// The B figure starts this many bytes after the ticker's first byte: the six
// letters of the ticker and the 16 bytes of "</td><td nowrap>".
constexpr int kBFigureOffset = 22;
// From the "</td>" that ends the B figure to the S figure: the five bytes of
// "</td>" and a four-byte cell opening, counted from 1.
constexpr int kSFigureOffset = 9;
constexpr int kColorCodeOffset = 7;  // length of "color:#"
constexpr int kColorCodeLength = 2;

}  // namespace

std::string ExtractTimeCaption(FeedTexts& texts, const LeadByteSet& leadBytes) {
    const int timerAt = FindToken(texts.PageText, "timer", leadBytes);
    texts.WorkText = RestOfText(texts.PageText, timerAt);
    const int closeAt = FindToken(texts.WorkText, ">", leadBytes);
    texts.WorkText = RestOfText(texts.WorkText, closeAt + 1);
    const int spaceAt = FindToken(texts.WorkText, "&nbsp", leadBytes);
    texts.PieceText = CutText(texts.WorkText, 0, spaceAt - 1);
    return "TIME:" + texts.PieceText;
}

void ExtractPairFigures(FeedTexts& texts, const std::string& ticker, PairFigures& figures,
                        const LeadByteSet& leadBytes) {
    figures.PairText = ticker;
    const int tickerAt = FindToken(texts.PageText, figures.PairText, leadBytes);

    texts.WorkText = RestOfText(texts.PageText, tickerAt + kBFigureOffset);
    const int bEndAt = FindToken(texts.WorkText, "</td>", leadBytes);
    texts.PieceText = CutText(texts.WorkText, 0, bEndAt - 1);
    figures.BText = texts.PieceText;

    texts.WorkText = RestOfText(texts.WorkText, bEndAt + kSFigureOffset);
    const int sEndAt = FindToken(texts.WorkText, "</td>", leadBytes);
    texts.PieceText = CutText(texts.WorkText, 0, sEndAt - 1);
    figures.SText = texts.PieceText;

    // Searched in the remainder that starts at the S figure, not past its
    // "</td>": a row without a colour then yields bytes 7 and 8 of that
    // remainder, which is what the board has always shown in that case.
    const int colorAt = FindToken(texts.WorkText, "color:#", leadBytes);
    texts.PieceText = CutText(texts.WorkText, colorAt + kColorCodeOffset, kColorCodeLength);
    figures.ColorCode = texts.PieceText;
}

}  // namespace kazeban
