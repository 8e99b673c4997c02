#include <gtest/gtest.h>

#include "feed/SystemLeadBytes.h"

namespace {

// The tests run with LANG=ja_JP.UTF-8, so the system code page is 932: the
// table the system gives must be the one the native tests assume.
TEST(SystemLeadBytes, MatchesShiftJisOnAJapaneseSystem) {
    kazeban::LeadByteSet system = kazeban::SystemLeadBytes();
    kazeban::LeadByteSet shiftJis = kazeban::LeadByteSet::ShiftJis();
    ASSERT_TRUE(system.Enabled());
    for (int b = 0; b < 256; ++b) {
        SCOPED_TRACE(b);
        EXPECT_EQ(system.IsLeadByte(static_cast<unsigned char>(b)), shiftJis.IsLeadByte(static_cast<unsigned char>(b)));
    }
}

}  // namespace
