// Unit misk (HostPaths): icon references.
#include "document/IconReference.h"

#include "document/FileNames.h"
#include "platform/CodePage.h"
#include "platform/IconHandle.h"
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
// negative tells whether a minus sign leads them (after blanks): the shell's "file,-ID".
std::string IndexDigits(const std::string &reference, bool &negative) {
  const size_t comma = reference.rfind(',');
  std::string digits;
  negative = false;
  if (comma == std::string::npos)
    return digits;
  const size_t first = reference.find_first_not_of(" \t", comma + 1);
  negative = first != std::string::npos && reference[first] == '-';
  for (size_t i = comma + 1; i < reference.size(); ++i)
    if (reference[i] >= '0' && reference[i] <= '9')
      digits += reference[i];
  return digits;
}

} // namespace

std::optional<int> IconIndexPart(const std::string &reference) {
  bool negative = false;
  const std::string digits = IndexDigits(reference, negative);
  if (digits.empty())
    return 0;
  const std::optional<int> value = StrToInt(digits);
  return value && negative ? std::optional<int>(-*value) : value;
}

int IconIndexOrError(const std::string &reference) {
  bool negative = false;
  const std::string digits = IndexDigits(reference, negative);
  if (digits.empty())
    return 0;
  const int value = StrToIntOrError(digits);
  return negative ? -value : value;
}

std::optional<int> IconPosition(const std::string &file, int index) {
  if (index >= 0)
    return index;
  const auto position = platform::IconGroupPosition(file, -index);
  return position ? std::optional<int>(static_cast<int>(*position)) : std::nullopt;
}
