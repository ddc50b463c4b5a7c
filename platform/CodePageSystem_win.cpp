// The code pages, letter case and the system code page as Windows itself has them.
#include "platform/CodePage.h"
#include "platform/CodePageSystem.h"
#include "platform/Utf8.h"

#include <windows.h>

namespace platform {

namespace {

// A character as UTF-16: one unit, or a surrogate pair.
std::wstring Utf16Of(uint32_t cp) {
  if (cp < 0x10000)
    return std::wstring(1, static_cast<wchar_t>(cp));
  cp -= 0x10000;
  return {static_cast<wchar_t>(0xD800 + (cp >> 10)), static_cast<wchar_t>(0xDC00 + (cp & 0x3FF))};
}

std::optional<uint32_t> CodePointOf(const std::wstring &text) {
  if (text.size() == 1 && (text[0] < 0xD800 || text[0] > 0xDFFF))
    return text[0];
  if (text.size() == 2 && text[0] >= 0xD800 && text[0] < 0xDC00 && text[1] >= 0xDC00 &&
      text[1] <= 0xDFFF)
    return 0x10000 + ((uint32_t(text[0]) - 0xD800) << 10) + (uint32_t(text[1]) - 0xDC00);
  return std::nullopt;
}

// The code page's bytes as UTF-16; nothing when they hold a sequence it does not define.
std::optional<std::wstring> Decode(std::string_view bytes, int codePage) {
  if (bytes.empty())
    return std::wstring();
  const int size = static_cast<int>(bytes.size());
  const int count = ::MultiByteToWideChar(static_cast<UINT>(codePage), MB_ERR_INVALID_CHARS,
                                          bytes.data(), size, nullptr, 0);
  if (count <= 0)
    return std::nullopt;
  std::wstring wide(static_cast<size_t>(count), L'\0');
  ::MultiByteToWideChar(static_cast<UINT>(codePage), MB_ERR_INVALID_CHARS, bytes.data(), size,
                        wide.data(), count);
  return wide;
}

// The character in the code page, without the best-fit stand-ins Windows would pick for
// a character the code page lacks; nothing when it has no byte form.
std::optional<std::string> Encode(uint32_t cp, int codePage) {
  const std::wstring wide = Utf16Of(cp);
  char bytes[8];
  BOOL defaulted = FALSE;
  const int count = ::WideCharToMultiByte(static_cast<UINT>(codePage), WC_NO_BEST_FIT_CHARS,
                                          wide.data(), static_cast<int>(wide.size()), bytes,
                                          sizeof bytes, nullptr, &defaulted);
  if (count <= 0 || defaulted)
    return std::nullopt;
  return std::string(bytes, static_cast<size_t>(count));
}

uint32_t MapCase(uint32_t cp, DWORD flag) {
  const std::wstring wide = Utf16Of(cp);
  wchar_t mapped[4];
  const int count = ::LCMapStringEx(LOCALE_NAME_INVARIANT, flag, wide.data(),
                                    static_cast<int>(wide.size()), mapped, 4, nullptr, nullptr, 0);
  if (count <= 0)
    return cp;
  // Only a partner of one character counts, as for a byte of the code page.
  return CodePointOf(std::wstring(mapped, static_cast<size_t>(count))).value_or(cp);
}

} // namespace

// A whole run converts in one call; only a run with an undefined sequence is walked
// character by character to find where it stops.
std::string DecodeCodePageRun(std::string_view bytes, int codePage, size_t &consumed) {
  size_t valid = bytes.size();
  std::optional<std::wstring> wide = Decode(bytes, codePage);
  if (!wide) {
    valid = 0;
    while (valid < bytes.size()) {
      const size_t length =
          ::IsDBCSLeadByteEx(static_cast<UINT>(codePage), static_cast<BYTE>(bytes[valid])) ? 2 : 1;
      if (valid + length > bytes.size() || !Decode(bytes.substr(valid, length), codePage))
        break;
      valid += length;
    }
    wide = Decode(bytes.substr(0, valid), codePage);
  }
  consumed = valid;
  std::string utf8;
  for (size_t i = 0; wide && i < wide->size(); ++i) {
    const bool pair = (*wide)[i] >= 0xD800 && (*wide)[i] < 0xDC00 && i + 1 < wide->size();
    const auto cp = CodePointOf(wide->substr(i, pair ? 2 : 1));
    AppendUtf8(cp.value_or(0xFFFD), utf8);
    i += pair && cp ? 1 : 0;
  }
  return utf8;
}

std::string EncodeCodePageRun(std::string_view utf8, int codePage, size_t &consumed) {
  std::string bytes;
  consumed = 0;
  for (size_t i = 0; i < utf8.size();) {
    const std::optional<uint32_t> cp = NextCodePoint(utf8, i);
    const std::optional<std::string> encoded = cp ? Encode(*cp, codePage) : std::nullopt;
    if (!encoded)
      break;
    bytes += *encoded;
    consumed = i;
  }
  return bytes;
}

uint32_t LowerCodePoint(uint32_t cp) {
  return MapCase(cp, LCMAP_LOWERCASE);
}

uint32_t UpperCodePoint(uint32_t cp) {
  return MapCase(cp, LCMAP_UPPERCASE);
}

int DetectedCodePage() {
  const int codePage = static_cast<int>(::GetACP());
  return IsSupportedCodePage(codePage) ? codePage : 1252;
}

} // namespace platform
