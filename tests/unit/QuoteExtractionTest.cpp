#include "feed/QuoteExtraction.h"

#include <string>

#include <gtest/gtest.h>

namespace kazeban {
namespace {

// 136 bytes: the time cell and one USDJPY row; EURJPY is absent.
const std::string kWorkedPage =
    "<tr><td id="         // 1-11
    "timer"               // 12-16
    ">"                   // 17
    "12:34:56"            // 18-25
    "&nbsp;"              // 26-31
    "</td></tr><tr><td>"  // 32-49
    "USDJPY"              // 50-55
    "</td><td nowrap>"    // 56-71
    "117.20"              // 72-77
    "</td><td>"           // 78-86
    "117.25"              // 87-92
    "</td><td style="     // 93-107
    "color:#"             // 108-114
    "00A000"              // 115-120
    ">"                   // 121
    "+0.05"               // 122-126
    "</td></tr>";         // 127-136

std::string Row(const std::string& ticker, const std::string& b, const std::string& s, const std::string& color) {
    return "<tr><td>" + ticker + "</td><td nowrap>" + b + "</td><td>" + s + "</td><td style=\"color:#" + color +
           "\">+0.01</td></tr>\n";
}

class QuoteExtractionTest : public testing::Test {
protected:
    std::string Time(const std::string& page) {
        texts.PageText = page;
        return ExtractTimeCaption(texts, leadBytes);
    }
    PairFigures Pair(const std::string& page, const std::string& ticker) {
        texts.PageText = page;
        PairFigures figures;
        ExtractPairFigures(texts, ticker, figures, leadBytes);
        return figures;
    }

    FeedTexts texts;
    LeadByteSet leadBytes = LeadByteSet::ShiftJis();
};

TEST_F(QuoteExtractionTest, WorkedExampleTime) {
    ASSERT_EQ(136u, kWorkedPage.size());
    EXPECT_EQ("TIME:12:34:56", Time(kWorkedPage));
    EXPECT_EQ(kWorkedPage.substr(17), texts.WorkText);  // from page position 18
    EXPECT_EQ("12:34:56", texts.PieceText);
}

TEST_F(QuoteExtractionTest, WorkedExamplePresentPair) {
    const PairFigures figures = Pair(kWorkedPage, "USDJPY");
    EXPECT_EQ("USDJPY", figures.PairText);
    EXPECT_EQ("117.20", figures.BText);
    EXPECT_EQ("117.25", figures.SText);
    EXPECT_EQ("00", figures.ColorCode);
    EXPECT_EQ(kWorkedPage.substr(86), texts.WorkText);  // from page position 87
    EXPECT_EQ("00", texts.PieceText);
}

TEST_F(QuoteExtractionTest, WorkedExampleMissingPairReadsFromPosition22) {
    const PairFigures figures = Pair(kWorkedPage, "EURJPY");
    EXPECT_EQ("EURJPY", figures.PairText);
    EXPECT_EQ("4:56&nbsp;", figures.BText);
    EXPECT_EQ("><tr><td>USDJPY", figures.SText);
    EXPECT_EQ("00", figures.ColorCode);                 // borrowed from the USDJPY row
    EXPECT_EQ(kWorkedPage.substr(40), texts.WorkText);  // from page position 41
}

TEST_F(QuoteExtractionTest, TimeCaptionWhenTokensAreMissingOrOdd) {
    struct Case {
        const char* name;
        std::string page;
        std::string caption;
    };
    const Case cases[] = {
        {"empty page", "", "TIME:"},
        {"no timer: from the page's first >", "<p>x</p><td id=clock>10:00&nbsp;", "TIME:x</p><td id=clock>10:00"},
        {"no > after timer: starts at timer", "<b>a</b> timer 10:00&nbsp;", "TIME:timer 10:00"},
        {"no &nbsp after the >", "&nbsp;<td id=timer>10:00</td>", "TIME:"},
        {"&nbsp right after the >", "<td id=timer>&nbsp;10:00", "TIME:"},
        {"nothing trimmed", "<td id=timer> 10:00 <b>&nbsp;", "TIME: 10:00 <b>"},
        {"double-byte text copied as is", "<td id=timer>12:00\x8E\x9E&nbsp;", "TIME:12:00\x8E\x9E"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.caption, Time(c.page));
    }
}

TEST_F(QuoteExtractionTest, PairFiguresWhenTokensAreMissingOrOdd) {
    struct Case {
        const char* name;
        std::string page;
        std::string b;
        std::string s;
        std::string color;
    };
    const Case cases[] = {
        // With no "</td>" at all the S figure search starts at byte 9 of the
        // B remainder ("117.20<t" skipped) and finds no end either.
        {"no first </td>", "<td>USDJPY</td><td nowrap>117.20<td>117.25<td style=color:#FF0000>", "", "", "FF"},
        {"no second </td>", "<td>USDJPY</td><td nowrap>117.20</td><td>117.25 color:#FF0000", "117.20", "", "FF"},
        // Bytes 7 and 8 of "117.25</td>...".
        {"no color:#", "<td>USDJPY</td><td nowrap>117.20</td><td>117.25</td><td>+0.05</td>", "117.20", "117.25", "</"},
        {"one byte after color:#", "<td>USDJPY</td><td nowrap>1</td><td>2</td><td style=color:#0", "1", "2", "0"},
        {"nothing after color:#", "<td>USDJPY</td><td nowrap>1</td><td>2</td><td style=color:#", "1", "2", ""},
        // The color search starts at the S figure, so a colour inside it counts.
        {"color inside the S cell", "<td>USDJPY</td><td nowrap>1</td><td>color:#AB</td>color:#CD", "1", "color:#AB",
         "AB"},
        // The heading's ticker decides, though it is not in the table.
        {"ticker twice", "<h1>USDJPY chart</h1>" + Row("USDJPY", "117.20", "117.25", "00A000"), "td>USDJPY",
         "nowrap>117.20", "00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PairFigures figures = Pair(c.page, "USDJPY");
        EXPECT_EQ("USDJPY", figures.PairText);
        EXPECT_EQ(c.b, figures.BText);
        EXPECT_EQ(c.s, figures.SText);
        EXPECT_EQ(c.color, figures.ColorCode);
    }
}

TEST_F(QuoteExtractionTest, NoFirstEndTagRestartsAtByteNine) {
    Pair("<td>USDJPY</td><td nowrap>117.20<td>117.25<td style=color:#FF0000>", "USDJPY");
    EXPECT_EQ("d>117.25<td style=color:#FF0000>", texts.WorkText);
}

TEST_F(QuoteExtractionTest, EmptyPageGivesEmptyFiguresForEveryPair) {
    for (const char* ticker : kPairTickers) {
        SCOPED_TRACE(ticker);
        const PairFigures figures = Pair("", ticker);
        EXPECT_EQ(ticker, figures.PairText);
        EXPECT_EQ("", figures.BText);
        EXPECT_EQ("", figures.SText);
        EXPECT_EQ("", figures.ColorCode);
    }
}

TEST_F(QuoteExtractionTest, EveryPairReadsItsOwnRow) {
    struct Case {
        const char* ticker;
        const char* b;
        const char* s;
        const char* color;
    };
    // In the order the service renders them, CHFJPY before EURUSD.
    const Case rows[] = {
        {"USDJPY", "117.20", "117.25", "00A000"}, {"EURJPY", "125.10", "125.16", "FF0000"},
        {"GBPJPY", "143.05", "143.14", "00A000"}, {"AUDJPY", "84.31", "84.36", "FF0000"},
        {"CHFJPY", "115.60", "115.70", "00A000"}, {"EURUSD", "1.0674", "1.0676", "FF0000"},
        {"GBPUSD", "1.2205", "1.2208", "00A000"}, {"USDCHF", "1.0138", "1.0141", "FF0000"},
        {"GBPCHF", "1.2374", "1.2381", "00A000"},
    };
    std::string page = "<html><body><table><tr><td class=\"timer\">09:30&nbsp;JST</td></tr>\n";
    for (const Case& row : rows) {
        page += Row(row.ticker, row.b, row.s, row.color);
    }
    page += "</table></body></html>";

    EXPECT_EQ("TIME:09:30", Time(page));
    for (const Case& row : rows) {
        SCOPED_TRACE(row.ticker);
        const PairFigures figures = Pair(page, row.ticker);
        EXPECT_EQ(row.b, figures.BText);
        EXPECT_EQ(row.s, figures.SText);
        EXPECT_EQ(std::string(row.color, 2), figures.ColorCode);
    }
}

TEST_F(QuoteExtractionTest, TrailBytesNextToTokensAreNotTokens) {
    // 0x83 0x3E: a character whose second byte is '>' just before the real '>'.
    const std::string timePage = "<td id=timer title=\x83>>12:00&nbsp;";
    // 0x83 0x63: a character whose second byte is the 'c' of "color:#".
    const std::string colorPage =
        "<td>USDJPY</td><td nowrap>1</td><td>2</td><td title=\x83"
        "color:#FF><i style=color:#00A000>";
    const LeadByteSet noDbcs;
    {
        SCOPED_TRACE("time");
        texts.PageText = timePage;
        EXPECT_EQ("TIME:12:00", ExtractTimeCaption(texts, leadBytes));
        EXPECT_EQ("TIME:>12:00", ExtractTimeCaption(texts, noDbcs));
    }
    {
        SCOPED_TRACE("color");
        texts.PageText = colorPage;
        PairFigures figures;
        ExtractPairFigures(texts, "USDJPY", figures, leadBytes);
        EXPECT_EQ("00", figures.ColorCode);
        ExtractPairFigures(texts, "USDJPY", figures, noDbcs);
        EXPECT_EQ("FF", figures.ColorCode);
    }
}

}  // namespace
}  // namespace kazeban
