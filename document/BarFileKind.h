#pragma once
// What a file named as a bar holds, as far as opening it as one goes. A bar is a text
// file (8-bit, UTF-8 or UTF-16, see TextKind.h) with a "Buttonbar" section, the name
// matched without regard to case as every lookup matches it. A missing file and a file
// with no text in it (nothing, or only a byte order mark and blanks) are a new bar: a save
// loses nothing of theirs. Anything else is no bar and is never loaded as one, so that no
// save turns a picture or a text of other use into a bar.
#include "platform/MessageText.h"

#include <cstdint>
#include <string>

enum class BarFileKind : uint8_t {
  Missing,      // no file of that name (or one that cannot be read: see KindOfBarFile)
  Empty,        // a file without text: a new bar
  Bar,          // text with a "Buttonbar" section
  Binary,       // data no text file holds
  NoBarSection, // text without a "Buttonbar" section
};

// The kind of the file of that Windows name. A file that cannot be read counts as
// missing: the caller that must tell the two apart checks it first
// (platform::CheckProfileReadable). The section names come from the profile functions'
// parse of the file, which a platform::ProfileBatch the caller holds keeps for its reads.
BarFileKind KindOfBarFile(const std::string &fileName);

// Whether a file of that kind is refused as a bar (Binary, NoBarSection).
bool IsNoBar(BarFileKind kind);

// "NAME is not a button bar: it holds binary data" (Binary), "... it has no [Buttonbar]
// section" (NoBarSection); name is shown as it is.
platform::MessageText NotABarMessage(const std::string &name, BarFileKind kind);
