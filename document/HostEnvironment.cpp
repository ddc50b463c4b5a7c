// Unit misk (HostPaths): the environment and the search path.
#include "document/HostEnvironment.h"

#include "document/FileNames.h"
#include "platform/Environment.h"
#include "platform/HostFiles.h"
#include "platform/TextRules.h"

std::string GetEnvironment(const std::string &name) {
  return platform::EnvironmentValue(name).value_or(std::string());
}

std::optional<std::string> SearchPathDirs(const std::string &fileName) {
  if (fileName.empty())
    return std::nullopt;
  std::vector<std::string> dirs;
  SplitSearchPath(dirs);
  for (const std::string &dir : dirs) {
    const std::string candidate =
        platform::JoinTexts({dir, EndsWithBackslash(dir) ? "" : "\\", fileName});
    if (platform::FileExists(candidate))
      return candidate;
  }
  return std::nullopt;
}

int SplitSearchPath(std::vector<std::string> &list) {
  const std::string path = GetEnvironment("Path");
  if (path.empty())
    return 0;
  list.clear();
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(';', start);
    if (end == std::string::npos)
      end = path.size();
    if (end > start)
      list.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return static_cast<int>(list.size());
}
