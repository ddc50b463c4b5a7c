// The table of the shell's special folders, apart from the environment's back ends that
// read it, so that neither calls the other through it.
#include "platform/ShellFolderTable.h"

#include <array>

namespace platform {

const ShellFolderEntry *FindShellFolder(std::string_view name) {
  static constexpr std::string_view StartMenu = "%APPDATA%\\Microsoft\\Windows\\Start Menu";
  static const std::array<ShellFolderEntry, 45> folders = {{
      {"DESKTOP", 0x00, false, "Desktop", "%USERPROFILE%\\Desktop"},
      {"DESKTOPDIRECTORY", 0x10, false, "Desktop", "%USERPROFILE%\\Desktop"},
      {"PROGRAMS", 0x02, false, "Programs", "%APPDATA%\\Microsoft\\Windows\\Start Menu\\Programs"},
      {"PERSONAL", 0x05, false, "Personal", "%USERPROFILE%\\Documents"},
      {"MYDOCUMENTS", 0x05, false, "Personal", "%USERPROFILE%\\Documents"},
      {"FAVORITES", 0x06, false, "Favorites", "%USERPROFILE%\\Favorites"},
      {"STARTUP", 0x07, false, "Startup",
       "%APPDATA%\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp"},
      {"RECENT", 0x08, false, "Recent", "%APPDATA%\\Microsoft\\Windows\\Recent"},
      {"SENDTO", 0x09, false, "SendTo", "%APPDATA%\\Microsoft\\Windows\\SendTo"},
      {"STARTMENU", 0x0b, false, "Start Menu", StartMenu},
      {"MYMUSIC", 0x0d, false, "My Music", "%USERPROFILE%\\Music"},
      {"MYVIDEO", 0x0e, false, "My Videos", "%USERPROFILE%\\Videos"},
      {"NETHOOD", 0x13, false, "NetHood", "%APPDATA%\\Microsoft\\Windows\\Network Shortcuts"},
      {"FONTS", 0x14, false, "Fonts", "%windir%\\Fonts"},
      {"TEMPLATES", 0x15, false, "Templates", "%APPDATA%\\Microsoft\\Windows\\Templates"},
      {"COMMON_STARTMENU", 0x16, true, "Common Start Menu",
       "%ProgramData%\\Microsoft\\Windows\\Start Menu"},
      {"COMMON_PROGRAMS", 0x17, true, "Common Programs",
       "%ProgramData%\\Microsoft\\Windows\\Start Menu\\Programs"},
      {"COMMON_STARTUP", 0x18, true, "Common Startup",
       "%ProgramData%\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp"},
      {"COMMON_DESKTOPDIRECTORY", 0x19, true, "Common Desktop", "%PUBLIC%\\Desktop"},
      {"APPDATA", 0x1a, false, "AppData", "%APPDATA%"},
      {"PRINTHOOD", 0x1b, false, "PrintHood", "%APPDATA%\\Microsoft\\Windows\\Printer Shortcuts"},
      {"LOCAL_APPDATA", 0x1c, false, "Local AppData", "%LOCALAPPDATA%"},
      {"COMMON_FAVORITES", 0x1f, true, "Common Favorites", "%USERPROFILE%\\Favorites"},
      {"INTERNET_CACHE", 0x20, false, "Cache", "%LOCALAPPDATA%\\Microsoft\\Windows\\INetCache"},
      {"COOKIES", 0x21, false, "Cookies", "%APPDATA%\\Microsoft\\Windows\\Cookies"},
      {"HISTORY", 0x22, false, "History", "%LOCALAPPDATA%\\Microsoft\\Windows\\History"},
      {"COMMON_APPDATA", 0x23, true, "Common AppData", "%ProgramData%"},
      {"WINDOWS", 0x24, false, "", "%windir%"},
      {"SYSTEM", 0x25, false, "", "%windir%\\system32"},
      {"PROGRAM_FILES", 0x26, false, "", "%ProgramFiles%"},
      {"MYPICTURES", 0x27, false, "My Pictures", "%USERPROFILE%\\Pictures"},
      {"PROFILE", 0x28, false, "", "%USERPROFILE%"},
      {"SYSTEMX86", 0x29, false, "", "%windir%\\syswow64"},
      {"PROGRAM_FILESX86", 0x2a, false, "", "%ProgramFiles(x86)%"},
      {"PROGRAM_FILES_COMMON", 0x2b, false, "", "%CommonProgramFiles%"},
      {"PROGRAM_FILES_COMMONX86", 0x2c, false, "", "%CommonProgramFiles(x86)%"},
      {"COMMON_TEMPLATES", 0x2d, true, "Common Templates",
       "%ProgramData%\\Microsoft\\Windows\\Templates"},
      {"COMMON_DOCUMENTS", 0x2e, true, "Common Documents", "%PUBLIC%\\Documents"},
      {"COMMON_ADMINTOOLS", 0x2f, true, "Common Administrative Tools",
       "%ProgramData%\\Microsoft\\Windows\\Start Menu\\Programs\\Administrative Tools"},
      {"ADMINTOOLS", 0x30, false, "Administrative Tools",
       "%APPDATA%\\Microsoft\\Windows\\Start Menu\\Programs\\Administrative Tools"},
      {"COMMON_MUSIC", 0x35, true, "CommonMusic", "%PUBLIC%\\Music"},
      {"COMMON_PICTURES", 0x36, true, "CommonPictures", "%PUBLIC%\\Pictures"},
      {"COMMON_VIDEO", 0x37, true, "CommonVideo", "%PUBLIC%\\Videos"},
      {"RESOURCES", 0x38, false, "", "%windir%\\Resources"},
      {"CDBURN_AREA", 0x3b, false, "CD Burning", "%LOCALAPPDATA%\\Microsoft\\Windows\\Burn\\Burn"},
  }};
  for (const ShellFolderEntry &folder : folders) {
    if (folder.name.size() != name.size())
      continue;
    bool same = true;
    for (size_t i = 0; same && i < name.size(); ++i) {
      const char c =
          name[i] >= 'a' && name[i] <= 'z' ? static_cast<char>(name[i] - 'a' + 'A') : name[i];
      same = c == folder.name[i];
    }
    if (same)
      return &folder;
  }
  return nullptr;
}

} // namespace platform
