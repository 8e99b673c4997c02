#include "feed/RequestUrl.h"

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

namespace kazeban {
namespace {

TEST(RequestUrlTest, CounterTextIsUppercaseHexOfTheBitPattern) {
    struct Case {
        std::int32_t counter;
        const char* text;
    };
    const Case cases[] = {
        {1, "0001"},
        {10, "000A"},
        {65535, "FFFF"},
        {65536, "10000"},
        {0x7FFFFFFF, "7FFFFFFF"},
        {INT32_MIN, "80000000"},
        {-1, "FFFFFFFF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.counter);
        EXPECT_EQ(c.text, CounterText(c.counter));
    }
}

TEST(RequestUrlTest, CounterWrapsFromMaximumToMinimum) {
    EXPECT_EQ(2, NextCounter(1));
    EXPECT_EQ(INT32_MIN, NextCounter(0x7FFFFFFF));
    EXPECT_EQ("80000000", CounterText(NextCounter(0x7FFFFFFF)));
    EXPECT_EQ(0, NextCounter(-1));
}

TEST(RequestUrlTest, FirstRequestUrlByteForByte) {
    const std::string url = MakeRequestUrl(MakeBaseUrl(kDefaultQuoteHost), 1);
    EXPECT_EQ(
        "http://127.0.0.1:8740/txt/html.php?sz=146x210"
        "&ticker=USDJPY,EURJPY,GBPJPY,AUDJPY,CHFJPY,EURUSD,GBPUSD,USDCHF,GBPCHF,"
        "&tz=+5&form=full&c1=154B26&c2=CCCCCC&c3=FFFFFF&lang=jp?kk=0001",
        url);
}

TEST(RequestUrlTest, SuccessiveRequestsCarryTheirCounter) {
    const std::string base = MakeBaseUrl("quotes.local");
    std::int32_t counter = 1;
    std::string urls[17];
    for (int request = 1; request <= 16; ++request) {
        urls[request] = MakeRequestUrl(base, counter);
        counter = NextCounter(counter);
    }
    EXPECT_EQ(base + "?kk=0001", urls[1]);
    EXPECT_EQ(base + "?kk=0002", urls[2]);
    EXPECT_EQ(base + "?kk=000A", urls[10]);
    EXPECT_EQ(base + "?kk=0010", urls[16]);
}

TEST(RequestUrlTest, QuoteHostAcceptsOnlyNameAndPort) {
    struct Case {
        const char* host;
        bool valid;
    };
    const Case cases[] = {
        {"127.0.0.1:8740", true},
        {"localhost", true},
        {"quote-server_2.example", true},
        {"h:1", true},
        {"h:65535", true},
        {"", false},
        {":8740", false},
        {"h:", false},
        {"h:0", false},
        {"h:65536", false},
        {"h:99999999999999999999", false},
        {"h:+80", false},
        {"h:80a", false},
        {"h:80:81", false},
        {"user@h", false},
        {"h/evil?x=", false},
        {"h#frag", false},
        {"h 1", false},
        {"[::1]:80", false},
        {"h\x83\x5C", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.host);
        EXPECT_EQ(c.valid, IsValidQuoteHost(c.host));
    }
    EXPECT_TRUE(IsValidQuoteHost(kDefaultQuoteHost));
}

}  // namespace
}  // namespace kazeban
