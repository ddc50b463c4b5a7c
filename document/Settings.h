#pragma once
// The program's own settings file, "Corvane.ini" beside the executable, and the settings
// both front ends apply when they start.
#include <string>

// The full Windows name of "Corvane.ini": the folder of ExeFileName.
std::string SettingsFileName();

// Makes the "CodePage" key of section "Main" the system code page, or the detected one
// when it is missing, 0 or not a supported code page. Run once ExeFileName is known and
// before any other file is read: files parsed before are read again in the new code page.
void ApplyCodePageSetting();
// The same from the settings file named (for a program whose ExeFileName is not known yet).
void ApplyCodePageSetting(const std::string &settingsFile);
