#pragma once
// Whether a file's bytes hold text at all, told before they are read as INI text: the
// profile functions read any bytes, so a picture would read as a file without sections.
//
// The rule, for the encodings TextFile.h tells apart by their byte order marks:
// - text never holds a control character other than the blanks of the INI reading rules
//   (tab, LF, VT, FF, CR, and Ctrl-Z, the DOS end of file that old files carry). In an
//   8-bit or UTF-8 file that is a byte 0x00..0x1F; every byte from 0x20 up is a character
//   of some code page (0x80..0x9F too, in the Windows code pages), and the trail byte of a
//   double-byte character is never below 0x40, so no real text in any code page has one.
// - in a UTF-16 file it is a code unit 0x0000..0x001F (NUL included); the units above are
//   characters, and what a decoder makes of an unpaired surrogate is no reason to refuse
//   a file. An odd last byte is left out, as the reader drops it.
// - UTF-16 without a byte order mark is not text: read as 8-bit text it holds NULs, and
//   Windows' profile functions do not read it either.
#include <cstdint>
#include <string_view>

namespace platform {

enum class TextKind : uint8_t {
  Blank,  // nothing but a byte order mark and blanks: no text at all
  Text,   // text with something in it
  Binary, // a control character no text holds
};

// The kind of the bytes of a whole file. One pass, stopping at the first control
// character that makes them binary.
TextKind KindOfText(std::string_view bytes);

} // namespace platform
