// Arbitrary bytes as an INI file: parsed, read, edited through every kind of edit and
// written back, and as a whole text file, in a code page the last byte picks (one
// byte-per-character, one with two-byte characters). Nothing may crash, and an edited
// file must read back as it was left.
#include "platform/CodePage.h"
#include "platform/IniFile.h"
#include "platform/TextFile.h"
#include "platform/TextKind.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Names and values for the edits are cut from the input itself, so that the fuzzer
// can steer them into the file's own sections and keys.
std::string_view Piece(std::string_view bytes, size_t seed, size_t maxLength) {
  if (bytes.empty())
    return {};
  const size_t start = seed % bytes.size();
  return bytes.substr(start, (seed / 7) % (maxLength + 1));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char *>(data), size);
  platform::SetSystemCodePage(size > 0 && data[size - 1] % 2 ? 932 : 1251);
  (void)platform::DecodeTextFile(bytes);
  (void)platform::KindOfText(bytes);
  platform::IniFile ini = platform::IniFile::Parse(bytes);
  for (const std::string &name : ini.SectionNames())
    for (const auto &entry : ini.Entries(name))
      (void)ini.Get(name, entry.name);
  for (size_t step = 0; step < 8; ++step) {
    const size_t seed = step * 2654435761u + size;
    const std::string section(Piece(bytes, seed, 12));
    const std::string key(Piece(bytes, seed / 3 + 1, 12));
    const std::string value(Piece(bytes, seed / 5 + 2, 24));
    switch (step % 6) {
    case 0:
      ini.Set(section, key, value);
      break;
    case 1:
      ini.Add(section, key, value);
      break;
    case 2:
      ini.DeleteKey(section, key);
      break;
    case 3:
      ini.EmptySections(section);
      break;
    case 4: {
      // The section's lines backwards, every other one renamed or given a new value,
      // and one new line: the rewrite a save of a bar makes.
      const auto lines = ini.SectionLines(section);
      std::vector<platform::IniFile::LineEdit> edits;
      for (size_t i = lines.size(); i-- > 0;) {
        auto &edit = edits.emplace_back();
        edit.line = i;
        if (i % 2)
          edit.name = key;
        if (i % 3 == 0)
          edit.value = value;
      }
      edits.push_back({std::nullopt, key, value});
      ini.RewriteSection(section, edits);
      break;
    }
    default:
      ini.DeleteSection(section);
      break;
    }
  }
  // The edited text must parse to the same text: the index and the lines agree. (A
  // text that an edit made start like a byte order mark reads as Unicode, as it would
  // on Windows, so it is left out.)
  const std::string text = ini.Serialize();
  const unsigned char first = text.empty() ? 0 : static_cast<unsigned char>(text[0]);
  if (first != 0xEF && first != 0xFF && first != 0xFE &&
      platform::IniFile::Parse(text).Serialize() != text)
    __builtin_trap();
  return 0;
}
