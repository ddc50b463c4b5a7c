#pragma once
// The translation of every caption and message: the language file chosen at start (the
// program's own beside the executable, or else Total Commander's), looked up by an English
// key or a Total Commander string number such as "5065"; and the menu sections that the
// program's text files carry ("[params]" in the language file, "[paths]" in the settings).
//
// A language file is a text file (8-bit, or Unicode with a byte order mark, as TextFile.h
// reads it) of key=value lines. Its lines are looked up as the localized command list's
// are (LocalizedTexts): the first line whose text before its first "=" equals the key,
// ignoring case and trimming nothing, so keys may hold blanks ("On  t op") and
// backslashes ("Rename\Copy"); lines without "=" never match.
#include "document/CommandCatalog.h"

#include <functional>
#include <string>
#include <vector>

// The translation lookup as a window receives it from the one that owns the table.
using Translator = std::function<std::string(const std::string &key)>;

// The lines of a text file, split where CR LF, LF or CR ends one; empty when the file is
// missing or cannot be read.
std::vector<std::string> LoadLines(const std::string &windowsName);

// Cuts lines down to the body of the section headed header, given in lower case
// ("[params]", "[paths]"): everything up to and including the first line that is the
// header in lower case (whole: a blank around it makes it no header) goes, then the first
// line holding "[" anywhere and all after it; then empty lines and lines starting with
// ";". Without the header nothing is left.
void ExtractMenuSection(std::vector<std::string> &lines, const std::string &header);

// The text of key in the table's language, every double quote removed; the key itself,
// without double quotes, when the table has no line for it or that line's value is empty
// or only double quotes.
std::string Translate(const LocalizedTexts &table, const std::string &key);
// Whether the table translates "5065", the caption of the bar: the test of a usable
// language file.
bool TranslatesBarCaption(const LocalizedTexts &table);

// The language file chosen at start and its lines.
struct LanguageChoice {
  std::string FileName; // may name a file that does not exist
  LocalizedTexts Table; // the file's lines; none when it is missing
};

// The program's language file: the folder of exeFileName, the "Language" setting, ".lng".
std::string ProgramLanguageFile(const std::string &exeFileName);
// The program's language file when it exists and translates "5065"; else Total Commander's
// language file: the localized command list (FindLocalizedCommandList) with the extension
// ".lng", with its lines when it exists. The captions are translated only when the choice
// translates "5065" (TranslatesBarCaption).
LanguageChoice SelectLanguage(const std::string &exeFileName);
// The entries of the parameter menu: the "[params]" section of the program's language file,
// also when SelectLanguage passes that file over for its translations.
std::vector<std::string> ParamMenuLines(const std::string &exeFileName);
// The entries of the path menu: the "[paths]" section of the settings file in use
// (SettingsFileName), read as a text file (see ExtractMenuSection); empty without the file
// or the section.
std::vector<std::string> PathMenuLines(const std::string &exeFileName);
