#include "settings/SettingsRules.h"

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

namespace kazeban {
namespace {

TEST(SettingsPathTest, ReplacesOnlyTheFileNamesExtension) {
    struct Case {
        const char* exePath;
        const char* iniPath;
    };
    const Case cases[] = {
        {"C:\\Tools\\board.exe", "C:\\Tools\\board.INI"},
        {"C:\\Tools\\board.EXE", "C:\\Tools\\board.INI"},
        {"C:\\a.b\\board", "C:\\a.b\\board.INI"},  // a dot in a folder is no extension
        {"C:board.x.exe", "C:board.x.INI"},        // only the last dot
        {"C:.x\\b", "C:.x\\b.INI"},
        {"a.b:c", "a.b:c.INI"},  // ':' ends a name as '\\' does
        {"board", "board.INI"},
        {"board.", "board.INI"},
        {"", ".INI"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.exePath);
        EXPECT_EQ(c.iniPath, SettingsPathFor(c.exePath));
    }
}

TEST(SettingsIntTest, AcceptedForms) {
    struct Case {
        const char* text;
        std::int32_t value;
    };
    const Case cases[] = {
        {"0", 0},
        {"30000", 30000},
        {"  42", 42},
        {"+120", 120},
        {"-5000", -5000},
        {"007", 7},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"0x7530", 30000},
        {"0X7530", 30000},
        {"$7530", 30000},
        {"x7530", 30000},
        {"X7530", 30000},
        {"$7fFf", 32767},
        {"  $10", 16},
        {"  0x10", 16},
        {"-0x10", 16},  // the sign before a hex form has no effect
        {"+$10", 16},
        {"$FFFFFFFF", -1},
        {"-$FFFFFFFF", -1},
        {"$80000000", INT32_MIN},
        {"$000000001", 1},  // leading zeros do not count against 32 bits
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.value, ParseSettingsInt(c.text, 777));
    }
}

TEST(SettingsIntTest, RejectedFormsGiveTheDefault) {
    const char* const cases[] = {
        "",
        " ",
        "\t5",
        "5 ",
        "12.5",
        "30000ms",
        "yes",
        "2147483648",
        "-2147483649",
        "99999999999999999999",
        "+",
        "-",
        "+-5",
        "- 5",
        "$",
        "0x",
        "0X",
        "x",
        "-$",
        "$100000000",
        "$FFFFFFFFF",
        "$12G",
        "0x-5",
        "$ 5",
        "0x 5",
        "00x5",
        "5\n",
        "\xEF\xBC\x95",
    };
    for (const char* text : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(-77, ParseSettingsInt(text, -77));
    }
}

}  // namespace
}  // namespace kazeban
