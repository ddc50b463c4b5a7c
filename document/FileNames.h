#pragma once
// Unit misk (HostPaths): the parts of a file name and the number rule of the files the
// program reads. Pure text rules, used by every lookup above them and calling none.
//
// Every name here is a Windows name, a text of the core (code page bytes, or marked UTF-8;
// see platform/CodePage.h). Separators are characters of the code page, never the second
// byte of a two-byte character. A name joined from parts is one text: in the code page
// when it holds every character, else marked as a whole.
#include "platform/MessageText.h"

#include <optional>
#include <string>

// The conversion error of a text that is not a 32-bit signed decimal number.
class EConvertError : public platform::EMessageError {
public:
  using platform::EMessageError::EMessageError;
};

// A decimal integer: optional leading blanks, an optional sign, decimal digits, nothing
// after them, within the 32-bit signed range; nothing for anything else. Hexadecimal
// ("$1F") is not accepted: no file Corvane reads writes numbers that way, and an icon
// index must not change meaning.
std::optional<int> StrToInt(const std::string &text);
// StrToInt's number, or EConvertError "'<text>' is not a valid integer value": for a
// number the user gave, whose error the user is shown.
int StrToIntOrError(const std::string &text);

// The extension of a name: the text from its last dot, dot included, when no backslash
// or colon follows that dot; otherwise empty.
std::string FileExtension(const std::string &name);
// The name with its extension replaced by ext, or ext appended when it has none.
std::string ChangeFileExt(const std::string &name, const std::string &ext);
// The folder part of a name, up to and including its last backslash or colon.
std::string ExtractFilePath(const std::string &name);
// The name without its folder part. Parts of a marked name are texts of their own (see
// platform::TextPiece): in the code page where it holds them.
std::string ExtractFileName(const std::string &name);
// The text without any double-quote character.
std::string RemoveQuotes(const std::string &text);
// Whether the last character is a backslash, not the second byte of a two-byte one.
bool EndsWithBackslash(const std::string &text);
