#pragma once
// The board's position, shown state and refresh interval, kept from run to
// run in an INI file beside the executable.

#include <string>

class TMainForm;

// The executable's path with ".INI" for its extension.
std::string SettingsFile();

// Reads the four values and applies them to the board and its timer.
void LoadSettings(TMainForm& board);

// Writes the board's current values; raises when the file refuses a write.
void SaveSettings(TMainForm& board);

// The quote service's "name" or "name:port" from [Feed] Host, or the built-in
// default when the key is absent or not a plain host. Read, never written.
std::string ReadQuoteHost();
