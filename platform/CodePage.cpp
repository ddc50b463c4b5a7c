#include "platform/CodePage.h"

#include "platform/Utf8.h"
#include "platform/WinePrefix.h"
#include "platform/WineRegistry.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <iconv.h>
#include <locale.h>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <wctype.h>

namespace platform {

namespace {

constexpr uint32_t kReplacement = 0xFFFD;

bool IsDoubleByte(int codePage) {
  return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
}

std::string IconvName(int codePage) {
  return "CP" + std::to_string(codePage);
}

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
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

// ---- single-byte code pages through tables ----------------------------------------

struct ByteTable {
  std::array<uint32_t, 256> unicode{};              // byte → code point
  std::unordered_map<uint32_t, unsigned char> byte; // code point → byte
};

const ByteTable &TableOf(int codePage) {
  static std::mutex lock;
  static std::map<int, std::unique_ptr<ByteTable>> tables;
  std::lock_guard<std::mutex> guard(lock);
  auto &table = tables[codePage];
  if (table)
    return *table;
  table = std::make_unique<ByteTable>();
  Converter &decode = ConverterFor("UTF-8", IconvName(codePage));
  for (int b = 0; b < 256; ++b) {
    const char byte = static_cast<char>(b);
    size_t consumed = 0;
    const std::string utf8 = decode.ok() ? decode.Run(std::string_view(&byte, 1), consumed) : "";
    size_t at = 0;
    std::optional<uint32_t> cp;
    if (consumed == 1 && !utf8.empty())
      cp = NextCodePoint(utf8, at);
    // An undefined byte of 0x80..0x9F stands for the C1 control of the same value, as
    // Windows maps them; any other undefined byte cannot be shown.
    if (!cp)
      cp = (b >= 0x80 && b <= 0x9F) ? static_cast<uint32_t>(b) : kReplacement;
    table->unicode[static_cast<size_t>(b)] = *cp;
    if (*cp != kReplacement)
      table->byte.emplace(*cp, static_cast<unsigned char>(b)); // the first byte wins
  }
  return *table;
}

// ---- double-byte code pages through iconv ------------------------------------------

std::string DoubleByteToUtf8(std::string_view bytes, int codePage) {
  Converter &decode = ConverterFor("UTF-8", IconvName(codePage));
  std::string out;
  while (!bytes.empty()) {
    size_t consumed = 0;
    out += decode.ok() ? decode.Run(bytes, consumed) : std::string();
    bytes.remove_prefix(consumed);
    if (bytes.empty())
      break;
    // A byte the code page cannot read, or a lead byte without its trail byte.
    AppendUtf8(kReplacement, out);
    bytes.remove_prefix(1);
  }
  return out;
}

std::optional<std::string> Utf8ToDoubleByte(std::string_view utf8, int codePage) {
  Converter &encode = ConverterFor(IconvName(codePage), "UTF-8");
  size_t consumed = 0;
  std::string bytes = encode.ok() ? encode.Run(utf8, consumed) : std::string();
  // Some characters share a byte form with another one; only a form that reads back as
  // the same character keeps the text as it was.
  if (consumed != utf8.size() || DoubleByteToUtf8(bytes, codePage) != utf8)
    return std::nullopt;
  return bytes;
}

// ---- choosing the code page --------------------------------------------------------

std::atomic<int> chosenCodePage{0};

std::string LocaleName() {
  for (const char *name : {"LC_ALL", "LC_CTYPE", "LANG"})
    if (const char *value = std::getenv(name); value && *value)
      return value;
  return "C";
}

// ---- letter case -------------------------------------------------------------------

locale_t UnicodeLocale() {
  static const locale_t locale =
      ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  return locale;
}

using CaseBytes = std::array<unsigned char, 256>;

// The case partner of each byte through Unicode, where it is a single byte as well.
CaseBytes MakeCaseBytes(int codePage, uint32_t (*change)(uint32_t)) {
  CaseBytes bytes{};
  for (int b = 0; b < 256; ++b)
    bytes[static_cast<size_t>(b)] = static_cast<unsigned char>(b);
  if (IsDoubleByte(codePage)) {
    for (int b = 0; b < 128; ++b)
      bytes[static_cast<size_t>(b)] = static_cast<unsigned char>(change(static_cast<uint32_t>(b)));
    return bytes;
  }
  const ByteTable &table = TableOf(codePage);
  for (int b = 0; b < 256; ++b) {
    const auto partner = table.byte.find(change(table.unicode[static_cast<size_t>(b)]));
    if (partner != table.byte.end())
      bytes[static_cast<size_t>(b)] = partner->second;
  }
  return bytes;
}

const CaseBytes &SharedCaseBytes(int codePage, bool lower) {
  static std::mutex lock;
  static std::map<std::pair<int, bool>, std::unique_ptr<CaseBytes>> tables;
  std::lock_guard<std::mutex> guard(lock);
  auto &table = tables[{codePage, lower}];
  if (!table)
    table = std::make_unique<CaseBytes>(
        MakeCaseBytes(codePage, lower ? LowerCodePoint : UpperCodePoint));
  return *table;
}

// Names are folded for every lookup: the last table asked for is kept per thread, so
// that the shared tables' lock is taken only when the code page changes.
const CaseBytes &CachedCaseBytes(int codePage, bool lower) {
  thread_local int lastCodePage[2] = {0, 0};
  thread_local const CaseBytes *last[2] = {nullptr, nullptr};
  const int slot = lower ? 0 : 1;
  if (last[slot] == nullptr || lastCodePage[slot] != codePage) {
    last[slot] = &SharedCaseBytes(codePage, lower);
    lastCodePage[slot] = codePage;
  }
  return *last[slot];
}

} // namespace

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

const std::array<unsigned char, 256> &LowerCaseBytes(int codePage) {
  return CachedCaseBytes(codePage, true);
}

const std::array<unsigned char, 256> &UpperCaseBytes(int codePage) {
  return CachedCaseBytes(codePage, false);
}

bool IsSupportedCodePage(int codePage) {
  return codePage == 874 || IsDoubleByte(codePage) || (codePage >= 1250 && codePage <= 1258);
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

std::optional<int> CodePageOfPrefix(const std::string &prefixDir) {
  if (prefixDir.empty())
    return std::nullopt;
  const auto value = ReadWineRegistryValue(
      prefixDir + "/system.reg", "System\\CurrentControlSet\\Control\\Nls\\CodePage", "ACP");
  if (!value)
    return std::nullopt;
  const int codePage = std::atoi(value->data.c_str());
  return IsSupportedCodePage(codePage) ? std::optional<int>(codePage) : std::nullopt;
}

int DetectedCodePage() {
  return CodePageOfPrefix(WinePrefixDir()).value_or(CodePageOfLocale(LocaleName()));
}

int SystemCodePage() {
  int codePage = chosenCodePage.load(std::memory_order_relaxed);
  if (codePage == 0) {
    codePage = DetectedCodePage();
    chosenCodePage.store(codePage, std::memory_order_relaxed);
  }
  return codePage;
}

bool SetSystemCodePage(int codePage) {
  if (codePage == 0) {
    chosenCodePage.store(DetectedCodePage());
    return true;
  }
  if (!IsSupportedCodePage(codePage))
    return false;
  chosenCodePage.store(codePage);
  return true;
}

bool IsMarked(std::string_view text) {
  return text.substr(0, Utf8Mark.size()) == Utf8Mark;
}

std::string CodePageToUtf8(std::string_view bytes, int codePage) {
  if (IsAscii(bytes))
    return std::string(bytes);
  if (IsDoubleByte(codePage))
    return DoubleByteToUtf8(bytes, codePage);
  const ByteTable &table = TableOf(codePage);
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char c : bytes)
    AppendUtf8(table.unicode[static_cast<unsigned char>(c)], out);
  return out;
}

std::optional<std::string> Utf8ToCodePage(std::string_view utf8, int codePage) {
  if (IsAscii(utf8))
    return std::string(utf8);
  if (IsDoubleByte(codePage))
    return Utf8ToDoubleByte(utf8, codePage);
  const ByteTable &table = TableOf(codePage);
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    const std::optional<uint32_t> cp = NextCodePoint(utf8, i);
    if (!cp)
      return std::nullopt;
    const auto found = table.byte.find(*cp);
    if (found == table.byte.end())
      return std::nullopt;
    out += static_cast<char>(found->second);
  }
  return out;
}

std::string TextToUtf8(std::string_view text, int codePage) {
  if (IsMarked(text))
    return std::string(text.substr(Utf8Mark.size()));
  return CodePageToUtf8(text, codePage);
}

std::string TextToUtf8(std::string_view text) {
  return TextToUtf8(text, SystemCodePage());
}

std::string Utf8ToText(std::string_view utf8, int codePage) {
  if (std::optional<std::string> bytes = Utf8ToCodePage(utf8, codePage))
    return std::move(*bytes);
  std::string marked(Utf8Mark);
  marked += utf8;
  return marked;
}

std::string Utf8ToText(std::string_view utf8) {
  return Utf8ToText(utf8, SystemCodePage());
}

bool IsLeadByte(unsigned char byte, int codePage) {
  switch (codePage) {
  case 932:
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
  case 936:
  case 949:
  case 950:
    return byte >= 0x81 && byte <= 0xFE;
  default:
    return false;
  }
}

size_t CharLength(std::string_view text, size_t i, int codePage) {
  return (i + 1 < text.size() && IsLeadByte(static_cast<unsigned char>(text[i]), codePage)) ? 2 : 1;
}

} // namespace platform
