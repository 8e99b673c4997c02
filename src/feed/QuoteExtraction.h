#pragma once
// Cuts the quote time and one pair's figures out of the quote page with fixed
// searches and byte offsets. No HTML is parsed: a missing token only shifts
// the arithmetic, and whatever bytes that gives become the result.

#include <string>

#include "feed/TextPrimitives.h"

namespace kazeban {

// The module texts of the quote feed; they live for the whole run.
struct FeedTexts {
    std::string PageText;    // the last downloaded page
    std::string BaseUrl;     // fixed after start
    std::string RequestUrl;  // URL of the current request
    std::string WorkText;    // extraction scratch: the part still being scanned
    std::string PieceText;   // extraction scratch: the last piece cut out
};

struct PairFigures {
    std::string PairText;   // the ticker searched for
    std::string BText;      // first price figure
    std::string SText;      // second price figure
    std::string ColorCode;  // up to two bytes after "color:#"
};

// Returns the caption for the time label: "TIME:" + the time text.
std::string ExtractTimeCaption(FeedTexts& texts, const LeadByteSet& leadBytes);

// Fills figures (PairText, BText, SText, ColorCode in that order) for ticker.
void ExtractPairFigures(FeedTexts& texts, const std::string& ticker, PairFigures& figures,
                        const LeadByteSet& leadBytes);

// The nine pairs in row order; rows 6 to 9 are kept current but never shown.
inline constexpr const char* kPairTickers[9] = {"USDJPY", "EURJPY", "GBPJPY", "AUDJPY", "EURUSD",
                                                "CHFJPY", "GBPUSD", "USDCHF", "GBPCHF"};

}  // namespace kazeban
