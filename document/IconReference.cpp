// Unit misk (HostPaths): icon references.
#include "document/IconReference.h"

#include "document/FileNames.h"
#include "platform/CodePage.h"
#include "platform/TextRules.h"

std::string IconFilePart(const std::string &reference) {
  const std::string lower = platform::LowerText(reference);
  return platform::TextPiece(lower, 0, lower.find(','));
}

std::string IconFileAsWritten(const std::string &reference) {
  return platform::TextPiece(reference, 0, platform::FindChar(reference, ','));
}

namespace {

// The digits after the last comma of a reference, in order; empty when there are none.
std::string IndexDigits(const std::string &reference) {
  const size_t comma = reference.rfind(',');
  std::string digits;
  if (comma == std::string::npos)
    return digits;
  for (size_t i = comma + 1; i < reference.size(); ++i)
    if (reference[i] >= '0' && reference[i] <= '9')
      digits += reference[i];
  return digits;
}

} // namespace

std::optional<int> IconIndexPart(const std::string &reference) {
  const std::string digits = IndexDigits(reference);
  return digits.empty() ? 0 : StrToInt(digits);
}

int IconIndexOrError(const std::string &reference) {
  const std::string digits = IndexDigits(reference);
  return digits.empty() ? 0 : StrToIntOrError(digits);
}
