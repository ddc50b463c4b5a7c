#include "document/BarFileKind.h"

#include "platform/HostFiles.h"
#include "platform/Profile.h"
#include "platform/TextKind.h"
#include "platform/TextRules.h"

#include <algorithm>

BarFileKind KindOfBarFile(const std::string &fileName) {
  const std::optional<std::string> bytes = platform::ReadFileBytes(fileName);
  if (!bytes)
    return BarFileKind::Missing;
  switch (platform::KindOfText(*bytes)) {
  case platform::TextKind::Binary:
    return BarFileKind::Binary;
  case platform::TextKind::Blank:
    return BarFileKind::Empty;
  case platform::TextKind::Text:
    break;
  }
  const std::vector<std::string> sections = platform::ProfileSectionNames(fileName);
  const bool hasBar = std::any_of(sections.begin(), sections.end(), [](const std::string &name) {
    return platform::EqualNoCase(name, "Buttonbar");
  });
  return hasBar ? BarFileKind::Bar : BarFileKind::NoBarSection;
}

bool IsNoBar(BarFileKind kind) {
  return kind == BarFileKind::Binary || kind == BarFileKind::NoBarSection;
}

platform::MessageText NotABarMessage(const std::string &name, BarFileKind kind) {
  return platform::Message(kind == BarFileKind::Binary
                               ? "%s is not a button bar: it holds binary data"
                               : "%s is not a button bar: it has no [Buttonbar] section",
                           {platform::Verbatim(name)});
}
