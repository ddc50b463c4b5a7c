#pragma once
// The rules every part of Corvane applies to its 8-bit texts (code page bytes, or UTF-8
// marked with the byte order mark; see CodePage.h): letter case and comparison without
// regard to it, finding a character without mistaking the second byte of a two-byte
// character for it, and splitting text into lines. One rule each, by the system code
// page, so that no part of the program compares or cuts names differently.
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The text in lower (upper) case: the code page's letters, or every letter of a marked
// text; the bytes of two-byte characters stay as they are.
std::string LowerText(std::string_view text);
std::string UpperText(std::string_view text);
// LowerText into out, reusing its storage.
void LowerTextInto(std::string_view text, std::string &out);
// Whether the texts are equal without regard to case.
bool EqualNoCase(std::string_view a, std::string_view b);

// The position of the first ASCII character c at or after from that stands for itself,
// never the second byte of a two-byte character; npos when there is none.
size_t FindChar(std::string_view text, char c, size_t from = 0);
// The position of the last character that is one of the ASCII characters chars, as
// FindChar tells characters; npos when there is none.
size_t FindLastCharOf(std::string_view text, std::string_view chars);
// Whether part occurs in the text starting at a character, as FindChar tells characters:
// an ASCII word is never found at the second byte of a two-byte character.
bool ContainsText(std::string_view text, std::string_view part);

// A piece of a text as a text of its own: from and length count the text's bytes, a
// marked text's mark included. A piece of a marked text is converted anew, so it is the
// code page's bytes where they hold it, and marked otherwise.
std::string TextPiece(std::string_view text, size_t from, size_t length = std::string_view::npos);
// Texts joined into one: as they are when none is marked, else converted anew as a whole,
// so that no mark stands in the middle.
std::string JoinTexts(std::initializer_list<std::string_view> parts);

// The lines of a text: CR LF, LF and CR each end one; a final line end adds no empty
// line. The views point into text.
std::vector<std::string_view> SplitLines(std::string_view text);

} // namespace platform
