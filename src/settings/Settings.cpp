#include "settings/Settings.h"

#include <windows.h>

#include <cstdint>

#include "board/MainForm.h"
#include "feed/RequestUrl.h"
#include "forms/IniFile.h"
#include "settings/SettingsRules.h"

std::string SettingsFile() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return kazeban::SettingsPathFor(std::string(path, length));
}

void LoadSettings(TMainForm& board) {
    std::int32_t top, left, show, interval;
    {
        forms::TIniFile ini(SettingsFile());
        top = ini.ReadInteger("Position", "top", 150);
        left = ini.ReadInteger("Position", "left", 200);
        show = ini.ReadInteger("Position", "show", 1);
        interval = ini.ReadInteger("Interval", "Interval", 30000);
    }
    // Off-screen positions are kept as they are: the user put the board there.
    board.SetTop(top);
    board.SetLeft(left);
    board.Timer1->SetEnabled(false);
    // A negative value is the unsigned interval with the same bits (-1: never, in practice).
    board.Timer1->SetInterval(static_cast<std::uint32_t>(interval));
    board.Timer1->SetEnabled(true);
    board.SetVisible(show == 1);
}

void SaveSettings(TMainForm& board) {
    std::int32_t top = board.Top();
    std::int32_t left = board.Left();
    std::int32_t interval = static_cast<std::int32_t>(board.Timer1->Interval());
    std::int32_t show = board.Visible() ? 1 : 0;
    forms::TIniFile ini(SettingsFile());
    ini.WriteInteger("Position", "top", top);
    ini.WriteInteger("Position", "left", left);
    ini.WriteInteger("Position", "show", show);
    ini.WriteInteger("Interval", "Interval", interval);
}

std::string ReadQuoteHost() {
    forms::TIniFile ini(SettingsFile());
    std::string host = ini.ReadString("Feed", "Host", "");
    return kazeban::IsValidQuoteHost(host) ? host : kazeban::kDefaultQuoteHost;
}
