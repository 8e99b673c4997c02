#include "forms/IniFile.h"

#include <windows.h>

#include "forms/Exception.h"
#include "settings/SettingsRules.h"

namespace forms {

namespace {
constexpr DWORD kValueBufferSize = 2048;

std::string CannotWriteMessage(const std::string& path) {
    std::string message = "%s に書き込めません";
    message.replace(message.find("%s"), 2, path);
    return message;
}
}  // namespace

TIniFile::TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}

TIniFile::~TIniFile() {
    // Always FALSE under Wine and often on Windows: it is only a flush.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, fileName_.c_str());
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key, const std::string& defaultValue) {
    char buffer[kValueBufferSize];
    DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), buffer,
                                            kValueBufferSize, fileName_.c_str());
    return std::string(buffer, length);
}

std::int32_t TIniFile::ReadInteger(const std::string& section, const std::string& key, std::int32_t defaultValue) {
    return kazeban::ParseSettingsInt(ReadString(section, key, ""), defaultValue);
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    if (!WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), fileName_.c_str()))
        throw Exception(CannotWriteMessage(fileName_));
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, std::int32_t value) {
    WriteString(section, key, std::to_string(value));
}

}  // namespace forms
