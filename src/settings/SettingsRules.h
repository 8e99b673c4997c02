#pragma once
// The settings file's path rule and number rule.

#include <cstdint>
#include <string>

namespace kazeban {

// The executable's path with its extension replaced by ".INI". The extension
// starts at the last '.' after the last '\\' or ':'; without one ".INI" is appended.
std::string SettingsPathFor(const std::string& exePath);

// A settings value as a signed 32-bit number, or defaultValue when the text is
// empty or not exactly one number (leading spaces only; decimal with optional
// sign in range; or $/x/X/0x/0X hex of at most 32 bits, read as signed).
std::int32_t ParseSettingsInt(const std::string& text, std::int32_t defaultValue);

}  // namespace kazeban
