#include "document/ButtonList.h"

#include "document/BarLines.h"
#include "document/FileNames.h"
#include "document/IconReference.h"
#include "document/Resolve.h"
#include "platform/CodePage.h"
#include "platform/HostFiles.h"
#include "platform/Profile.h"
#include "platform/TextRules.h"

#include <algorithm>
#include <array>

namespace {

const char *const BarSection = "Buttonbar";

std::string Key(const char *name, int position) {
  return name + std::to_string(position + 1);
}

// Commands that Total Commander parses itself take their spaces literally; quoting them
// would break them. The list is a plain substring test, so a program path whose upper
// case holds "CD" anywhere stays unquoted too: bars written that way must stay as they are.
bool TakesSpacesLiterally(const std::string &upper) {
  static const std::array<const char *, 7> words = {
      "CD", "OPENTABS", "APPENDTABS", "FTPOPEN", "SYNCOPEN", "LOADSEARCH", "OPENBAR"};
  return std::any_of(words.begin(), words.end(),
                     [&](const char *word) { return platform::ContainsText(upper, word); });
}

// The extension of a name in lower case, when it is a dot and three characters: as
// LowerText(FileExtension(name)) gives it, without copying the name in the usual case.
std::string ShortExtension(std::string_view name) {
  const int codePage = platform::SystemCodePage();
  if (platform::IsMarked(name) || platform::IsLeadByte(0x81, codePage)) {
    std::string ext = platform::LowerText(FileExtension(std::string(name)));
    return ext.size() == 4 ? ext : std::string();
  }
  // One byte, one character (every lead byte of a double-byte code page is 0x81 or
  // above), and case keeps a byte a byte: such an extension is the last four bytes.
  if (name.size() < 4 || name[name.size() - 4] != '.')
    return std::string();
  std::string ext(name.substr(name.size() - 4));
  if (ext.find_first_of(".\\:", 1) != std::string::npos)
    return std::string();
  const auto &lower = platform::LowerCaseBytes(codePage);
  for (char &c : ext)
    c = static_cast<char>(lower[static_cast<unsigned char>(c)]);
  return ext;
}

bool IsProgramExtension(std::string_view word) {
  static const std::array<std::string_view, 9> extensions = {".exe", ".com", ".bat", ".cmd", ".msc",
                                                             ".cpl", ".scr", ".pif", ".lnk"};
  const std::string ext = ShortExtension(word);
  return !ext.empty() && std::find(extensions.begin(), extensions.end(), ext) != extensions.end();
}

// Whether a button's icon reference names a file (IconFilePart is not empty).
bool NamesIconFile(const std::string &reference) {
  const size_t start = platform::IsMarked(reference) ? platform::Utf8Mark.size() : 0;
  return std::min(reference.find(','), reference.size()) > start;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// The words of a text, between blanks. (A plain loop: find_first_of calls memchr on its
// set for every byte, and every command of a bar passes through here on each save.)
std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  const auto end = text.end();
  for (auto start = std::find_if_not(text.begin(), end, IsBlank); start != end;) {
    const auto stop = std::find_if(start, end, IsBlank);
    words.emplace_back(&*start, static_cast<size_t>(stop - start));
    start = std::find_if_not(stop, end, IsBlank);
  }
  return words;
}

// Whether a command holding a blank names a program followed by its arguments, rather
// than one program path with blanks in it. In order:
// - a leading quoted part followed by more text: a quoted program and its arguments;
// - the last word ends in a program extension and no earlier word does: one path
//   ("C:\Program Files\Tool\tool.exe", "TC Log Viewer.exe");
// - an earlier word ends in a program extension, a later word starts with "/" or "-",
//   or the first word holds no backslash: arguments ("cmd.exe /C", "control sysdm.cpl,,1",
//   "OPENLANGUAGEFILE wcmd_cz.lng", "C:\cygwin\bin\bash.exe --login -i");
// - anything else is one path ("C:\Program Files\Tool").
bool CarriesArguments(const std::string &command) {
  const size_t start = command.find_first_not_of(" \t");
  if (start != std::string::npos && command[start] == '"') {
    const size_t close = command.find('"', start + 1);
    if (close != std::string::npos &&
        command.find_first_not_of(" \t", close + 1) != std::string::npos)
      return true;
  }
  const std::string bare = RemoveQuotes(command);
  const std::vector<std::string_view> words = Words(bare);
  if (words.size() < 2)
    return false;
  const bool earlierProgram = std::any_of(words.begin(), words.end() - 1, IsProgramExtension);
  if (IsProgramExtension(words.back()) && !earlierProgram)
    return false;
  const bool switches = std::any_of(words.begin() + 1, words.end(), [](std::string_view word) {
    return word[0] == '/' || word[0] == '-';
  });
  return earlierProgram || switches || words.front().find('\\') == std::string::npos;
}

// Whether a space stands between two other characters of the text.
bool HoldsInnerSpace(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos)
    return false;
  const size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1).find(' ') != std::string_view::npos;
}

bool HoldsLineBreak(const std::string &text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; });
}

// A control character that no text file holds (see TextKind.h): a bar saved with one
// would be refused as binary data the next time it is opened.
bool HoldsControlCharacter(const std::string &text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 && u != '\t' && u != 0x0B && u != 0x0C && u != 0x1A;
  });
}

void RefuseLineBreak(const std::string &text) {
  if (HoldsLineBreak(text))
    throw EBarValueError(platform::Message(
        "A button's text cannot hold a line break: it would end the line in the bar file and the "
        "rest would be read as keys of their own."));
  if (HoldsControlCharacter(text))
    throw EBarValueError(platform::Message(
        "A button's text cannot hold a control character: the bar file would no longer be read "
        "as text."));
}

bool InRange(int position, int count) {
  return position >= 0 && position < count;
}

// The "Buttoncount" line of a bar section, found in one pass that compares names only.
struct CountLine {
  bool found = false; // a "Buttoncount" line with "=" (the first one counts)
  std::string value;  // its value as a lookup reads it
};

CountLine ReadCountLine(const std::string &fileName) {
  CountLine line;
  bool seen = false;
  platform::VisitProfileSection(BarSection, fileName,
                                [&](std::string_view key, std::optional<std::string_view> value) {
                                  if (!seen && platform::EqualNoCase(key, "buttoncount")) {
                                    seen = true;
                                    line.found = value.has_value();
                                    line.value = std::string(value.value_or(""));
                                  }
                                });
  return line;
}

// The count the line says, when it is a plain decimal number; nothing when it is
// missing, negative or anything else. A count beyond MaxBarButtons is refused.
std::optional<int> ButtonCountOf(const std::string &fileName, const CountLine &line) {
  const std::string &value = line.value;
  if (value.empty() || value.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  const std::string digits = value.substr(std::min(value.find_first_not_of('0'), value.size()));
  if (digits.size() > 9 || (!digits.empty() && std::stoi(digits) > MaxBarButtons))
    throw EBarLoadError(
        platform::Message("The bar %s claims %s buttons; more than %s are not supported.",
                          {platform::Verbatim(fileName), platform::Verbatim(digits),
                           platform::Verbatim(std::to_string(MaxBarButtons))}));
  return digits.empty() ? 0 : std::stoi(digits);
}

std::string *TextField(Button &button, int field) {
  switch (field) {
  case bfIconRef:
    return &button.IconRef;
  case bfCommand:
    return &button.Command;
  case bfParams:
    return &button.Params;
  case bfStartPath:
    return &button.StartPath;
  default:
    return &button.Tooltip;
  }
}

} // namespace

namespace {

// Why a bar's count cannot be trusted; the key's name and its value are quoted as the
// file writes them.
platform::MessageText CountMessage(const std::string &fileName,
                                   const std::optional<std::string> &countText, int highest) {
  std::vector<platform::MessageText> args = {platform::Verbatim(fileName),
                                             platform::Verbatim(std::to_string(highest)),
                                             platform::Verbatim("\"Buttoncount\"")};
  if (!countText)
    return platform::Message("The bar %s holds buttons up to %s, but it has no %s. It is not "
                             "opened as it is, so that no button is lost at the next save.",
                             std::move(args));
  args.push_back(platform::Verbatim("\"" + *countText + "\""));
  return platform::Message("The bar %s holds buttons up to %s, but its %s is %s. It is not opened "
                           "as it is, so that no button is lost at the next save.",
                           std::move(args));
}

} // namespace

EBarCountError::EBarCountError(const std::string &fileName, std::optional<std::string> countText,
                               int highest)
    : EBarLoadError(CountMessage(fileName, countText, highest)), countText_(std::move(countText)),
      highest_(highest) {}

ButtonBar::ButtonBar(const std::string &fileName, const std::string &exeFileName)
    : FileName(fileName), exeFileName_(exeFileName) {
  LoadBar(fileName, std::nullopt);
  LoadIcons();
}

ButtonBar::ButtonBar(const std::string &fileName, int count, const std::string &exeFileName)
    : FileName(fileName), exeFileName_(exeFileName) {
  if (count < 0 || count > MaxBarButtons)
    throw std::out_of_range("a bar holds 0 to " + std::to_string(MaxBarButtons) + " buttons");
  LoadBar(fileName, count);
  LoadIcons();
}

ButtonBar::~ButtonBar() {
  for (auto &handle : IconHandles)
    platform::DestroyIcon(handle);
}

// Without a count given, a bar loads as many buttons as its count says when that count
// reaches every button key of the section; a section without button keys and without a
// usable count is an empty bar, as are a missing file and a file without text. A file
// that holds anything else but no "Buttonbar" section is refused (ENotABarError).
void ButtonBar::LoadBar(const std::string &fileName, std::optional<int> givenCount) {
  if (fileName.empty())
    return;
  // Reads trust the parsed file after its first check while the batch lives; nothing
  // is written, so the batch is never committed.
  platform::ProfileBatch reading;
  try {
    platform::CheckProfileReadable(fileName);
  } catch (const platform::EFileReadError &e) {
    // Only a missing file is a new, empty bar: one that cannot be read must not be
    // taken for empty and then written over.
    throw EBarLoadError(e.Message());
  }
  if (const BarFileKind kind = KindOfBarFile(fileName); IsNoBar(kind))
    throw ENotABarError(fileName, kind);
  const CountLine line = ReadCountLine(fileName);
  const std::optional<int> declared = ButtonCountOf(fileName, line);
  const int count = givenCount.value_or(declared.value_or(0));
  Buttons.resize(static_cast<size_t>(count));
  for (size_t position = 0; position < Buttons.size(); ++position) {
    Buttons[position] = std::make_unique<Button>();
    Buttons[position]->Origin = static_cast<int>(position);
  }
  originFile_ = fileName;
  originCount_ = count;
  // One pass over the section gives each button's keys as key-by-key lookups would:
  // the first line of a key wins, keys beyond the count or of other names are ignored.
  // Values are read whole: a cut value would lose its tail at the next save. The same
  // pass finds the highest button number, which the count must reach.
  std::vector<uint8_t> seen(Buttons.size(), 0);
  int highest = 0;
  platform::VisitProfileSection(
      BarSection, fileName, [&](std::string_view key, std::optional<std::string_view> value) {
        const auto [field, position] = barlines::ParseButtonKey(key);
        if (field < 0)
          return;
        highest = std::max(highest, position + 1);
        if (position >= count || (seen[size_t(position)] & (1u << field)))
          return;
        seen[size_t(position)] |= static_cast<uint8_t>(1u << field);
        Button &button = *Buttons[size_t(position)];
        if (field == bfRunMode)
          button.RunMode = platform::ProfileValueToInt(value, 0);
        else
          *TextField(button, field) = std::string(value.value_or(std::string_view()));
      });
  if (givenCount) {
    Modified = givenCount != declared;
    return;
  }
  if (highest <= count)
    return;
  Buttons.clear();
  if (highest > MaxBarButtons)
    throw EBarLoadError(platform::Message(
        "The bar %s holds buttons up to %s; more than %s are not supported.",
        {platform::Verbatim(fileName), platform::Verbatim(std::to_string(highest)),
         platform::Verbatim(std::to_string(MaxBarButtons))}));
  throw EBarCountError(fileName, line.found ? std::optional<std::string>(line.value) : std::nullopt,
                       highest);
}

// The existing file an icon reference names, or empty. One load resolves each distinct
// file part once: buttons of a bar mostly share a few icon files.
class ButtonBar::IconFileResolver {
public:
  explicit IconFileResolver(const std::string &exeFileName) : exeFileName_(exeFileName) {}
  const std::string &Resolve(const std::string &filePart) {
    auto [entry, added] = known_.try_emplace(filePart);
    if (added) {
      std::string path = ResolveFile(exeFileName_, filePart);
      if (platform::FileExists(path))
        entry->second = std::move(path);
    }
    return entry->second;
  }

private:
  const std::string &exeFileName_;
  std::unordered_map<std::string, std::string> known_;
};

void ButtonBar::LoadIcons() {
  IconHandles.clear();
  IconHandles.reserve(Buttons.size());
  IconFileResolver files(exeFileName_);
  for (const auto &button : Buttons)
    IconHandles.push_back(ExtractButtonIcon(*button, files, false));
}

platform::IconHandle ButtonBar::ExtractButtonIcon(const Button &button, IconFileResolver &files,
                                                  bool checkCount) const {
  if (button.IconRef.empty())
    return {};
  const std::optional<int> index = IconIndexPart(button.IconRef);
  // An index beyond 32 bits names no icon of any file; the bar still opens.
  if (!index)
    return {};
  const std::string &path = files.Resolve(IconFilePart(button.IconRef));
  if (path.empty())
    return {};
  if (checkCount && platform::ExtractIconCountA(path) == 0)
    return {};
  // Taken at the size the windows draw it, from the image made for that size.
  return platform::ExtractIconOfSize(path, *index, platform::DisplayIconSize());
}

int ButtonBar::Add() {
  Buttons.push_back(std::make_unique<Button>());
  IconHandles.emplace_back();
  return Count() - 1;
}

int ButtonBar::Insert(int position) {
  const int at = std::clamp(position, 0, Count());
  Buttons.insert(Buttons.begin() + at, std::make_unique<Button>());
  IconHandles.insert(IconHandles.begin() + at, platform::IconHandle());
  return position;
}

void ButtonBar::Delete(int position) {
  if (!InRange(position, Count()))
    return;
  platform::DestroyIcon(IconHandles[static_cast<size_t>(position)]);
  IconHandles.erase(IconHandles.begin() + position);
  Buttons.erase(Buttons.begin() + position);
  Modified = true;
}

void ButtonBar::Move(int from, int to) {
  if (!InRange(from, Count()) || !InRange(to, Count()) || from == to)
    return;
  auto shift = [from, to](auto &list) {
    auto first = list.begin();
    if (from < to)
      std::rotate(first + from, first + from + 1, first + to + 1);
    else
      std::rotate(first + to, first + from, first + from + 1);
  };
  shift(Buttons);
  shift(IconHandles);
}

TakenButton ButtonBar::TakeOut(int position) {
  if (!InRange(position, Count()))
    return {};
  const auto at = static_cast<size_t>(position);
  TakenButton taken{std::move(Buttons[at]), std::move(IconHandles[at])};
  Buttons.erase(Buttons.begin() + position);
  IconHandles.erase(IconHandles.begin() + position);
  return taken;
}

void ButtonBar::PutBack(int position, TakenButton taken) {
  if (!taken.button)
    return;
  const int at = std::clamp(position, 0, Count());
  // Both lists grow before either takes the button, so a failed allocation leaves
  // them of one length.
  Buttons.reserve(Buttons.size() + 1);
  IconHandles.reserve(IconHandles.size() + 1);
  Buttons.insert(Buttons.begin() + at, std::move(taken.button));
  IconHandles.insert(IconHandles.begin() + at, std::move(taken.Icon));
}

std::string ButtonBar::GetField(int position, int field) const {
  if (!InRange(position, Count()) || field < bfIconRef || field > bfRunMode)
    return {};
  Button &button = *Buttons[static_cast<size_t>(position)];
  return field == bfRunMode ? std::to_string(button.RunMode) : *TextField(button, field);
}

void ButtonBar::SetField(int position, int field, const std::string &text) {
  if (!InRange(position, Count()))
    return;
  Button &button = *Buttons[static_cast<size_t>(position)];
  if (field == bfRunMode) {
    button.RunMode = text.empty() ? 0 : StrToIntOrError(text);
    // A changed run mode is an edit like any other: without the flag, closing the
    // editor would not offer to save it.
    Modified = true;
    return;
  }
  if (field >= bfIconRef && field < bfRunMode) {
    RefuseLineBreak(text);
    *TextField(button, field) = text;
  }
  if (field == bfIconRef)
    IconsChanged = true;
  Modified = true;
}

void ButtonBar::RefreshIcon(int position) {
  if (!InRange(position, Count()))
    return;
  auto &handle = IconHandles[static_cast<size_t>(position)];
  platform::DestroyIcon(handle);
  IconFileResolver files(exeFileName_);
  handle = ExtractButtonIcon(*Buttons[static_cast<size_t>(position)], files, true);
}

const platform::IconHandle &ButtonBar::IconHandle(int position) const {
  static const platform::IconHandle none;
  return InRange(position, Count()) ? IconHandles[static_cast<size_t>(position)] : none;
}

std::string ButtonBar::CommandAsRead(const std::string &command) {
  // A program with its arguments stays as the user wrote it, quotes and all: wrapping
  // it would make program and arguments one name that does not exist.
  if (CarriesArguments(command))
    return command;
  const std::string bare = RemoveQuotes(command);
  // Blanks only before or after the command are no blanks of a path ("start " on a real
  // bar): wrapped, the quotes would be read back as part of the command. The value is
  // written in one pair of quotes instead, which keeps its end blanks as they are.
  if (!HoldsInnerSpace(command))
    return bare;
  const std::string upper = platform::UpperText(bare);
  const bool wrap = !platform::ContainsText(upper, "CM_") && ShortExtension(bare) != ".bar" &&
                    !TakesSpacesLiterally(upper);
  return wrap ? "\"" + bare + "\"" : bare;
}

std::string ButtonBar::QuoteCommand(const std::string &command) {
  // A program path with blanks is read back in one pair of quotes, so it is written in
  // two; the next save of the reloaded bar writes the same line again.
  return platform::ExactProfileValue(CommandAsRead(command));
}

std::string ButtonBar::ProgramOf(const std::string &command) {
  if (!CarriesArguments(command))
    return RemoveQuotes(command);
  // Blanks and quotes are never the second byte of a two-byte character; a marked
  // command starts after its mark.
  const size_t mark = platform::IsMarked(command) ? platform::Utf8Mark.size() : 0;
  const size_t start = command.find_first_not_of(" \t", mark);
  const size_t close = command[start] == '"' ? command.find('"', start + 1) : std::string::npos;
  if (close != std::string::npos)
    return platform::TextPiece(command, start + 1, close - start - 1);
  const size_t end = command.find_first_of(" \t", start);
  return RemoveQuotes(
      platform::TextPiece(command, start, end == std::string::npos ? end : end - start));
}

void ButtonBar::SaveTo(const std::string &fileName) {
  CacheNote.reset();
  // One batch: the bar file is written once, atomically, or not at all. The guard
  // takes back whatever the icon cache did when anything below fails.
  platform::ProfileBatch batch;
  const bool inPlace = RewritesInPlace(fileName);
  // A file of that name that is no bar (a picture, a text of other use) is never
  // turned into one.
  if (const BarFileKind kind = KindOfBarFile(fileName); !inPlace && IsNoBar(kind))
    throw ENotABarError(fileName, kind);
  PendingCacheGuard cacheGuard(*this);
  if (!inPlace)
    platform::EmptyProfileSection(BarSection, fileName);
  const bool built = BuildCacheForSave(fileName);
  if (inPlace) {
    RewriteButtons(fileName, built);
  } else if (Buttons.empty()) {
    // An empty bar is stored with a count of 1 and no button keys.
    platform::AppendProfileString(BarSection, "ButtonCount", "1", fileName);
  } else {
    platform::AppendProfileString(BarSection, "ButtonCount", std::to_string(Count()), fileName);
    for (int position = 0; position < Count(); ++position)
      WriteButton(fileName, position, built);
  }
  // The new cache goes in place first, the old one kept aside; then the bar. Should the
  // bar fail, the guard puts the old cache back: both files are new, or both as before.
  InstallPendingCache();
  batch.Commit();
  cacheGuard.Release();
  // The file now holds the buttons in their order: later saves keep these lines.
  for (int position = 0; position < Count(); ++position)
    Buttons[static_cast<size_t>(position)]->Origin = position;
  originFile_ = fileName;
  originCount_ = Count();
  Modified = false;
}

bool ButtonBar::RewritesInPlace(const std::string &fileName) const {
  if (originFile_.empty())
    return false;
  if (fileName != originFile_) {
    const std::string identity = platform::FileIdentity(fileName);
    if (identity.empty() || identity != platform::FileIdentity(originFile_))
      return false;
  }
  const auto names = platform::ProfileSectionNames(fileName);
  return std::any_of(names.begin(), names.end(), [](const std::string &name) {
    return platform::LowerText(name) == platform::LowerText(BarSection);
  });
}

void ButtonBar::RewriteButtons(const std::string &fileName, bool cacheBuilt) {
  std::vector<barlines::ButtonKeys> keys;
  keys.reserve(Buttons.size());
  for (int position = 0; position < Count(); ++position) {
    keys.push_back(KeysOf(position, cacheBuilt));
    WriteCacheIndex(fileName, position);
  }
  const auto lines = platform::ProfileSectionLines(BarSection, fileName);
  // An empty bar is stored with a count of 1, as when it is written anew.
  platform::RewriteProfileSection(
      BarSection, barlines::RewriteBarLines(lines, originCount_, keys, std::max(Count(), 1)),
      fileName);
}

barlines::ButtonKeys ButtonBar::KeysOf(int position, bool cacheBuilt) const {
  const Button &button = *Buttons[static_cast<size_t>(position)];
  barlines::ButtonKeys keys;
  keys.origin = button.Origin;
  auto set = [&](int field, const std::string &read, std::string written) {
    RefuseLineBreak(read);
    keys.read[size_t(field)] = read;
    keys.written[size_t(field)] = std::move(written);
  };
  auto exact = [](const std::string &value) {
    return value.empty() ? std::string() : platform::ExactProfileValue(value);
  };
  if (NamesIconFile(button.IconRef)) {
    const std::string icon = CacheLink(position, cacheBuilt).value_or(button.IconRef);
    set(bfIconRef, icon, exact(icon));
  } else {
    // A reference without a file is never written; a line holding it stays.
    set(bfIconRef, button.IconRef, std::string());
  }
  set(bfCommand, button.Command,
      button.Command.empty() ? std::string() : QuoteCommand(button.Command));
  set(bfParams, button.Params, exact(button.Params));
  set(bfStartPath, button.StartPath, exact(button.StartPath));
  set(bfTooltip, button.Tooltip, exact(button.Tooltip));
  const std::string runMode = button.RunMode == 0 ? std::string() : std::to_string(button.RunMode);
  set(bfRunMode, runMode, runMode);
  return keys;
}

void ButtonBar::Save() {
  SaveTo(FileName);
  Modified = false;
}

void ButtonBar::WriteButton(const std::string &fileName, int position, bool cacheBuilt) {
  const Button &button = *Buttons[static_cast<size_t>(position)];
  // The section was emptied (or did not exist): each key is appended without a lookup.
  auto write = [&](const char *name, const std::string &value) {
    if (value.empty())
      return;
    RefuseLineBreak(value);
    platform::AppendProfileString(BarSection, Key(name, position),
                                  platform::ExactProfileValue(value), fileName);
  };
  if (NamesIconFile(button.IconRef)) {
    write("button", CacheLink(position, cacheBuilt).value_or(button.IconRef));
    WriteCacheIndex(fileName, position);
  }
  write("cmd", button.Command.empty() ? std::string() : CommandAsRead(button.Command));
  write("param", button.Params);
  write("path", button.StartPath);
  write("menu", button.Tooltip);
  if (button.RunMode != 0)
    write("iconic", std::to_string(button.RunMode));
}
