#pragma once
// Bars carried to Double Commander's toolbar and back (DcToolbar.h has the toolbar).
//
// Out: each button becomes the matching item. An internal command becomes a command item
// under Double Commander's name for it; a program a program item, its names expanded and
// resolved as the bar doctor resolves them (BarDoctor.h: CommandFileOf, SubBarOf) and
// written as host paths, since Double Commander runs on the host; an empty button a
// separator; a sub-bar a menu of that bar's items. The tooltip is the hint and the
// caption. Each icon is drawn once as a PNG file at the toolbar's icon size and referred
// to by its host path. What Double Commander has no item for (user commands, keyword
// commands, commands it lacks, a window state) is listed as left out, each with why; "cd
// DIR" becomes cm_ChangeDir with the folder's host path, a command number the command the
// command list names by it. What is exported but cannot work as it did is listed too: a
// %VARIABLE% nothing sets in the parameters or the start path, a bare program name found
// nowhere, placeholders Double Commander reads otherwise (ParametersForDc), Control Panel
// items and consoles (with Wine: started through "wine control" and "wine mmc").
//
// Back: each item becomes a button; a menu a sub-bar written beside the bar; the PNG and
// SVG pictures of the items one 32-bit icon library the buttons point into; theme icons
// ("cm_copy") are taken from Double Commander's icon theme; names are written as Windows
// names, drive paths into Total Commander's folder from %COMMANDER_PATH% as the doctor
// makes them portable, commands under Total Commander's name for them, cm_ChangeDir with a
// folder as "cd DIR", parameters through ParametersForTc.
//
// Names are Windows names and texts are texts of the core, as everywhere in the core.
#include "document/DcToolbar.h"

#include <string>
#include <vector>

namespace dctoolbar {

// Something a button or an item held that the other program cannot hold.
struct Omission {
  std::string Bar; // the bar's Windows name (export), or the bar written (import)
  int Button = 0;  // 0-based position in that bar
  std::string What;
  bool Written = false; // the item is written, but cannot work as the button did
};

struct ExportOptions {
  std::string ProgramFile; // the program's Windows name: its settings find Total Commander
  bool Recursive = false;  // sub-bars become menus; otherwise they are left out
  bool Wine = false;       // Windows programs are started by "wine" with their Windows names
  int IconSize = 16;       // Double Commander's toolbar icon size by default
  std::string IconFolder;  // where the PNG icons are to be written
};

// A PNG icon the toolbar refers to, to be written as File.
struct IconPicture {
  std::string File;
  std::string Png;
};

struct ExportResult {
  std::vector<Item> Items;
  std::vector<IconPicture> Icons; // each distinct icon once
  std::vector<Omission> LeftOut;  // in button order, sub-bars where they are reached
};

// The bar file as toolbar items. Sub-bars that cannot be read, and those that lead back
// to a bar on the way to them, are left out and listed. Throws EBarLoadError when the bar
// itself cannot be read.
ExportResult ExportBar(const std::string &barFile, const ExportOptions &options);

// A button's parameters as Double Commander reads them.
struct ParameterTranslation {
  std::string Text;
  std::vector<std::string> ReadOtherwise; // Total Commander's placeholders it has no equal for
  std::vector<std::string> Unset;         // the %VARIABLES% nothing sets
};
// Total Commander's placeholders of the file under the cursor (%N %O %E %M), the panels'
// folders (%P %T), the list files (%L %F %UL %UF %WL %WF) and %? %% written as Double
// Commander's documentation gives them, behind a mode that makes it put them in as Total
// Commander does (unquoted, folders ending in a separator); %VARIABLES% that something
// sets stay as written. The others ("%S", "%R", short names as "%n") are kept as they are
// and listed: Double Commander reads them otherwise.
ParameterTranslation ParametersForDc(const std::string &exeFileName, const std::string &params);
// The way back: parameters that start with that mode get Total Commander's placeholders;
// any others stay as they are.
std::string ParametersForTc(const std::string &params);

struct ImportOptions {
  std::string ProgramFile; // the program's Windows name: its settings find Total Commander
  std::string Library;     // the 32-bit icon library the pictures are written into
  std::string ThemeFolder; // Double Commander's "pixmaps" folder; empty: theme icons unknown
};

struct ImportResult {
  std::vector<std::string> Bars; // the bars written: barFile first, then its sub-bars
  int Icons = 0;                 // icons written into the library
  std::vector<Omission> LeftOut;
};

// Writes the items as the bar barFile, each menu as a sub-bar barFile-N.bar (N from 1, in
// the order reached) and the pictures into the library (written anew; not written when
// there is none), before the bars that point into it. The bars are written without an
// icon cache. An icon that is not found or cannot be made into an icon is left out and
// listed. Only barFile may exist already: an existing library or sub-bar is never
// replaced, and nothing is written then. Throws platform::EFileWriteError.
ImportResult ImportToolbar(const std::vector<Item> &items, const std::string &barFile,
                           const ImportOptions &options);

} // namespace dctoolbar
