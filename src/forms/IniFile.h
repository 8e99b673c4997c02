#pragma once
// An INI file over the system's private-profile functions, made for one
// operation. Making it touches nothing; releasing it flushes the system's
// cached copy of the file.

#include <cstdint>
#include <string>

namespace forms {

class TIniFile {
public:
    explicit TIniFile(std::string fileName);
    ~TIniFile();
    TIniFile(const TIniFile&) = delete;
    TIniFile& operator=(const TIniFile&) = delete;

    const std::string& FileName() const { return fileName_; }

    // Values longer than 2047 bytes are cut.
    std::string ReadString(const std::string& section, const std::string& key, const std::string& defaultValue);
    std::int32_t ReadInteger(const std::string& section, const std::string& key, std::int32_t defaultValue);

    // A refused write raises Exception("<path> に書き込めません").
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, std::int32_t value);

private:
    std::string fileName_;
};

}  // namespace forms
