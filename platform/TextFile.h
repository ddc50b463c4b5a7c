#pragma once
// Text files and the Unicode encodings they come in: the whole-file reading of
// "usercmd.ini", the command lists and the language files, and the byte order marks and
// UTF-16 conversions that the INI files share with it.
//
// A file that starts with the byte order mark of UTF-8, UTF-16 LE or UTF-16 BE holds
// Unicode text; any other file holds text in the system code page, taken byte for byte.
// Unicode text becomes the core's 8-bit form (see CodePage.h) line by line, so that the
// callers' line splitters and key=value rules still read it as before:
// - a line whose characters the code page all holds becomes the code page's bytes;
// - in any other line, the text from just after the last "=", ";" or "[" that comes
//   before the first character the code page lacks (or from the line's start when
//   there is none) to the line's end becomes one piece of marked UTF-8; what comes
//   before it becomes code page bytes. So "key=Значение" gives "key=" + mark +
//   "Значение", the command line "cm_X=123;Описание" keeps "cm_X=123;" readable, and the
//   header "[Команда]" gives "[" + mark + "Команда]".
// Line ends (CR LF, LF, CR) stay as they are, so the lines split as they would. A
// malformed UTF-8 sequence counts as a character the code page lacks and goes into the
// marked piece unchanged; an unpaired UTF-16 surrogate becomes U+FFFD, and an odd last
// byte of a UTF-16 file is dropped.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

enum class TextEncoding : uint8_t { Ansi, Utf8, Utf16Le, Utf16Be };

// The encoding whose byte order mark the bytes start with; Ansi without one.
TextEncoding EncodingOf(std::string_view bytes);
// The text of a Unicode file (bytes, mark included, in the encoding EncodingOf named)
// as UTF-8 without the mark. The bytes of a UTF-8 file are kept as they are.
std::string UnicodeFileToUtf8(std::string_view bytes, TextEncoding encoding);
// UTF-8 text as the bytes of a Unicode file in that encoding, its mark first.
std::string Utf8ToUnicodeFile(std::string_view utf8, TextEncoding encoding);

// UTF-8 text in the core's form, by the line rule above.
std::string Utf8LinesToText(std::string_view utf8, int codePage);
// A text file's bytes as the core's text: Unicode by the line rule in the system code
// page, anything else as it is.
std::string DecodeTextFile(std::string_view bytes);
// The text of the file of that Windows name, as DecodeTextFile gives it; nothing when
// the file is missing or cannot be read.
std::optional<std::string> ReadTextFile(const std::string &windowsName);

} // namespace platform
