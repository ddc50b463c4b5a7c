#pragma once
// Unit misk (HostPaths): name resolution. The file names written in buttons (bare,
// relative, quoted, or holding an environment reference) become existing full names,
// looked up as Total Commander reads them from its own folder; the %VARIABLES% of a name
// are Total Commander's own or the environment's.
//
// Every name is a Windows name, a text of the core (code page bytes, or marked UTF-8;
// see platform/CodePage.h); existence checks go through platform/. exeFileName is the
// program's own full Windows name, whose folder holds "Corvane.ini" (Settings.h), which
// may name Total Commander's folder. Lookups never report errors: they give empty text
// or the name they were given.
#include "document/FileSearch.h"

#include <string>
#include <vector>

// The value a %NAME% in a button's name stands for: Total Commander's own variables from
// what was found, as Total Commander sets them for the programs it starts
// (COMMANDER_PATH its folder, COMMANDER_INI its wincmd.ini, COMMANDER_EXE TOTALCMD64.EXE
// or TOTALCMD.EXE in that folder, whichever is there, COMMANDER_DRIVE the folder's drive
// such as "C:"), "$NAME" the shell's special folder of that name (platform::ShellFolderPath,
// "%$DESKTOP%"), any other from the environment. Empty when nothing sets it.
std::string VariableValue(const std::string &exeFileName, const std::string &name);
// The text with every environment reference expanded, as Windows expands them
// ("%HOMEDRIVE%%HOMEPATH%"); a lone "%" goes. A reference to a variable nothing sets is
// kept as written, never expanded to empty text: the name then finds nothing, rather
// than what the rest of it names.
std::string ExpandEnvironmentReference(const std::string &exeFileName, const std::string &text);
// The names of the %VARIABLES% of a text that nothing sets (VariableValue is empty), each
// once (letter case ignored), in the order they stand. References pair up as Windows
// expands them: the closing "%" of an unset name may open the next one; "%%" and text
// holding a backslash or a blank ("%A%\%B%": "\") name none.
std::vector<std::string> UnsetVariables(const std::string &exeFileName, const std::string &text);

// The full name of the existing file a button names; the lookup never depends on the
// current folder, as Total Commander reads its bars' names from its own folder:
// - a name holding "%" is its references expanded, unchecked;
// - quotes are removed; a name with a drive or from a root ("C:\x", "\x", "/x") stands
//   as it is, unchecked;
// - a relative name with folders ("tools\x.exe", "..\icons\a.ico") is Total
//   Commander's folder joined with it, unchecked;
// - a bare name is looked for as LookUpBareName does in Total Commander's folder.
// Only without a known Total Commander's folder does a relative name stay as written.
// With a trace, each step taken is appended to it.
std::string ResolveFile(const std::string &exeFileName, const std::string &fileName,
                        ResolveTrace *trace = nullptr);
// ResolveFile; when that finds no file for a relative name, the lower-cased name in the
// start path (quotes removed, its %VARIABLES% expanded; a backslash between them unless
// it ends in one), else ResolveFile's
// answer. A relative start path is not tried: it is relative to the panel Total Commander
// shows when the button runs, which no lookup here can know.
std::string ResolveWithStartPath(const std::string &exeFileName, const std::string &fileName,
                                 const std::string &startPath, ResolveTrace *trace = nullptr);

// The full name of Total Commander's localized command list, from the "LanguageIni" of
// wincmd.ini, else the "LocalizedInc" setting; may be empty or missing.
std::string FindLocalizedCommandList(const std::string &exeFileName);
