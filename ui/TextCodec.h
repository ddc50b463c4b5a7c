#pragma once
// Texts cross between the core (8-bit strings in the system code page, or UTF-8 marked
// with the byte-order mark for what the code page cannot hold) and Qt (Unicode) only
// here, through the core's one conversion unit.
#include <QString>

#include <string>

namespace ui {

// The bytes as the user should read them (the mark itself is not shown).
QString ToDisplay(const std::string &bytes);
// The text in the code page when every character fits, else the mark followed by UTF-8.
std::string FromDisplay(const QString &text);

} // namespace ui
