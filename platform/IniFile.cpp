#include "platform/IniFile.h"

#include "platform/CodePage.h"
#include "platform/TextRules.h"

namespace platform {

bool IsIniBlank(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= 0x09 && u <= 0x0D) || u == 0x1A || u == 0x20;
}

namespace {

std::string_view TrimLeft(std::string_view s) {
  size_t b = 0;
  while (b < s.size() && IsIniBlank(s[b]))
    ++b;
  return s.substr(b);
}

std::string_view Trim(std::string_view s) {
  s = TrimLeft(s);
  size_t e = s.size();
  while (e > 0 && IsIniBlank(s[e - 1]))
    --e;
  return s.substr(0, e);
}

std::string_view CutAtNul(std::string_view s) {
  const size_t nul = s.find('\0');
  return nul == std::string_view::npos ? s : s.substr(0, nul);
}

// The position of the first CR or LF at or after from, or the text's size.
size_t LineBreak(std::string_view text, size_t from = 0) {
  while (from < text.size() && text[from] != '\r' && text[from] != '\n')
    ++from;
  return from;
}

// The line end of the first line, which new lines copy; CR LF when there is none.
std::string DetectEol(std::string_view text) {
  const size_t end = LineBreak(text);
  if (end == text.size())
    return "\r\n";
  if (text[end] == '\n')
    return "\n";
  return (end + 1 < text.size() && text[end + 1] == '\n') ? "\r\n" : "\r";
}

uint32_t U32(size_t n) {
  return static_cast<uint32_t>(n);
}

} // namespace

// ---- Reading the text -------------------------------------------------------------

IniFile::Shape IniFile::ShapeOf(std::string_view text) {
  Shape s;
  size_t b = 0, e = text.size();
  while (b < e && IsIniBlank(text[b]))
    ++b;
  while (e > b && IsIniBlank(text[e - 1]))
    --e;
  if (b == e)
    return s;
  if (text[b] == '[') {
    const size_t close = text.substr(b, e - b).rfind(']');
    if (close != std::string_view::npos && close > 0) {
      const std::string_view name = Trim(text.substr(b + 1, close - 1));
      s.kind = LineKind::Header;
      s.nameBegin = U32(name.data() - text.data());
      s.nameEnd = U32(s.nameBegin + name.size());
      s.nameCut = U32(s.nameBegin + CutAtNul(name).size());
      return s;
    }
  }
  s.kind = LineKind::Key;
  s.nameBegin = U32(b);
  const size_t eq = text.substr(b, e - b).find('=');
  size_t nameEnd = e;
  if (eq != std::string_view::npos) {
    nameEnd = b + eq;
    while (nameEnd > b && IsIniBlank(text[nameEnd - 1]))
      --nameEnd;
    size_t vb = b + eq + 1;
    while (vb < e && IsIniBlank(text[vb]))
      ++vb;
    s.hasValue = true;
    s.valueBegin = U32(vb);
    s.valueEnd = U32(e);
    s.valueCut = U32(vb + CutAtNul(text.substr(vb, e - vb)).size());
  }
  s.nameEnd = U32(nameEnd);
  s.nameCut = U32(b + CutAtNul(text.substr(b, nameEnd - b)).size());
  return s;
}

std::string_view IniFile::TextOf(const Line &line) const {
  return std::string_view(line.isOwned ? added_ : base_).substr(line.offset, line.length);
}

void IniFile::Own(Line &line, std::string_view text) {
  if (line.isOwned)
    deadAddedBytes_ += line.length;
  line.offset = U32(added_.size());
  line.length = U32(text.size());
  line.isOwned = true;
  added_ += text;
  line.shape = ShapeOf(text);
}

std::string_view IniFile::NameOf(const Line &line) const {
  return TextOf(line).substr(line.shape.nameBegin, line.shape.nameCut - line.shape.nameBegin);
}

std::string_view IniFile::ValueOf(const Line &line) const {
  return TextOf(line).substr(line.shape.valueBegin, line.shape.valueCut - line.shape.valueBegin);
}

// A Unicode file's names are indexed in the form callers give them (see ApiText), so
// that they match the names callers give.
std::string IniFile::FoldedFileName(std::string_view fileText) const {
  std::string folded;
  if (encoding_ == TextEncoding::Ansi)
    FoldInto(fileText, folded);
  else
    FoldInto(Utf8ToText(fileText, codePage_), folded);
  return folded;
}

std::string_view IniFile::ApiText(std::string_view fileText) const {
  if (encoding_ == TextEncoding::Ansi)
    return fileText;
  textScratch_ = Utf8ToText(fileText, codePage_);
  return textScratch_;
}

std::string IniFile::FileText(std::string_view apiText) const {
  if (encoding_ == TextEncoding::Ansi)
    return std::string(apiText);
  return TextToUtf8(apiText, codePage_);
}

std::string_view IniFile::FileTextView(std::string_view apiText, std::string &storage) const {
  if (encoding_ == TextEncoding::Ansi)
    return apiText;
  storage = TextToUtf8(apiText, codePage_);
  return storage;
}

namespace {

bool HasLeadBytes(int codePage) {
  for (int b = 0x80; b <= 0xFF; ++b)
    if (IsLeadByte(static_cast<unsigned char>(b), codePage))
      return true;
  return false;
}

} // namespace

void IniFile::UseCodePage(int codePage) {
  codePage_ = codePage;
  lowerBytes_ = &LowerCaseBytes(codePage);
  doubleByte_ = HasLeadBytes(codePage);
}

IniFile IniFile::Parse(std::string_view bytes) {
  return ParseTaking(std::string(bytes));
}

IniFile IniFile::ParseTaking(std::string &&bytes) {
  IniFile ini;
  ini.UseCodePage(SystemCodePage());
  ini.encoding_ = EncodingOf(bytes);
  if (ini.encoding_ == TextEncoding::Ansi)
    ini.base_ = std::move(bytes);
  else
    ini.base_ = UnicodeFileToUtf8(bytes, ini.encoding_);
  ini.eolStyle_ = DetectEol(ini.base_);
  ini.sections_.emplace_back();
  ini.sectionsByName_[""].push_back(0);
  const std::string_view text = ini.base_;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t end = LineBreak(text, pos);
    size_t eolLength = 0;
    if (end < text.size())
      eolLength = (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1;
    ini.AddParsedLine(U32(pos), U32(end - pos), text.substr(end, eolLength));
    pos = end + eolLength;
  }
  return ini;
}

void IniFile::AddParsedLine(uint32_t offset, uint32_t length, std::string_view eol) {
  const uint32_t id = U32(lines_.size());
  Line &line = lines_.emplace_back();
  line.offset = offset;
  line.length = length;
  line.eolLength = static_cast<uint8_t>(eol.size());
  for (size_t i = 0; i < eol.size(); ++i)
    line.eol[i] = eol[i];
  line.shape = ShapeOf(TextOf(line));
  line.prev = tail_;
  if (tail_ != kNone)
    lines_[tail_].next = id;
  else
    head_ = id;
  tail_ = id;
  ++liveLines_;
  if (line.shape.kind == LineKind::Header) {
    const uint32_t sectionId = U32(sections_.size());
    Section &section = sections_.emplace_back();
    section.header = section.lastLine = section.lastContent = id;
    line.section = sectionId;
    sectionsByName_[FoldedFileName(NameOf(line))].push_back(sectionId);
    return;
  }
  line.section = U32(sections_.size() - 1);
  Section &section = sections_.back();
  section.lastLine = id;
  if (line.shape.kind == LineKind::Key)
    section.lastContent = id;
}

// ---- Names without regard to case ------------------------------------------------

namespace {

// IsMarked, inline: names are folded for every lookup.
bool Marked(std::string_view name) {
  return name.starts_with(Utf8Mark);
}

} // namespace

// Calls take(byte) for each byte of a plain (unmarked) name's folded form: each
// character by the code page's lower-case bytes, a two-byte character as it is, so that
// a second byte that looks like an ASCII capital is never taken for one.
template <class Take> void IniFile::ForEachFolded(std::string_view apiName, Take take) const {
  const auto &lower = *lowerBytes_;
  if (!doubleByte_) {
    for (const char c : apiName)
      take(lower[static_cast<unsigned char>(c)]);
    return;
  }
  for (size_t i = 0; i < apiName.size(); ++i) {
    const auto c = static_cast<unsigned char>(apiName[i]);
    if (i + 1 < apiName.size() && IsLeadByte(c, codePage_)) {
      take(c);
      take(static_cast<unsigned char>(apiName[++i]));
    } else {
      take(lower[c]);
    }
  }
}

void IniFile::FoldInto(std::string_view apiName, std::string &out) const {
  if (Marked(apiName)) {
    LowerTextInto(apiName, out); // by Unicode, whatever the code page
    return;
  }
  out.resize(apiName.size());
  size_t at = 0;
  ForEachFolded(apiName, [&](unsigned char c) { out[at++] = static_cast<char>(c); });
}

// FNV-1a over the folded bytes.
uint32_t IniFile::HashFolded(std::string_view apiName) const {
  uint32_t hash = 2166136261u;
  const auto mix = [&](unsigned char c) { hash = (hash ^ c) * 16777619u; };
  if (Marked(apiName)) {
    std::string folded;
    FoldInto(apiName, folded);
    for (char c : folded)
      mix(static_cast<unsigned char>(c));
  } else {
    ForEachFolded(apiName, mix);
  }
  // FNV leaves the low bits, which pick the slot, poorly mixed for keys that differ only
  // in their last digits ("cmd1", "cmd2", ...): a finalizer spreads them, or the probes
  // of a bar's keys run into long clusters.
  hash ^= hash >> 16;
  hash *= 0x85ebca6bu;
  hash ^= hash >> 13;
  hash *= 0xc2b2ae35u;
  hash ^= hash >> 16;
  return hash;
}

bool IniFile::EqualFolded(std::string_view a, std::string_view b) const {
  if (Marked(a) || Marked(b)) {
    std::string foldedA, foldedB;
    FoldInto(a, foldedA);
    FoldInto(b, foldedB);
    return foldedA == foldedB;
  }
  if (a.size() != b.size())
    return false;
  const auto &lower = *lowerBytes_;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (lower[x] != lower[y])
      return false;
    // Lead bytes fold to themselves, so x is one exactly when y is.
    if (doubleByte_ && i + 1 < a.size() && IsLeadByte(x, codePage_)) {
      ++i;
      if (a[i] != b[i])
        return false;
    }
  }
  return true;
}

std::string_view IniFile::ApiName(const Line &line, std::string &storage) const {
  if (encoding_ == TextEncoding::Ansi)
    return NameOf(line);
  storage = Utf8ToText(NameOf(line), codePage_);
  return storage;
}

// The slot of the key, or the empty slot where it would go.
size_t IniFile::Probe(const Section &section, std::string_view apiKey, uint32_t hash) const {
  const size_t mask = section.slots.size() - 1;
  std::string storage;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const KeySlot &slot = section.slots[i];
    if (slot.first == kNone)
      return i;
    if (slot.first != kGone && slot.hash == hash &&
        EqualFolded(ApiName(lines_[slot.first], storage), apiKey))
      return i;
  }
}

// Doubles the index (dropping gone slots) so that it stays at most half full.
void IniFile::Grow(Section &section) {
  size_t live = 0;
  for (const KeySlot &slot : section.slots)
    live += (slot.first != kNone && slot.first != kGone) ? 1 : 0;
  size_t size = 16;
  while (size < 4 * (live + 1))
    size *= 2;
  std::vector<KeySlot> slots(size);
  for (const KeySlot &slot : section.slots) {
    if (slot.first == kNone || slot.first == kGone)
      continue;
    size_t i = slot.hash & (size - 1);
    while (slots[i].first != kNone)
      i = (i + 1) & (size - 1);
    slots[i] = slot;
  }
  section.slots = std::move(slots);
  section.filled = static_cast<uint32_t>(live);
}

uint32_t IniFile::IdOf(const Section &section) const {
  return U32(static_cast<size_t>(&section - sections_.data()));
}

void IniFile::EnsureIndexed(uint32_t sectionId) {
  Section &section = sections_[sectionId];
  if (section.indexed)
    return;
  section.indexed = true;
  if (section.lastLine == kNone || section.lastLine == section.header)
    return;
  for (uint32_t id = section.header == kNone ? head_ : lines_[section.header].next; id != kNone;
       id = lines_[id].next) {
    Line &line = lines_[id];
    if (line.alive && line.section == sectionId && line.shape.kind == LineKind::Key) {
      line.nextSameKey = kNone;
      IndexKey(sectionId, id);
    }
    if (id == section.lastLine)
      break;
  }
}

void IniFile::IndexKey(uint32_t sectionId, uint32_t lineId) {
  Section &section = sections_[sectionId];
  if (2 * (section.filled + 1) > section.slots.size())
    Grow(section);
  std::string storage;
  const std::string_view name = ApiName(lines_[lineId], storage);
  const uint32_t hash = HashFolded(name);
  KeySlot &slot = section.slots[Probe(section, name, hash)];
  if (slot.first == kNone) {
    slot = {hash, lineId, lineId};
    ++section.filled;
    return;
  }
  lines_[slot.last].nextSameKey = lineId;
  slot.last = lineId;
}

const std::vector<uint32_t> *IniFile::SectionsNamed(std::string_view apiName) const {
  FoldInto(apiName, foldScratch_);
  const auto it = sectionsByName_.find(foldScratch_);
  return (it == sectionsByName_.end() || it->second.empty()) ? nullptr : &it->second;
}

uint32_t IniFile::FindSection(std::string_view apiName) const {
  const auto *ids = SectionsNamed(apiName);
  return ids ? ids->front() : kNone;
}

uint32_t IniFile::FindKey(const Section &section, std::string_view apiKey) const {
  // Building the index on first use changes no content the caller sees.
  const_cast<IniFile *>(this)->EnsureIndexed(IdOf(section));
  if (section.slots.empty())
    return kNone;
  const KeySlot &slot = section.slots[Probe(section, apiKey, HashFolded(apiKey))];
  return slot.first == kGone ? kNone : slot.first;
}

IniFile::KeySlot *IniFile::FindSlot(Section &section, std::string_view apiKey) {
  EnsureIndexed(IdOf(section));
  if (section.slots.empty())
    return nullptr;
  KeySlot &slot = section.slots[Probe(section, apiKey, HashFolded(apiKey))];
  return (slot.first == kNone || slot.first == kGone) ? nullptr : &slot;
}

std::optional<std::string_view> IniFile::Get(std::string_view section, std::string_view key) const {
  const uint32_t sectionId = FindSection(Trim(CutAtNul(section)));
  if (sectionId == kNone)
    return std::nullopt;
  const uint32_t lineId = FindKey(sections_[sectionId], Trim(CutAtNul(key)));
  if (lineId == kNone || !lines_[lineId].shape.hasValue)
    return std::nullopt;
  return ApiText(ValueOf(lines_[lineId]));
}

std::vector<IniFile::Entry> IniFile::Entries(std::string_view section) const {
  std::vector<Entry> entries;
  const uint32_t sectionId = FindSection(CutAtNul(section));
  if (sectionId == kNone)
    return entries;
  const Section &s = sections_[sectionId];
  uint32_t id = s.header == kNone ? head_ : lines_[s.header].next;
  if (s.lastLine == kNone || s.lastLine == s.header)
    return entries;
  for (; id != kNone; id = lines_[id].next) {
    const Line &line = lines_[id];
    if (line.shape.kind == LineKind::Key) {
      Entry &entry = entries.emplace_back();
      entry.name = ApiText(NameOf(line));
      if (line.shape.hasValue)
        entry.value = std::string(ApiText(ValueOf(line)));
    }
    if (id == s.lastLine)
      break;
  }
  return entries;
}

void IniFile::VisitKeys(
    std::string_view section,
    const std::function<void(std::string_view, std::optional<std::string_view>)> &visit) const {
  const uint32_t sectionId = FindSection(Trim(CutAtNul(section)));
  if (sectionId == kNone)
    return;
  const Section &s = sections_[sectionId];
  if (s.lastLine == kNone || s.lastLine == s.header)
    return;
  for (uint32_t id = s.header == kNone ? head_ : lines_[s.header].next; id != kNone;
       id = lines_[id].next) {
    const Line &line = lines_[id];
    if (line.alive && line.section == sectionId && line.shape.kind == LineKind::Key) {
      std::string storage;
      const std::string_view apiName = ApiName(line, storage);
      std::optional<std::string_view> value;
      if (line.shape.hasValue)
        value = ApiText(ValueOf(line));
      visit(apiName, value);
    }
    if (id == s.lastLine)
      break;
  }
}

std::vector<std::string> IniFile::SectionNames() const {
  std::vector<std::string> names;
  for (const Section &s : sections_) {
    if (!s.alive || s.header == kNone)
      continue;
    const std::string_view name = NameOf(lines_[s.header]);
    if (!name.empty())
      names.emplace_back(ApiText(name));
  }
  return names;
}

std::vector<std::string> IniFile::DistinctSectionNames() const {
  std::vector<std::string> names;
  for (uint32_t id = 0; id < sections_.size(); ++id) {
    const Section &s = sections_[id];
    if (!s.alive || s.header == kNone)
      continue;
    const std::string_view name = NameOf(lines_[s.header]);
    if (name.empty())
      continue;
    std::string apiName(ApiText(name));
    if (FindSection(apiName) == id)
      names.push_back(std::move(apiName));
  }
  return names;
}

std::string IniFile::Serialize() const {
  std::string text = DecodedText();
  if (encoding_ != TextEncoding::Ansi)
    return Utf8ToUnicodeFile(text, encoding_);
  return text;
}

std::string IniFile::DecodedText() const {
  std::string text;
  // At most every text once and each line's end: one allocation, however the lines
  // were made.
  text.reserve(base_.size() + added_.size() + 2 * liveLines_);
  for (uint32_t id = head_; id != kNone; id = lines_[id].next) {
    text += TextOf(lines_[id]);
    text.append(lines_[id].eol, lines_[id].eolLength);
  }
  return text;
}

std::vector<uint32_t> IniFile::BodyLines(uint32_t sectionId) const {
  std::vector<uint32_t> body;
  const Section &s = sections_[sectionId];
  if (s.lastLine == kNone || s.lastLine == s.header)
    return body;
  for (uint32_t id = s.header == kNone ? head_ : lines_[s.header].next; id != kNone;
       id = lines_[id].next) {
    body.push_back(id);
    if (id == s.lastLine)
      break;
  }
  return body;
}

std::vector<IniFile::SectionLine> IniFile::SectionLines(std::string_view section) const {
  std::vector<SectionLine> lines;
  const uint32_t sectionId = FindSection(Trim(CutAtNul(section)));
  if (sectionId == kNone)
    return lines;
  for (const uint32_t id : BodyLines(sectionId)) {
    const Line &line = lines_[id];
    SectionLine &entry = lines.emplace_back();
    if (line.shape.kind != LineKind::Key)
      continue;
    entry.isKey = true;
    std::string storage;
    entry.name = ApiName(line, storage);
    if (line.shape.hasValue)
      entry.value = std::string(ApiText(ValueOf(line)));
  }
  return lines;
}

// The line's text with the edit's name and value in place of its own.
std::string IniFile::EditedLine(const Line &line, const LineEdit &edit) const {
  const std::string_view text = TextOf(line);
  const Shape &shape = line.shape;
  if (shape.kind != LineKind::Key || (!edit.name && !edit.value))
    return std::string(text);
  const std::string name =
      edit.name ? FileText(*edit.name)
                : std::string(text.substr(shape.nameBegin, shape.nameEnd - shape.nameBegin));
  std::string out(text.substr(0, shape.nameBegin));
  out += name;
  if (!edit.value) {
    out.append(text.substr(shape.nameEnd));
    return out;
  }
  if (!shape.hasValue) {
    out += '=';
    out += FileText(*edit.value);
    out.append(text.substr(shape.nameEnd));
    return out;
  }
  out.append(text.substr(shape.nameEnd, shape.valueBegin - shape.nameEnd));
  out += FileText(*edit.value);
  out.append(text.substr(shape.valueEnd));
  return out;
}

// Whether the edits give the body its lines as they are: each line once, in order, with
// nothing replaced. A save of an unchanged bar comes to this, and then nothing is written.
bool IniFile::KeepsBody(const std::vector<uint32_t> &body,
                        const std::vector<LineEdit> &edits) const {
  if (edits.size() != body.size())
    return false;
  for (size_t i = 0; i < edits.size(); ++i) {
    const LineEdit &edit = edits[i];
    if (edit.line != i)
      return false;
    if (edit.name || edit.value) {
      const Line &line = lines_[body[i]];
      if (line.shape.kind != LineKind::Key || EditedLine(line, edit) != TextOf(line))
        return false;
    }
  }
  return true;
}

bool IniFile::RewriteSection(std::string_view section, const std::vector<LineEdit> &edits) {
  const uint32_t sectionId = FindSection(Trim(CutAtNul(section)));
  if (sectionId == kNone)
    return false;
  const std::vector<uint32_t> body = BodyLines(sectionId);
  if (KeepsBody(body, edits))
    return false;
  // The new lines with their line ends: kept lines as views of their text, the others
  // made anew. A line that lost its place at the end of a file without a final line end
  // takes the file's, and the file's last line keeps lacking one.
  std::deque<std::string> made;
  std::vector<std::pair<std::string_view, std::string_view>> rewritten;
  rewritten.reserve(edits.size());
  for (const LineEdit &edit : edits) {
    if (edit.line && *edit.line < body.size()) {
      const Line &line = lines_[body[*edit.line]];
      const std::string_view eol(line.eol, line.eolLength);
      if (edit.name || edit.value)
        rewritten.emplace_back(made.emplace_back(EditedLine(line, edit)), eol);
      else
        rewritten.emplace_back(TextOf(line), eol);
    } else if (!edit.line) {
      made.push_back(FileText(edit.name.value_or(std::string())) + "=" +
                     FileText(edit.value.value_or(std::string())));
      rewritten.emplace_back(made.back(), std::string_view());
    }
  }
  const bool finalEol = tail_ == kNone || lines_[tail_].eolLength > 0;
  const uint32_t first = body.empty() ? kNone : body.front();
  const uint32_t last = body.empty() ? kNone : body.back();
  // The lines of the file in order, the section's body replaced.
  std::vector<std::pair<std::string_view, std::string_view>> out;
  out.reserve(liveLines_ + rewritten.size());
  for (uint32_t id = head_; id != kNone; id = lines_[id].next) {
    if (id == first) {
      out.insert(out.end(), rewritten.begin(), rewritten.end());
      id = last;
      continue;
    }
    out.emplace_back(TextOf(lines_[id]), std::string_view(lines_[id].eol, lines_[id].eolLength));
    if (first == kNone && id == sections_[sectionId].header)
      out.insert(out.end(), rewritten.begin(), rewritten.end());
  }
  std::string text;
  text.reserve(base_.size() + added_.size() + 64 * made.size());
  for (size_t i = 0; i < out.size(); ++i) {
    text += out[i].first;
    if (i + 1 == out.size() && !finalEol)
      break;
    text += out[i].second.empty() ? std::string_view(eolStyle_) : out[i].second;
  }
  *this = ParseTaking(encoding_ != TextEncoding::Ansi ? Utf8ToUnicodeFile(text, encoding_)
                                                      : std::move(text));
  return true;
}

// ---- Editing ----------------------------------------------------------------------

bool IniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
  return FinishEdit(SetString(section, key, value, false));
}

bool IniFile::Add(std::string_view section, std::string_view key, std::string_view value) {
  return FinishEdit(SetString(section, key, value, true));
}

bool IniFile::SetString(std::string_view section, std::string_view key, std::string_view value,
                        bool always) {
  section = CutAtNul(section);
  key = CutAtNul(key);
  std::string valueStorage;
  const std::string_view fileValue = FileTextView(TrimLeft(CutAtNul(value)), valueStorage);
  const uint32_t sectionId = FindSection(Trim(section));
  if (sectionId == kNone) {
    AppendSection(TrimLeft(section), TrimLeft(key), fileValue);
    return true;
  }
  if (!always) {
    const uint32_t lineId = FindKey(sections_[sectionId], Trim(key));
    if (lineId != kNone)
      return ReplaceValue(lineId, fileValue);
  }
  AppendKey(sectionId, TrimLeft(key), fileValue);
  return true;
}

// The new value takes the place of the old one between the same bytes; a key line
// without "=" gets one after its name.
bool IniFile::ReplaceValue(uint32_t lineId, std::string_view fileValue) {
  Line &line = lines_[lineId];
  const std::string_view text = TextOf(line);
  std::string oldName;
  const std::string apiKey(ApiName(line, oldName));
  std::string updated;
  if (line.shape.hasValue) {
    if (ValueOf(line) == fileValue)
      return false;
    updated.append(text.substr(0, line.shape.valueBegin));
    updated += fileValue;
    updated.append(text.substr(line.shape.valueEnd));
  } else {
    updated.append(text.substr(0, line.shape.nameEnd));
    updated += '=';
    updated += fileValue;
    updated.append(text.substr(line.shape.nameEnd));
  }
  Own(line, updated);
  CheckKeyLine(lineId, apiKey);
  return true;
}

void IniFile::AppendKey(uint32_t sectionId, std::string_view apiKey, std::string_view fileValue) {
  std::string keyStorage;
  const std::string_view fileKey = FileTextView(apiKey, keyStorage);
  std::string text;
  text.reserve(fileKey.size() + 1 + fileValue.size());
  text += fileKey;
  text += '=';
  text += fileValue;
  const uint32_t id = NewLine(std::move(text));
  lines_[id].section = sectionId;
  Section &section = sections_[sectionId];
  const uint32_t anchor = section.lastContent;
  if (anchor == kNone)
    InsertAtStart(id);
  else
    InsertAfter(anchor, id);
  if (section.lastLine == anchor)
    section.lastLine = id;
  section.lastContent = id;
  CheckKeyLine(id, Trim(apiKey));
  if (!needsRebuild_ && sections_[sectionId].indexed)
    IndexKey(sectionId, id);
}

void IniFile::AppendSection(std::string_view apiName, std::string_view apiKey,
                            std::string_view fileValue) {
  const uint32_t id = NewLine(JoinTexts({"[", FileText(apiName), "]"}));
  const uint32_t sectionId = U32(sections_.size());
  lines_[id].section = sectionId;
  if (tail_ == kNone)
    InsertAtStart(id);
  else
    InsertAfter(tail_, id);
  Section &section = sections_.emplace_back();
  section.header = section.lastLine = section.lastContent = id;
  std::string expected;
  FoldInto(Trim(apiName), expected);
  const Line &line = lines_[id];
  // A name with a line break, or one the header would read back otherwise, is left
  // to a fresh parse of the text.
  if (line.shape.kind != LineKind::Header || LineBreak(TextOf(line)) != line.length ||
      FoldedFileName(NameOf(line)) != expected)
    needsRebuild_ = true;
  sectionsByName_[expected].push_back(sectionId);
  AppendKey(sectionId, apiKey, fileValue);
}

// A line whose text no longer reads as the key it is indexed under (a line break or a
// "]" in the value, a "=" in the key) is left to a fresh parse of the whole text.
void IniFile::CheckKeyLine(uint32_t lineId, std::string_view apiKey) {
  const Line &line = lines_[lineId];
  std::string storage;
  if (line.shape.kind != LineKind::Key || LineBreak(TextOf(line)) != line.length ||
      !EqualFolded(ApiName(line, storage), apiKey))
    needsRebuild_ = true;
}

uint32_t IniFile::NewLine(std::string text) {
  const uint32_t id = U32(lines_.size());
  Line &line = lines_.emplace_back();
  Own(line, text);
  line.eolLength = static_cast<uint8_t>(eolStyle_.size());
  for (size_t i = 0; i < eolStyle_.size(); ++i)
    line.eol[i] = eolStyle_[i];
  ++liveLines_;
  return id;
}

void IniFile::InsertAfter(uint32_t anchor, uint32_t id) {
  Line &before = lines_[anchor];
  if (before.eolLength == 0) { // the old last line of a file without a final line end
    before.eolLength = static_cast<uint8_t>(eolStyle_.size());
    for (size_t i = 0; i < eolStyle_.size(); ++i)
      before.eol[i] = eolStyle_[i];
  }
  Line &line = lines_[id];
  line.prev = anchor;
  line.next = before.next;
  if (before.next != kNone)
    lines_[before.next].prev = id;
  else
    tail_ = id;
  before.next = id;
}

void IniFile::InsertAtStart(uint32_t id) {
  Line &line = lines_[id];
  line.prev = kNone;
  line.next = head_;
  if (head_ != kNone)
    lines_[head_].prev = id;
  else
    tail_ = id;
  head_ = id;
}

void IniFile::UnlinkRaw(uint32_t id) {
  Line &line = lines_[id];
  if (line.prev != kNone)
    lines_[line.prev].next = line.next;
  else
    head_ = line.next;
  if (line.next != kNone)
    lines_[line.next].prev = line.prev;
  else
    tail_ = line.prev;
  line.alive = false;
  if (line.isOwned)
    deadAddedBytes_ += line.length;
  --liveLines_;
  ++deadLines_;
}

// Unlinks one line of a section and keeps the section's last-line marks right.
void IniFile::Unlink(uint32_t id) {
  const Line &line = lines_[id];
  const uint32_t sectionId = line.section;
  Section &section = sections_[sectionId];
  const auto inSection = [&](uint32_t p) { return p != kNone && lines_[p].section == sectionId; };
  if (section.lastLine == id)
    section.lastLine = inSection(line.prev) ? line.prev : kNone;
  if (section.lastContent == id) {
    uint32_t p = line.prev;
    while (inSection(p) && lines_[p].shape.kind == LineKind::Blank)
      p = lines_[p].prev;
    section.lastContent = inSection(p) ? p : kNone;
  }
  UnlinkRaw(id);
}

bool IniFile::DeleteKey(std::string_view section, std::string_view key) {
  section = CutAtNul(section);
  key = CutAtNul(key);
  const auto *ids = SectionsNamed(section);
  if (!ids)
    return false;
  for (uint32_t sectionId : *ids) {
    KeySlot *slot = FindSlot(sections_[sectionId], key);
    if (!slot)
      continue;
    const uint32_t lineId = slot->first;
    slot->first = lines_[lineId].nextSameKey;
    if (slot->first == kNone)
      slot->first = kGone;
    Unlink(lineId);
    return FinishEdit(true);
  }
  return false;
}

bool IniFile::DeleteSection(std::string_view section) {
  section = CutAtNul(section);
  const uint32_t sectionId = FindSection(section);
  if (sectionId == kNone)
    return false;
  Section &s = sections_[sectionId];
  bool changed = false;
  uint32_t id = s.header == kNone ? head_ : s.header;
  while (s.lastLine != kNone && id != kNone && lines_[id].section == sectionId) {
    const uint32_t next = lines_[id].next;
    UnlinkRaw(id);
    changed = true;
    id = next;
  }
  s.slots.clear();
  s.filled = 0;
  s.indexed = true; // no key is left to index
  s.lastLine = s.lastContent = kNone;
  // The part before the first header always exists, as an empty section at worst.
  if (sectionId != 0) {
    s.alive = false;
    s.header = kNone;
    FoldInto(section, foldScratch_);
    auto &ids = sectionsByName_[foldScratch_];
    ids.erase(ids.begin());
  }
  return FinishEdit(changed);
}

bool IniFile::EmptySections(std::string_view section) {
  const auto *ids = SectionsNamed(CutAtNul(section));
  if (!ids)
    return false;
  bool changed = false;
  for (uint32_t sectionId : *ids)
    changed = EmptySection(sectionId) || changed;
  return FinishEdit(changed);
}

bool IniFile::EmptyFirstSection(std::string_view section) {
  const uint32_t sectionId = FindSection(CutAtNul(section));
  return sectionId != kNone && FinishEdit(EmptySection(sectionId));
}

// Removes the lines from the header to the last non-blank one, so the blank lines that
// close the section stay between it and the next.
bool IniFile::EmptySection(uint32_t sectionId) {
  Section &s = sections_[sectionId];
  if (s.lastContent == kNone || s.lastContent == s.header)
    return false;
  const uint32_t stop = s.lastContent;
  uint32_t id = s.header == kNone ? head_ : lines_[s.header].next;
  while (id != kNone) {
    const uint32_t next = lines_[id].next;
    UnlinkRaw(id);
    if (id == stop)
      break;
    id = next;
  }
  if (s.lastLine == stop)
    s.lastLine = s.header;
  s.lastContent = s.header;
  s.slots.clear();
  s.filled = 0;
  s.indexed = false; // keys written next are indexed only once a lookup needs them
  return true;
}

bool IniFile::FinishEdit(bool changed) {
  // Removed lines stay in the store until they outnumber the live ones, and replaced
  // texts until they fill half of added_; then a fresh parse of the text reclaims them,
  // which keeps repeated saves of a bar linear.
  if (needsRebuild_ || (deadLines_ > 1024 && deadLines_ > liveLines_) ||
      (deadAddedBytes_ > 65536 && 2 * deadAddedBytes_ > added_.size()))
    Rebuild();
  return changed;
}

void IniFile::Rebuild() {
  IniFile fresh = ParseTaking(Serialize());
  *this = std::move(fresh);
}

} // namespace platform
