#pragma once
// Unit misk (HostPaths): icon references, "file,index" as a button's "button" key holds
// them. Texts of the core; letter case is the code page's.
#include <optional>
#include <string>

// The file part of an icon reference, lower-cased, cut at its first comma.
std::string IconFilePart(const std::string &reference);
// The file part of an icon reference as it is written, cut at its first comma: what the
// editor shows and writes back, so that a name keeps the letter case it was given.
std::string IconFileAsWritten(const std::string &reference);
// The icon index of a reference: the digits after its last comma, 0 when there are none,
// negative when a minus sign leads them: then it names the icon whose resource
// identifier is -index, as the Windows shell reads "shell32.dll,-330" (IconPosition);
// nothing for a digit run beyond the 32-bit range, which names no icon of any file.
std::optional<int> IconIndexPart(const std::string &reference);
// IconIndexPart's index, or EConvertError for a digit run beyond the 32-bit range: for
// the editor, which shows the index of the reference it is given.
int IconIndexOrError(const std::string &reference);
// The position among the icons of the existing file that an index of IconIndexPart
// names: the index itself when it is 0 or more, else the position of the icon group whose
// identifier is -index; nothing when the file holds no such group. Every place that
// takes an icon out of a file by position goes through it.
std::optional<int> IconPosition(const std::string &file, int index);
