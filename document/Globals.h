#pragma once
// State the whole program shares, recorded once at start-up.
#include <string>

// The executable's full file name as a Windows name: the base of every path lookup
// and the folder of "Corvane.ini", the language files and "corvane.icl".
extern std::string ExeFileName;
