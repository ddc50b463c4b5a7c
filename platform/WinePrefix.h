#pragma once
// Where the Wine prefix lies. A leaf of the host layer: it only reads the environment, so
// the code page, the registry, the file names and the shell can all ask it.
#include <string>

namespace platform {

// The host folder of the Wine prefix whose drives and registry Corvane shares with Total
// Commander: $WINEPREFIX, else ~/.wine. Empty on Windows and when no home is known.
std::string WinePrefixDir();

} // namespace platform
