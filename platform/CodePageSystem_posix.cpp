// The code pages over glibc's iconv, letter case over the C.UTF-8 locale, and the code
// page chosen as Wine would: the "ACP" value of the Wine prefix's registry, else the
// locale (LC_ALL, LC_CTYPE, LANG).
#include "platform/CodePage.h"
#include "platform/CodePageSystem.h"

#include <cerrno>
#include <cstdlib>
#include <iconv.h>
#include <locale.h>
#include <map>
#include <memory>
#include <utility>
#include <wctype.h>

namespace platform {

namespace {

std::string IconvName(int codePage) {
  return "CP" + std::to_string(codePage);
}

// ---- iconv ----------------------------------------------------------------------

// One conversion descriptor per direction and code page, kept for the thread's life:
// opening one costs far more than a short conversion.
class Converter {
public:
  Converter(const std::string &to, const std::string &from)
      : cd_(::iconv_open(to.c_str(), from.c_str())) {}
  ~Converter() {
    if (ok())
      ::iconv_close(cd_);
  }
  Converter(const Converter &) = delete;
  Converter &operator=(const Converter &) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts as much as it can; returns the bytes converted and sets consumed to the
  // input bytes used. Stops at the first byte sequence it cannot convert.
  std::string Run(std::string_view input, size_t &consumed) {
    ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::string out(input.size() * 4 + 8, '\0');
    char *in = const_cast<char *>(input.data());
    size_t inLeft = input.size();
    char *outPtr = out.data();
    size_t outLeft = out.size();
    while (inLeft > 0) {
      if (::iconv(cd_, &in, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1))
        break;
      if (errno != E2BIG)
        break;
      const size_t used = out.size() - outLeft;
      out.resize(out.size() * 2);
      outPtr = out.data() + used;
      outLeft = out.size() - used;
    }
    if (inLeft == 0) // flush a stateful encoder
      ::iconv(cd_, nullptr, nullptr, &outPtr, &outLeft);
    consumed = input.size() - inLeft;
    out.resize(out.size() - outLeft);
    return out;
  }

private:
  iconv_t cd_;
};

Converter &ConverterFor(const std::string &to, const std::string &from) {
  thread_local std::map<std::pair<std::string, std::string>, std::unique_ptr<Converter>> open;
  auto &slot = open[{to, from}];
  if (!slot)
    slot = std::make_unique<Converter>(to, from);
  return *slot;
}

std::string LocaleName() {
  for (const char *name : {"LC_ALL", "LC_CTYPE", "LANG"})
    if (const char *value = std::getenv(name); value && *value)
      return value;
  return "C";
}

locale_t UnicodeLocale() {
  static const locale_t locale =
      ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  return locale;
}

} // namespace

std::string DecodeCodePageRun(std::string_view bytes, int codePage, size_t &consumed) {
  consumed = 0;
  Converter &decode = ConverterFor("UTF-8", IconvName(codePage));
  return decode.ok() ? decode.Run(bytes, consumed) : std::string();
}

std::string EncodeCodePageRun(std::string_view utf8, int codePage, size_t &consumed) {
  consumed = 0;
  Converter &encode = ConverterFor(IconvName(codePage), "UTF-8");
  return encode.ok() ? encode.Run(utf8, consumed) : std::string();
}

uint32_t LowerCodePoint(uint32_t cp) {
  const locale_t locale = UnicodeLocale();
  if (locale == static_cast<locale_t>(nullptr))
    return (cp >= 'A' && cp <= 'Z') ? cp + 32 : cp;
  return static_cast<uint32_t>(::towlower_l(static_cast<wint_t>(cp), locale));
}

uint32_t UpperCodePoint(uint32_t cp) {
  const locale_t locale = UnicodeLocale();
  if (locale == static_cast<locale_t>(nullptr))
    return (cp >= 'a' && cp <= 'z') ? cp - 32 : cp;
  return static_cast<uint32_t>(::towupper_l(static_cast<wint_t>(cp), locale));
}

int DetectedCodePage() {
  return CodePageOfRegistry().value_or(CodePageOfLocale(LocaleName()));
}

} // namespace platform
