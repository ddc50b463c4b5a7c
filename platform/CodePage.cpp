#include "platform/CodePage.h"

#include "platform/CodePageSystem.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace platform {

namespace {

constexpr uint32_t kReplacement = 0xFFFD;

bool IsDoubleByte(int codePage) {
  return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
}

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
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
  for (int b = 0; b < 256; ++b) {
    const char byte = static_cast<char>(b);
    size_t consumed = 0;
    const std::string utf8 = DecodeCodePageRun(std::string_view(&byte, 1), codePage, consumed);
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

// ---- double-byte code pages through the host's conversions
// ------------------------------------------

std::string DoubleByteToUtf8(std::string_view bytes, int codePage) {
  std::string out;
  while (!bytes.empty()) {
    size_t consumed = 0;
    out += DecodeCodePageRun(bytes, codePage, consumed);
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
  size_t consumed = 0;
  std::string bytes = EncodeCodePageRun(utf8, codePage, consumed);
  // Some characters share a byte form with another one; only a form that reads back as
  // the same character keeps the text as it was.
  if (consumed != utf8.size() || DoubleByteToUtf8(bytes, codePage) != utf8)
    return std::nullopt;
  return bytes;
}

// ---- choosing the code page --------------------------------------------------------

std::atomic<int> chosenCodePage{0};

// ---- letter case -------------------------------------------------------------------

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

const std::array<unsigned char, 256> &LowerCaseBytes(int codePage) {
  return CachedCaseBytes(codePage, true);
}

const std::array<unsigned char, 256> &UpperCaseBytes(int codePage) {
  return CachedCaseBytes(codePage, false);
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
