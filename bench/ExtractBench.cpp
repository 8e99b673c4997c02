// One refresh's worth of extraction: the time and all nine pairs, each
// searched from the start of the page as the board does it.

#include <benchmark/benchmark.h>

#include <string>

#include "feed/QuoteExtraction.h"
#include "feed/TextPrimitives.h"

namespace {

using kazeban::FeedTexts;
using kazeban::LeadByteSet;
using kazeban::PairFigures;

// Shift_JIS, kept as escapes so the source stays ASCII.
const char kTitle[] = "\x88\xd7\x91\xd6\x83\x8c\x81\x5b\x83\x67";  // exchange rates
const char kPairHeading[] = "\x92\xca\x89\xdd\x83\x79\x83\x41";    // currency pair
// A notice sentence with 0x5C and 0x40-range trail bytes, as real Japanese
// text has them.
const char kNotice[] =
    "\x95\x5c\x8e\xa6\x82\xb3\x82\xea\x82\xe9\x83\x8c\x81\x5b\x83\x67\x82\xcd\x8e\x51\x8d\x6c"
    "\x92\x6c\x82\xc5\x82\xb7\x81\x42\x83\x5c\x81\x5b\x83\x58\x82\xc9\x82\xe6\x82\xe8\x92\x78"
    "\x89\x84\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb7\x81\x42";

struct Row {
    const char* ticker;
    const char* b;
    const char* s;
    const char* color;
    const char* change;
};

// The service's order: CHFJPY comes before EURUSD.
const Row kRows[] = {
    {"USDJPY", "117.20", "117.25", "00A000", "+0.05"},   {"EURJPY", "125.10", "125.16", "FF0000", "-0.12"},
    {"GBPJPY", "143.05", "143.14", "00A000", "+0.31"},   {"AUDJPY", "84.31", "84.36", "FF0000", "-0.08"},
    {"CHFJPY", "115.60", "115.70", "00A000", "+0.02"},   {"EURUSD", "1.0674", "1.0676", "FF0000", "-0.0011"},
    {"GBPUSD", "1.2205", "1.2208", "00A000", "+0.0021"}, {"USDCHF", "1.0138", "1.0141", "FF0000", "-0.0004"},
    {"GBPCHF", "1.2374", "1.2381", "00A000", "+0.0017"},
};

std::string QuotePage() {
    std::string page =
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n"
        "<html lang=\"ja\"><head>\n"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">\n"
        "<meta http-equiv=\"Pragma\" content=\"no-cache\">\n<title>";
    page += kTitle;
    page += "</title>\n<style type=\"text/css\">\n";
    const char* const cssClasses[] = {"wrap", "head", "cell", "pair", "bid",  "ask",  "chg",
                                      "foot", "note", "link", "row0", "row1", "row2", "row3"};
    for (const char* cls : cssClasses) {
        page += std::string(".") + cls +
                " { font-family: 'MS PGothic', sans-serif; font-size: 10px; margin: 0; "
                "padding: 1px 2px; border-bottom: 1px solid #154B26; background: #FFFFFF; }\n";
    }
    page +=
        "</style>\n<script type=\"text/javascript\">\n"
        "function reloadQuotes() { var d = new Date(); location.replace(location.pathname + "
        "'?r=' + d.getTime()); }\n"
        "window.onload = function () { setTimeout(reloadQuotes, 30000); };\n"
        "</script>\n</head>\n<body class=\"wrap\">\n"
        "<table width=\"146\" cellspacing=\"0\" cellpadding=\"0\" border=\"0\">\n"
        "<tr><td colspan=\"4\" class=\"head\">";
    page += kTitle;
    page += "</td></tr>\n<tr><td colspan=\"4\" id=\"timer\">2024/01/05 12:34:56&nbsp;JST</td></tr>\n";
    page += std::string("<tr><th>") + kPairHeading + "</th><th>B</th><th>S</th><th>+/-</th></tr>\n";
    for (const Row& row : kRows) {
        page += std::string("<tr><td>") + row.ticker + "</td><td nowrap>" + row.b + "</td><td>" + row.s +
                "</td><td style=\"color:#" + row.color + "\">" + row.change + "</td></tr>\n";
    }
    page += "</table>\n<div class=\"foot\">\n";
    while (page.size() < 5000) {
        page += std::string("<p class=\"note\">") + kNotice + "</p>\n";
    }
    page += "</div>\n</body></html>\n";
    return page;
}

void ExtractAll(FeedTexts& texts, const LeadByteSet& leadBytes, PairFigures (&figures)[9]) {
    benchmark::DoNotOptimize(kazeban::ExtractTimeCaption(texts, leadBytes));
    for (int i = 0; i < 9; ++i) {
        kazeban::ExtractPairFigures(texts, kazeban::kPairTickers[i], figures[i], leadBytes);
    }
    benchmark::DoNotOptimize(figures);
}

void RunExtraction(benchmark::State& state, const std::string& page, const LeadByteSet& leadBytes) {
    FeedTexts texts;
    texts.PageText = page;
    PairFigures figures[9];
    for (auto _ : state) {
        ExtractAll(texts, leadBytes, figures);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size()));
    state.counters["page_bytes"] = static_cast<double>(page.size());
}

void BM_QuotePage(benchmark::State& state) {
    const std::string page = QuotePage();
    const LeadByteSet leadBytes = state.range(0) != 0 ? LeadByteSet::ShiftJis() : LeadByteSet();

    // A page that no longer fits the offsets would time the wrong thing.
    FeedTexts texts;
    texts.PageText = page;
    PairFigures figures[9];
    ExtractAll(texts, leadBytes, figures);
    if (kazeban::ExtractTimeCaption(texts, leadBytes) != "TIME:2024/01/05 12:34:56" || figures[0].BText != "117.20" ||
        figures[5].SText != "115.70" || figures[8].ColorCode != "00") {
        state.SkipWithError("quote page layout does not fit the extraction");
        return;
    }
    RunExtraction(state, page, leadBytes);
}
BENCHMARK(BM_QuotePage)->ArgName("shift_jis")->Arg(1)->Arg(0);

// Nothing but lead bytes: no token is ever found.
void BM_LeadBytePage(benchmark::State& state) {
    RunExtraction(state, std::string(5120, '\x81'), LeadByteSet::ShiftJis());
}
BENCHMARK(BM_LeadBytePage);

// Every token occurs over and over, each time right after a lead byte, so
// every match is refused and every search runs to the end of the page.
void BM_AllMatchesRefused(benchmark::State& state) {
    std::string page;
    while (page.size() < 5120) {
        page +=
            "\x81timer\x81>\x81&nbsp\x81</td>\x81"
            "color:#\x81USDJPY";
    }
    RunExtraction(state, page, LeadByteSet::ShiftJis());
}
BENCHMARK(BM_AllMatchesRefused);

// An even run of 5120 lead bytes right before "timer": the time search has
// to count the whole run to accept its match, once per refresh.
void BM_LeadRunBeforeTime(benchmark::State& state) {
    std::string page = QuotePage();
    page.insert(page.find("timer"), std::string(5120, '\x81'));
    RunExtraction(state, page, LeadByteSet::ShiftJis());
}
BENCHMARK(BM_LeadRunBeforeTime);

}  // namespace

BENCHMARK_MAIN();
