#include "settings/SettingsRules.h"

#include <cstddef>

namespace kazeban {

std::string SettingsPathFor(const std::string& exePath) {
    const std::size_t lastSeparator = exePath.find_last_of("\\:");
    const std::size_t lastDot = exePath.rfind('.');
    const bool hasExtension =
        lastDot != std::string::npos && (lastSeparator == std::string::npos || lastDot > lastSeparator);
    return (hasExtension ? exePath.substr(0, lastDot) : exePath) + ".INI";
}

namespace {

int HexDigitValue(char ch) {
    if (ch >= '0' && ch <= '9') {
        return ch - '0';
    }
    if (ch >= 'A' && ch <= 'F') {
        return ch - 'A' + 10;
    }
    if (ch >= 'a' && ch <= 'f') {
        return ch - 'a' + 10;
    }
    return -1;
}

}  // namespace

std::int32_t ParseSettingsInt(const std::string& text, std::int32_t defaultValue) {
    std::string value = text;
    if (value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X')) {
        value.replace(0, 2, "$");
    }

    std::size_t at = 0;
    while (at < value.size() && value[at] == ' ') {
        ++at;
    }
    bool negative = false;
    if (at < value.size() && (value[at] == '+' || value[at] == '-')) {
        negative = value[at] == '-';
        ++at;
    }

    // Only a leading "0x" was turned into "$" above; after spaces or a sign
    // it is still there and is a hex prefix of its own.
    std::size_t hexDigitsAt = std::string::npos;
    if (at < value.size() && (value[at] == '$' || value[at] == 'x' || value[at] == 'X')) {
        hexDigitsAt = at + 1;
    } else if (at + 1 < value.size() && value[at] == '0' && (value[at + 1] == 'x' || value[at + 1] == 'X')) {
        hexDigitsAt = at + 2;
    }

    if (hexDigitsAt != std::string::npos) {
        if (hexDigitsAt >= value.size()) {
            return defaultValue;
        }
        std::uint64_t pattern = 0;
        for (std::size_t i = hexDigitsAt; i < value.size(); ++i) {
            const int digit = HexDigitValue(value[i]);
            if (digit < 0) {
                return defaultValue;
            }
            pattern = pattern * 16 + static_cast<unsigned>(digit);
            if (pattern > 0xFFFFFFFFu) {
                return defaultValue;
            }
        }
        // The sign is read but ignored: the 32 bits are the number.
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(pattern));
    }

    if (at >= value.size()) {
        return defaultValue;
    }
    // Magnitude limit: 2147483648 is allowed only with a minus sign.
    const std::uint64_t limit = negative ? 2147483648u : 2147483647u;
    std::uint64_t magnitude = 0;
    for (std::size_t i = at; i < value.size(); ++i) {
        const char ch = value[i];
        if (ch < '0' || ch > '9') {
            return defaultValue;
        }
        magnitude = magnitude * 10 + static_cast<unsigned>(ch - '0');
        if (magnitude > limit) {
            return defaultValue;
        }
    }
    const auto signedMagnitude = static_cast<std::int64_t>(magnitude);
    return static_cast<std::int32_t>(negative ? -signedMagnitude : signedMagnitude);
}

}  // namespace kazeban
