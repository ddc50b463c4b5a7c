#pragma once
// The system code page and every conversion of Corvane's 8-bit texts.
//
// Texts in the core (bars, Total Commander's files, Windows names) are 8-bit strings in
// the system code page, as on Windows. A text holding a character the code page lacks
// is kept as UTF-8 marked with the UTF-8 byte order mark at its start: the form the
// editor stores such text in and Total Commander writes into 8-bit files. Conversions
// happen only at the edges (Unicode files, host file names, the screen, the command
// line); this unit owns all of them, over the host's conversions (CodePageSystem.h).
//
// On Windows the code page is the system's (GetACP); elsewhere it is chosen as Wine
// would: the "ACP" value of the Wine prefix's registry, else the locale (LC_ALL,
// LC_CTYPE, LANG). The program's "CodePage" setting overrides it (SetSystemCodePage). Double-byte
// code pages (932, 936, 949, 950) are supported: their lead bytes start two-byte characters whose
// second byte may look like ASCII.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

inline constexpr std::string_view Utf8Mark = "\xEF\xBB\xBF";

// The code pages Corvane converts: 874, 932, 936, 949, 950 and 1250 to 1258.
bool IsSupportedCodePage(int codePage);

// The code page of the 8-bit texts for this run.
int SystemCodePage();
// Makes codePage the system code page (the "CodePage" setting); 0 goes back to the one
// detected. An unsupported code page is refused: false, nothing changes.
bool SetSystemCodePage(int codePage);
// The code page the run starts in: the system's on Windows; elsewhere the one the Wine
// prefix's registry names, else the locale's.
int DetectedCodePage();
// The code page the machine's registry names (key
// System\CurrentControlSet\Control\Nls\CodePage, value "ACP"), when it names a supported one.
std::optional<int> CodePageOfRegistry();
// The ANSI code page Windows uses for a locale name such as "ru_RU.UTF-8"; 1252 for
// any language without one of its own, and for "C" and "POSIX".
int CodePageOfLocale(std::string_view locale);

// Whether the text is marked as UTF-8 by the byte order mark at its start.
bool IsMarked(std::string_view text);

// A text of the core (code page bytes, or marked UTF-8) as UTF-8, for the screen, the
// command line and Unicode files. Bytes the code page does not define become U+FFFD,
// except 0x80..0x9F, which stand for the C1 controls of the same value as Windows maps them.
std::string TextToUtf8(std::string_view text);
std::string TextToUtf8(std::string_view text, int codePage);
// UTF-8 as a text of the core: the code page's bytes when it holds every character,
// else the UTF-8 marked. Nothing is ever replaced.
std::string Utf8ToText(std::string_view utf8);
std::string Utf8ToText(std::string_view utf8, int codePage);
// The code page's bytes for UTF-8 text, or nothing when a character has no byte form
// that reads back as the same character (or the UTF-8 is malformed).
std::optional<std::string> Utf8ToCodePage(std::string_view utf8, int codePage);
// Code page bytes as UTF-8 (unmarked input only).
std::string CodePageToUtf8(std::string_view bytes, int codePage);

// The code page's lower-case (or upper-case) byte for each byte that is a character of
// its own; bytes without a single-byte case partner map to themselves. In a double-byte
// code page only ASCII letters have partners.
const std::array<unsigned char, 256> &LowerCaseBytes(int codePage);
const std::array<unsigned char, 256> &UpperCaseBytes(int codePage);
// The lower-case (upper-case) form of a Unicode character.
uint32_t LowerCodePoint(uint32_t cp);
uint32_t UpperCodePoint(uint32_t cp);

// Whether the byte starts a two-byte character in the code page.
bool IsLeadByte(unsigned char byte, int codePage);
// The length of the character that starts at text[i] of a code page text: 2 for a lead
// byte with its trail byte, else 1. Marked text is UTF-8, whose ASCII bytes always
// stand alone, so the callers below treat each of its bytes as one.
size_t CharLength(std::string_view text, size_t i, int codePage);

} // namespace platform
