#pragma once
// Texts cross between the core (8-bit strings in the system code page) and Qt (Unicode)
// only here. Off Windows the code page is Windows-1252, which is what Total Commander's
// files hold on a Western system. A value that starts with the UTF-8 byte-order mark is
// Total Commander's way of storing one Unicode value in an 8-bit file: it is shown as UTF-8.
#include <QString>

#include <string>

namespace ui {

inline constexpr char Utf8Mark[] = "\xEF\xBB\xBF";

// The bytes as the user should read them (the mark itself is not shown).
QString ToDisplay(const std::string &bytes);
// The text in the code page when every character fits, else the mark followed by UTF-8.
std::string FromDisplay(const QString &text);

} // namespace ui
