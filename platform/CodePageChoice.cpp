// Which code pages there are and which one a system names: what both back ends of
// CodePageSystem.h choose the run's code page by.
#include "platform/CodePage.h"
#include "platform/Registry.h"

#include <cstdlib>
#include <map>

namespace platform {

bool IsSupportedCodePage(int codePage) {
  return codePage == 874 || codePage == 932 || codePage == 936 || codePage == 949 ||
         codePage == 950 || (codePage >= 1250 && codePage <= 1258);
}

int CodePageOfLocale(std::string_view locale) {
  const std::string_view name = locale.substr(0, locale.find_first_of(".@"));
  const std::string_view language = name.substr(0, name.find('_'));
  static const std::map<std::string_view, int> byLanguage = {
      {"ru", 1251}, {"uk", 1251}, {"bg", 1251}, {"sr", 1251}, {"pl", 1250}, {"cs", 1250},
      {"sk", 1250}, {"hu", 1250}, {"ro", 1250}, {"hr", 1250}, {"sl", 1250}, {"el", 1253},
      {"tr", 1254}, {"he", 1255}, {"ar", 1256}, {"fa", 1256}, {"et", 1257}, {"lv", 1257},
      {"lt", 1257}, {"vi", 1258}, {"th", 874},  {"ja", 932},  {"ko", 949},
  };
  if (language == "zh")
    return (name == "zh_TW" || name == "zh_HK") ? 950 : 936;
  const auto found = byLanguage.find(language);
  return found == byLanguage.end() ? 1252 : found->second;
}

std::optional<int> CodePageOfRegistry() {
  const auto value = ReadRegistryValue(RegistryHive::LocalMachine,
                                       "System\\CurrentControlSet\\Control\\Nls\\CodePage", "ACP");
  if (!value)
    return std::nullopt;
  const int codePage = std::atoi(value->data.c_str());
  return IsSupportedCodePage(codePage) ? std::optional<int>(codePage) : std::nullopt;
}

} // namespace platform
