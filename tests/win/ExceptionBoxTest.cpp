#include <gtest/gtest.h>

#include "forms/Application.h"

namespace {

TEST(ExceptionBoxText, AddsAFullStopOnlyAfterCharactersSortingAfterIt) {
    struct Case {
        const char* message;
        const char* shown;
    } cases[] = {
        {"", ""},         {"abc", "abc."},           {"done.", "done."}, {"50%", "50%"},  // '%' sorts before '.'
        {"a-", "a-"},                                                                     // '-' too
        {"x/", "x/."},                                                                    // '/' sorts after '.'
        {"end!", "end!"}, {"\x82\xF1", "\x82\xF1."},  // a double-byte last character counts by its last byte
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_EQ(forms::ExceptionBoxText(c.message), c.shown);
    }
}

}  // namespace
