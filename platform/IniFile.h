#pragma once
// The text of one INI file as the Windows profile functions read it, edited in place.
//
// Reading rules (those of the Windows profile functions):
// - a line ends at CR LF, LF or CR; blanks (tab, LF, VT, FF, CR, space and Ctrl-Z) around
//   a line do not count and a line of blanks is ignored;
// - a line starting with "[" that contains a "]" is a section header; the name lies
//   between the "[" and the last "]" of the line, without blanks at its ends;
// - every other line is a key: the name before the first "=", the value after it, both
//   without blanks at their ends; a line without "=" is a key without a value, which a
//   lookup finds but which reads as missing; a name starting with ";" is a comment that
//   only the lists leave out;
// - lines before the first header belong to a section with an empty name;
// - names match without regard to case, by the letters of the system code page the
//   text was parsed under (the second byte of a two-byte character is never folded);
//   a marked name (see CodePage.h) by the letters of Unicode;
// - a lookup takes the first section of a name and the first key of a name in it;
// - a NUL byte ends a name or a value, as it ends the C string the caller gets.
// A file that starts with a UTF-8 or UTF-16 byte order mark holds Unicode text and
// keeps its encoding and mark. Its names and values cross this interface as the core's
// texts: code page bytes when the code page holds every character, else marked UTF-8;
// a marked text written into it is stored as its characters, without the mark. An 8-bit
// file takes and gives bytes as they are, marked texts included.
//
// Edits change only the lines they concern: a new value replaces the old one between
// the same surrounding bytes, a new key goes after the last non-blank line of its
// section, a new section at the end of the file; every other byte, the line-end style
// and a missing final line end stay as they were. Lookups cost O(1) through a hash
// index per section; appending or deleting a key costs O(1) amortized.
#include "platform/CodePage.h"
#include "platform/TextFile.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform {

// The blanks that the reading rules trim around lines, names and values: tab to CR,
// space, and Ctrl-Z (the DOS end of file that some old files carry).
bool IsIniBlank(char c);

class IniFile {
public:
  // One line of a section as the section lists show it: the name and, for a line
  // with "=", the value.
  struct Entry {
    std::string name;
    std::optional<std::string> value;
  };

  // Any bytes make a file; nothing is rejected.
  static IniFile Parse(std::string_view bytes);
  // The same, keeping the bytes themselves as the text of an 8-bit file.
  static IniFile ParseTaking(std::string &&bytes);
  // The file's bytes, in its own encoding.
  std::string Serialize() const;

  // The raw value (blanks cut, quotes kept) of the first key of that name in the first
  // section of that name; nothing when either is missing or the key has no "=". Names
  // are matched without their surrounding blanks. The view lives until the next call.
  std::optional<std::string_view> Get(std::string_view section, std::string_view key) const;
  // Every non-blank line of the first section named exactly so (case aside), in order.
  std::vector<Entry> Entries(std::string_view section) const;
  // Calls visit(name, value) for every key line of the section named so (the first of
  // that name), in file order, comment lines included: the name as lookups match it,
  // the value as Get gives it, nothing for a line without "=". The views last for the
  // call only.
  void VisitKeys(
      std::string_view section,
      const std::function<void(std::string_view, std::optional<std::string_view>)> &visit) const;
  // The names of all sections in file order, duplicates included, unnamed ones left out.
  std::vector<std::string> SectionNames() const;
  // The names of the sections lookups read, in file order: each name once, as the first
  // section of that name writes it; unnamed ones left out.
  std::vector<std::string> DistinctSectionNames() const;

  // One line of a section as it stands, for rewriting the section line by line.
  struct SectionLine {
    bool isKey = false;               // a key line, with or without "=" (comment lines included)
    std::string name;                 // a key line's name as lookups match it
    std::optional<std::string> value; // its value as Get gives it, for a line with "="
  };
  // Every line after the header of the first section named so, blank lines included,
  // in file order; empty when there is no such section.
  std::vector<SectionLine> SectionLines(std::string_view section) const;
  // One line of a rewritten section: the line at that index of SectionLines, its name
  // or value replaced where one is given, or a new line name=value.
  struct LineEdit {
    std::optional<size_t> line;
    std::optional<std::string> name;
    std::optional<std::string> value;
  };

  // Each edit returns true when the file's text changed.
  // Sets the first key of that name, or appends it to the first section of that name,
  // or appends the section with the key at the end of the file. Leading blanks of the
  // key and of the value are dropped.
  bool Set(std::string_view section, std::string_view key, std::string_view value);
  // Appends the key even when the section has one of that name already.
  bool Add(std::string_view section, std::string_view key, std::string_view value);
  // Gives the first section named so exactly these lines, in this order; its lines not
  // among them go. A kept line keeps its line end and every byte but the name or value
  // replaced, which take the place of the old ones between the same surrounding bytes;
  // a new line takes the file's line end. Nothing happens without such a section.
  bool RewriteSection(std::string_view section, const std::vector<LineEdit> &lines);
  // Deletes the first key named exactly so in the sections named exactly so.
  bool DeleteKey(std::string_view section, std::string_view key);
  // Deletes the first section named exactly so, header and lines.
  bool DeleteSection(std::string_view section);
  // Removes every key and comment line of all sections named exactly so; the headers
  // and the blank lines that close the sections stay.
  bool EmptySections(std::string_view section);
  // The same for the first section of that name only: the one lookups read, so the
  // keys of a later section of the same name stay as they are.
  bool EmptyFirstSection(std::string_view section);

private:
  static constexpr uint32_t kNone = 0xFFFFFFFFu;
  enum class LineKind : uint8_t { Blank, Header, Key };

  // Where the parts of a line lie, as offsets into its text. For a header, name is the
  // section name; for a key, name is the key. The *End offsets are those of the
  // blank-trimmed parts, the *Cut offsets stop at the first NUL.
  struct Shape {
    LineKind kind = LineKind::Blank;
    bool hasValue = false;
    uint32_t nameBegin = 0, nameEnd = 0, nameCut = 0;
    uint32_t valueBegin = 0, valueEnd = 0, valueCut = 0;
  };
  struct Line {
    uint32_t offset = 0, length = 0; // the text inside base_, or inside added_ if owned
    bool isOwned = false;
    bool alive = true;
    uint8_t eolLength = 0;
    char eol[2] = {0, 0};
    Shape shape;
    uint32_t prev = kNone, next = kNone;
    uint32_t section = 0;
    uint32_t nextSameKey = kNone; // the next line of the section with the same key
  };
  // One key of a section in its open-addressing index: the lines with that key, in
  // file order, linked through Line::nextSameKey. A slot never used has first ==
  // kNone; one whose lines were all deleted has first == kGone.
  static constexpr uint32_t kGone = 0xFFFFFFFEu;
  struct KeySlot {
    uint32_t hash = 0;
    uint32_t first = kNone, last = kNone;
  };
  struct Section {
    uint32_t header = kNone;      // none for the part before the first header
    uint32_t lastLine = kNone;    // the section's last line, blank or not
    uint32_t lastContent = kNone; // its last non-blank line (or the header)
    bool alive = true;
    // The key index is built when a key of the section is first looked up, so that a
    // file read in one pass never pays for it.
    bool indexed = false;
    std::vector<KeySlot> slots; // a power of two in size, at most half filled
    uint32_t filled = 0;        // slots in use or gone
  };

  void UseCodePage(int codePage);
  template <class Take> void ForEachFolded(std::string_view apiName, Take take) const;
  void FoldInto(std::string_view apiName, std::string &out) const;
  uint32_t HashFolded(std::string_view apiName) const;
  bool EqualFolded(std::string_view a, std::string_view b) const;

  static Shape ShapeOf(std::string_view text);
  std::string_view TextOf(const Line &line) const;
  std::string_view NameOf(const Line &line) const;
  std::string_view ValueOf(const Line &line) const;
  std::string FoldedFileName(std::string_view fileText) const;
  std::string_view ApiText(std::string_view fileText) const;
  std::string FileText(std::string_view apiText) const;
  // FileText without a copy where the file is 8-bit; storage holds a converted text.
  std::string_view FileTextView(std::string_view apiText, std::string &storage) const;

  void AddParsedLine(uint32_t offset, uint32_t length, std::string_view eol);
  void IndexKey(uint32_t sectionId, uint32_t lineId);
  void EnsureIndexed(uint32_t sectionId);
  uint32_t IdOf(const Section &section) const;
  std::string_view ApiName(const Line &line, std::string &storage) const;
  size_t Probe(const Section &section, std::string_view apiKey, uint32_t hash) const;
  static void Grow(Section &section);
  uint32_t FindSection(std::string_view apiName) const;
  KeySlot *FindSlot(Section &section, std::string_view apiKey);
  uint32_t FindKey(const Section &section, std::string_view apiKey) const;
  const std::vector<uint32_t> *SectionsNamed(std::string_view apiName) const;

  bool SetString(std::string_view section, std::string_view key, std::string_view value,
                 bool always);
  bool ReplaceValue(uint32_t lineId, std::string_view fileValue);
  void AppendKey(uint32_t sectionId, std::string_view apiKey, std::string_view fileValue);
  void AppendSection(std::string_view apiName, std::string_view apiKey, std::string_view fileValue);
  uint32_t NewLine(std::string text);
  void InsertAfter(uint32_t anchor, uint32_t id);
  void InsertAtStart(uint32_t id);
  void Unlink(uint32_t id);
  void UnlinkRaw(uint32_t id);
  bool EmptySection(uint32_t sectionId);
  void CheckKeyLine(uint32_t lineId, std::string_view apiKey);
  // Gives the line the text, kept in added_.
  void Own(Line &line, std::string_view text);
  bool FinishEdit(bool changed);
  // The lines after a section's header, in file order.
  std::vector<uint32_t> BodyLines(uint32_t sectionId) const;
  std::string EditedLine(const Line &line, const LineEdit &edit) const;
  bool KeepsBody(const std::vector<uint32_t> &body, const std::vector<LineEdit> &edits) const;
  // The text in its decoded form (what base_ holds), with no byte-order mark.
  std::string DecodedText() const;
  void Rebuild();

  TextEncoding encoding_ = TextEncoding::Ansi;
  // How names compare and Unicode text converts: by the system code page at parse time.
  int codePage_ = 1252;
  const std::array<unsigned char, 256> *lowerBytes_ = &LowerCaseBytes(1252);
  bool doubleByte_ = false;
  std::string base_; // the file's text after decoding, which unchanged lines point into
  // The texts of lines made or changed since, one after the other: one buffer rather
  // than a string per line, as a bar's save writes every key anew. A changed line's old
  // text stays until a fresh parse (deadAddedBytes_ counts it).
  std::string added_;
  size_t deadAddedBytes_ = 0;
  std::string eolStyle_ = "\r\n";
  std::deque<Line> lines_;
  std::vector<Section> sections_;
  std::unordered_map<std::string, std::vector<uint32_t>> sectionsByName_; // folded name
  uint32_t head_ = kNone, tail_ = kNone;
  size_t liveLines_ = 0, deadLines_ = 0;
  bool needsRebuild_ = false;
  mutable std::string foldScratch_;
  mutable std::string textScratch_;
};

} // namespace platform
