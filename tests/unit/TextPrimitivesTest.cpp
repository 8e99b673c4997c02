#include "feed/TextPrimitives.h"

#include <climits>
#include <string>

#include <gtest/gtest.h>

namespace kazeban {
namespace {

struct FindCase {
    const char* name;
    std::string text;
    std::string token;
    int withDbcs;     // expected with Shift_JIS lead bytes
    int withoutDbcs;  // expected on a system without double-byte support
};

const FindCase kFindCases[] = {
    {"empty text", "", "a", 0, 0},
    {"empty token", "abc", "", 0, 0},
    {"token longer than text", "ab", "abc", 0, 0},
    {"first of several", "xaxa", "a", 2, 2},
    {"match at the very end", "abcd", "cd", 3, 3},
    {"case-sensitive", "TIMER timer", "timer", 7, 7},
    // The c of "color:#" is the second byte of 0x83 0x63.
    {"trail c of color", "\x83\x63olor:#", "color:#", 0, 2},
    {"trail > then a real >", "\x83\x3E\x3E", ">", 3, 2},
    {"lead run 1 refuses", "\x81>", ">", 0, 2},
    {"lead run 2 accepts", "\x81\x81>", ">", 3, 3},
    {"lead run 3 refuses", "\x81\x81\x81>", ">", 0, 4},
    {"lead run 4 accepts", "\x81\x81\x81\x81>", ">", 5, 5},
    // Only the run directly before the match counts: 'a' ends the first run.
    {"run broken by single byte",
     "\x81\x81\x81"
     "a\x81\x81>",
     ">", 7, 7},
    // 0x40 is a trail byte but not a lead byte, so the run before '>' is empty.
    {"after a complete char", "\x81\x40>", ">", 3, 3},
    {"lead byte at position 1 is accepted", "\x83\x63", "\x83\x63", 1, 1},
    {"token starting on a trail byte", "\x83\x83\x63", "\x83\x63", 0, 2},
    // After a refused match the search resumes one byte on, so an
    // overlapping occurrence is still found.
    {"overlapping after refusal",
     "\x83"
     "aaa",
     "aa", 3, 2},
    // Tokens that start with a lead byte can match again inside the same
    // run, so the run before the second match spans the first one.
    {"run spans a refused match, odd", "\x81\x82\x81\x82\x81", "\x82\x81", 0, 2},
    {"run spans a refused match, even", "\x81\x82\x82\x82", "\x82\x82", 3, 2},
    {"refused then later accepted", "\x83</td>x</td>", "</td>", 8, 2},
};

TEST(FindTokenTest, FindsFirstAcceptedMatch) {
    const LeadByteSet shiftJis = LeadByteSet::ShiftJis();
    const LeadByteSet noDbcs;
    for (const FindCase& c : kFindCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.withDbcs, FindToken(c.text, c.token, shiftJis));
        EXPECT_EQ(c.withoutDbcs, FindToken(c.text, c.token, noDbcs));
    }
}

TEST(FindTokenTest, ShiftJisLeadRangesAreExact) {
    struct Case {
        unsigned char byte;
        bool lead;
    };
    const Case cases[] = {{0x40, false}, {0x80, false}, {0x81, true},  {0x9F, true},  {0xA0, false}, {0xDF, false},
                          {0xE0, true},  {0xFC, true},  {0xFD, false}, {0xFF, false}, {'a', false},  {'\\', false}};
    const LeadByteSet shiftJis = LeadByteSet::ShiftJis();
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.byte));
        const std::string text = std::string(1, static_cast<char>(c.byte)) + ">";
        EXPECT_EQ(c.lead ? 0 : 2, FindToken(text, ">", shiftJis));
    }
}

TEST(FindTokenTest, CustomRangeEnablesDoubleByteHandling) {
    LeadByteSet set;
    EXPECT_FALSE(set.Enabled());
    set.AddRange('a', 'b');
    EXPECT_TRUE(set.Enabled());
    EXPECT_EQ(0, FindToken("a>", ">", set));
    EXPECT_EQ(3, FindToken("ab>", ">", set));
    EXPECT_EQ(2, FindToken("\x83>", ">", set));
}

TEST(FindTokenTest, LongLeadRunBeforeMatchCountsWholeRun) {
    // A run that long rules out any check that looks back only a few bytes.
    const LeadByteSet shiftJis = LeadByteSet::ShiftJis();
    for (int run : {4095, 4096}) {
        SCOPED_TRACE(run);
        const std::string text = std::string(static_cast<std::size_t>(run), '\x81') + "timer";
        EXPECT_EQ(run % 2 == 0 ? run + 1 : 0, FindToken(text, "timer", shiftJis));
    }
}

TEST(CutTextTest, ClampsStartAndCount) {
    struct Case {
        int start;
        int count;
        const char* expected;
    };
    const Case cases[] = {
        {0, 3, "abc"},  // start 0 is taken as 1
        {1, 3, "abc"},
        {5, 9, "e"},
        {6, 1, ""},
        {INT_MAX, 1, ""},
        {1, 0, ""},
        {1, -1, ""},
        {-3, 2, "ab"},  // the count is not reduced for the clamped start
        {INT_MIN, INT_MAX, "abcde"},
        {2, INT_MAX, "bcde"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "start " << c.start << " count " << c.count);
        EXPECT_EQ(c.expected, CutText("abcde", c.start, c.count));
    }
    EXPECT_EQ("", CutText("", 0, 1));
    EXPECT_EQ("", CutText("", 1, 1));
}

TEST(CutTextTest, RestOfTextRunsToTheEnd) {
    struct Case {
        int start;
        const char* expected;
    };
    const Case cases[] = {{INT_MIN, "abcde"}, {0, "abcde"}, {1, "abcde"}, {3, "cde"}, {5, "e"}, {6, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.start);
        EXPECT_EQ(c.expected, RestOfText("abcde", c.start));
    }
    EXPECT_EQ("", RestOfText("", 0));
}

}  // namespace
}  // namespace kazeban
