#pragma once
// Total Commander's command catalogue as the command browser offers it: the internal
// commands of "Totalcmd.inc" grouped by category, their translations from the localized
// command list, the icon "WCMICONS.INC" maps each command number to, and the user
// commands of "usercmd.ini" and the localized user-command file.
//
// Pure text rules without any window: the editor's command browser and corvane-cli
// both read the files through CommandCatalog and ask it what a row shows and what
// choosing it writes. Drawing (positions, fonts) is left to the window.
//
// File forms relied on:
//   "Totalcmd.inc": a line starting with ";" is a comment; a line holding "[__" is a
//     category header ("[___File_ops___]=0" names the category "Fileops"); every other
//     line is name=number;description. A category runs from its header to the next line
//     holding "__" (a comment line too).
//   localized command list: key=value lines; "All", category names and command numbers
//     are looked up in it, ignoring case; comment lines and double quotes are dropped.
//   "WCMICONS.INC": section [mappings], command number = icon index in wcmicons.dll.
// The two lists are 8-bit text or Unicode with a byte order mark, read as TextFile.h
// describes; case is ignored by the letters of the system code page (TextRules.h).
#include "platform/MessageText.h"

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// A field of a command line: 1 the name (before the first "="), 2 the number (between the
// first "=" and the first ";"; empty without ";" or with ";" before "="), 3 the
// description (after the first ";"; the whole line without ";"). A line holding "__" is
// a header: only field 1 is given. Other field numbers give empty text.
std::string SplitCommandLine(const std::string &line, int part);
// The category a header line names: every "_" removed, then the first character and
// the last three characters ("[___Files___]=0" gives "Files"). Empty when too short.
std::string CategoryName(const std::string &headerLine);
// The text a header row shows: every "_" removed, then the first and last characters
// ("[___Files___]" gives "Files"). Empty when too short.
std::string HeaderName(const std::string &text);
// The text without its first and last characters; empty when shorter than two.
std::string StripEnds(const std::string &text);
// Whether a raw line passes the filter: the filter is empty, or its lower-case form
// occurs in the line's lower-case form.
bool FilterMatches(const std::string &filter, const std::string &line);
// The lines of a localized command list, cleaned: comment lines (first character ";")
// and empty lines dropped, every double quote removed.
std::vector<std::string> CleanLocalizedLines(std::string_view text);
// Every line of the command list that is not a comment, headers included.
std::vector<std::string> CollectAll(const std::vector<std::string> &commandLines);
// The lines of the category whose header stands at headerLine in commandLines: the
// following lines up to the next line holding "__" or the end, comments left out.
std::vector<std::string> CollectCategory(const std::vector<std::string> &commandLines,
                                         size_t headerLine);

// Lookups in a cleaned localized list: the text after the first "=" of the first line
// whose text before it equals the key, ignoring case; empty when there is none.
class LocalizedTexts {
public:
  LocalizedTexts() = default;
  explicit LocalizedTexts(std::vector<std::string> lines);
  bool Empty() const { return lines_.empty(); }
  const std::vector<std::string> &Lines() const { return lines_; }
  std::string Lookup(const std::string &key) const;

private:
  std::vector<std::string> lines_;
  std::unordered_map<std::string, std::string> byKey_; // lower-cased key, first line wins
};

enum class CategoryKind {
  All,         // every command line, headers included
  Commands,    // one or more categories of "Totalcmd.inc"
  UserCommands // the user commands of one user-command file
};

struct CommandCategory {
  std::string Caption; // as listed: localized when a localized list is read
  CategoryKind Kind = CategoryKind::All;
  // Commands: the positions in CommandLines of the headers it stands for, in file order.
  std::vector<size_t> HeaderLines;
  // UserCommands: the file name without directory that the commands come from.
  std::string UserFile;
};

// Header: the row's name part holds "__"; it is drawn as a category name over a line of
// "=" characters. Any row whose raw line holds "__" cannot be chosen (see Choose).
enum class RowKind { Header, Command, UserCommand };

// One row of a category: its raw text and what it shows.
struct CommandRow {
  std::string Line; // the raw line; for a user command Section + "=;" + Command
  RowKind Kind = RowKind::Command;
  std::string Name;        // header: its HeaderName (localized); user command: the section name
  std::string Number;      // empty for headers and user commands
  std::string Description; // localized by number when a localized list is read; user
                           // command: its command
};

// What choosing a row writes into the selected button.
struct CommandChoice {
  std::string IconRef;                // "wcmicons.dll," and the mapped index
  std::string Command;                // the command name, or the user command's section name
  std::optional<std::string> Tooltip; // nothing: the button's tooltip stays as it was
};

class CommandCatalog {
public:
  // Reads everything afresh: "Totalcmd.inc" found with ResolveFile (blank lines
  // dropped), the localized list from FindLocalizedCommandList, then the categories.
  // When "Totalcmd.inc" cannot be read, LoadError() names it and the catalogue stays
  // empty (no category at all); the browser then reports the error and shows nothing.
  void Load(const std::string &exeFileName);

  // Why the last Load found no command list ("Cannot open file ..."); nothing when it
  // read one.
  const std::optional<platform::MessageText> &LoadError() const { return loadError_; }
  const std::vector<std::string> &CommandLines() const { return commandLines_; }
  const std::vector<std::string> &CategoryHeaders() const { return categoryHeaders_; }
  const LocalizedTexts &Localized() const { return localized_; }
  bool IsLocalized() const { return !localized_.Empty(); }

  // The category list in the browser's order: the "All" entry, the categories of the
  // command list, "usercmd.ini", and the localized user-command file when a localized
  // list is configured. Each entry knows the header lines it stands for, so entries
  // never depend on their positions: untranslated, a repeated category name is listed
  // once and stands for all headers of that name; translated, every header has its own
  // entry. A localized list that is configured but missing or empty translates nothing,
  // "All" included.
  const std::vector<CommandCategory> &Categories() const { return categories_; }

  // The rows of category index (0-based, as listed) that pass the filter; the filter
  // applies to the raw lines of "All" and the command categories and is ignored for
  // user-command categories, whose files are read afresh at each call. An index
  // outside the list gives no row.
  std::vector<CommandRow> Rows(size_t category, const std::string &filter = "") const;

  // What choosing the row writes; nothing for a header row.
  std::optional<CommandChoice> Choose(const CommandRow &row) const;

  // The index in Total Commander's icon library that "WCMICONS.INC" maps a command
  // number to; 0 for a missing file, section or key.
  int MappedIconIndex(const std::string &number) const;

private:
  void AddCommandCategories();
  void AddUserCommandCategories(const std::string &localizedName);
  CommandRow CommandListRow(const std::string &line) const;
  std::vector<CommandRow> UserCommandRows(const std::string &userFile) const;

  std::string exeFileName_;
  std::optional<platform::MessageText> loadError_;
  std::string iconMappingFile_; // empty when "WCMICONS.INC" was not found
  std::vector<std::string> commandLines_;
  std::vector<std::string> categoryHeaders_;
  std::vector<size_t> headerPositions_; // where each of categoryHeaders_ stands
  LocalizedTexts localized_;
  std::vector<CommandCategory> categories_;
};
