// The translation lookup, the choice of the language file and the menu sections.
#include "document/Translation.h"

#include "document/FileNames.h"
#include "document/Resolve.h"
#include "document/Settings.h"
#include "platform/TextFile.h"
#include "platform/TextRules.h"

#include <algorithm>

namespace {

const char *const BarCaptionKey = "5065";

LocalizedTexts LoadTable(const std::string &languageFile) {
  return LocalizedTexts(LoadLines(languageFile));
}

} // namespace

std::vector<std::string> LoadLines(const std::string &windowsName) {
  std::vector<std::string> lines;
  if (const auto text = platform::ReadTextFile(windowsName))
    for (const std::string_view line : platform::SplitLines(*text))
      lines.emplace_back(line);
  return lines;
}

void ExtractMenuSection(std::vector<std::string> &lines, const std::string &header) {
  auto start = std::find_if(lines.begin(), lines.end(), [&](const std::string &line) {
    return platform::LowerText(line) == header;
  });
  if (start != lines.end())
    ++start;
  lines.erase(lines.begin(), start);
  const auto end = std::find_if(lines.begin(), lines.end(), [](const std::string &line) {
    return line.find('[') != std::string::npos;
  });
  lines.erase(end, lines.end());
  std::erase_if(lines, [](const std::string &line) { return line.empty() || line[0] == ';'; });
}

std::string Translate(const LocalizedTexts &table, const std::string &key) {
  const std::string value = RemoveQuotes(table.Lookup(key));
  return value.empty() ? RemoveQuotes(key) : value;
}

bool TranslatesBarCaption(const LocalizedTexts &table) {
  return Translate(table, BarCaptionKey) != BarCaptionKey;
}

std::string ProgramLanguageFile(const std::string &exeFileName) {
  return platform::JoinTexts({ExtractFilePath(exeFileName), LanguageSetting(exeFileName), ".lng"});
}

LanguageChoice SelectLanguage(const std::string &exeFileName) {
  LanguageChoice choice{ProgramLanguageFile(exeFileName), {}};
  choice.Table = LoadTable(choice.FileName);
  // A missing file has no lines, so it translates nothing either.
  if (TranslatesBarCaption(choice.Table))
    return choice;
  choice.FileName = ChangeFileExt(FindLocalizedCommandList(exeFileName), ".lng");
  choice.Table = LoadTable(choice.FileName);
  return choice;
}

std::vector<std::string> ParamMenuLines(const std::string &exeFileName) {
  std::vector<std::string> lines = LoadLines(ProgramLanguageFile(exeFileName));
  ExtractMenuSection(lines, "[params]");
  return lines;
}

std::vector<std::string> PathMenuLines(const std::string &exeFileName) {
  std::vector<std::string> lines = LoadLines(SettingsFileName(exeFileName));
  ExtractMenuSection(lines, "[paths]");
  return lines;
}
