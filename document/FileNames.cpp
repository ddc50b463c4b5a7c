// Unit misk (HostPaths): the parts of a file name and the number rule.
#include "document/FileNames.h"

#include "platform/CodePage.h"
#include "platform/TextRules.h"

#include <algorithm>
#include <climits>
#include <cstdint>

std::optional<int> StrToInt(const std::string &text) {
  size_t pos = 0;
  while (pos < text.size() && text[pos] == ' ')
    ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
    negative = text[pos++] == '-';
  const size_t firstDigit = pos;
  int64_t value = 0;
  for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
    value = value * 10 + (text[pos] - '0');
    if (value > static_cast<int64_t>(INT_MAX) + 1)
      break;
  }
  if (negative)
    value = -value;
  if (pos == firstDigit || pos != text.size() || value > INT_MAX || value < INT_MIN)
    return std::nullopt;
  return static_cast<int>(value);
}

int StrToIntOrError(const std::string &text) {
  if (const std::optional<int> value = StrToInt(text))
    return *value;
  throw EConvertError("'" + text + "' is not a valid integer value");
}

std::string FileExtension(const std::string &name) {
  const size_t cut = platform::FindLastCharOf(name, ".\\:");
  return (cut != std::string::npos && name[cut] == '.') ? platform::TextPiece(name, cut)
                                                        : std::string();
}

std::string ChangeFileExt(const std::string &name, const std::string &ext) {
  const size_t cut = platform::FindLastCharOf(name, ".\\:");
  const bool hasExt = cut != std::string::npos && name[cut] == '.';
  return platform::JoinTexts({hasExt ? platform::TextPiece(name, 0, cut) : name, ext});
}

std::string ExtractFilePath(const std::string &name) {
  const size_t cut = platform::FindLastCharOf(name, "\\:");
  return cut == std::string::npos ? std::string() : platform::TextPiece(name, 0, cut + 1);
}

std::string ExtractFileName(const std::string &name) {
  const size_t cut = platform::FindLastCharOf(name, "\\:");
  return cut == std::string::npos ? name : platform::TextPiece(name, cut + 1);
}

std::string RemoveQuotes(const std::string &text) {
  std::string out(text);
  out.erase(std::remove(out.begin(), out.end(), '"'), out.end());
  return out;
}

bool EndsWithBackslash(const std::string &text) {
  return !text.empty() && platform::FindLastCharOf(text, "\\") == text.size() - 1;
}
