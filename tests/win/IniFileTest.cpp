#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

#include "forms/Exception.h"
#include "forms/IniFile.h"

namespace {

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        char dir[MAX_PATH];
        GetTempFileNameA(temp, "kzb", 0, dir);
        DeleteFileA(dir);
        CreateDirectoryA(dir, nullptr);
        dir_ = dir;
        path_ = dir_ + "\\board.INI";
    }
    void TearDown() override {
        DeleteFileA(path_.c_str());
        RemoveDirectoryA(path_.c_str());
        RemoveDirectoryA(dir_.c_str());
    }
    void WriteFile(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }
    std::string ReadFile() {
        std::ifstream in(path_, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    bool FileExists() { return GetFileAttributesA(path_.c_str()) != INVALID_FILE_ATTRIBUTES; }

    std::string dir_;
    std::string path_;
};

TEST_F(IniFileTest, ReadingAMissingFileGivesDefaultsAndCreatesNothing) {
    {
        forms::TIniFile ini(path_);
        EXPECT_EQ(ini.ReadInteger("Position", "top", 150), 150);
        EXPECT_EQ(ini.ReadString("Feed", "Host", "none"), "none");
    }
    EXPECT_FALSE(FileExists());
}

TEST_F(IniFileTest, ReadsNumbersByTheSettingsRuleWithCaseInsensitiveNames) {
    WriteFile("[position]\r\nTOP=0x7530\r\nleft=12.5\r\nshow= 1\r\n");
    forms::TIniFile ini(path_);
    EXPECT_EQ(ini.ReadInteger("Position", "top", 1), 30000);
    EXPECT_EQ(ini.ReadInteger("Position", "left", 200), 200);
    EXPECT_EQ(ini.ReadInteger("Position", "show", 7), 1);
}

TEST_F(IniFileTest, LongValuesAreCutAt2047Bytes) {
    WriteFile("[Feed]\r\nHost=" + std::string(3000, 'a') + "\r\n");
    forms::TIniFile ini(path_);
    EXPECT_EQ(ini.ReadString("Feed", "Host", "").size(), 2047u);
}

TEST_F(IniFileTest, WritesKeepForeignLinesAndReplaceValues) {
    WriteFile("; a comment\r\n[Other]\r\nkeep=me\r\n[Position]\r\ntop=1\r\n");
    {
        forms::TIniFile ini(path_);
        ini.WriteInteger("Position", "top", -5000);
        ini.WriteInteger("Interval", "Interval", -1);
    }
    std::string text = ReadFile();
    EXPECT_NE(text.find("; a comment"), std::string::npos) << text;
    EXPECT_NE(text.find("keep=me"), std::string::npos) << text;
    EXPECT_NE(text.find("top=-5000"), std::string::npos) << text;
    EXPECT_EQ(text.find("top=1\r"), std::string::npos) << text;
    EXPECT_NE(text.find("Interval=-1"), std::string::npos) << text;
}

TEST_F(IniFileTest, ARefusedWriteRaisesWithTheFullPath) {
    // A directory where the file should be: the system refuses the write.
    CreateDirectoryA(path_.c_str(), nullptr);
    forms::TIniFile ini(path_);
    try {
        ini.WriteInteger("Position", "top", 1);
        FAIL() << "no exception";
    } catch (const forms::Exception& e) {
        EXPECT_EQ(e.Message(), path_ + " に書き込めません");
    }
}

}  // namespace
