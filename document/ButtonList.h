#pragma once
// Unit ButtonList: the open button bar (ButtonBar, Button; ButtonsList, TButts), an ordered list of
// buttons read from and written to the "Buttonbar" section of a bar file, with one icon handle per
// button for the bar list. The user commands of Total Commander (UserCmdList.h) share the record
// type Button.
#include "document/BarFileKind.h"
#include "document/BarLines.h"
#include "platform/IconHandle.h"
#include "platform/MessageText.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace icons {
class TIconLibrary;
}

// One button. Section and SourceFile are filled only for user commands.
class Button {
public:
  std::string IconRef;
  std::string Command;
  std::string Params;
  std::string StartPath;
  std::string Tooltip;
  int32_t RunMode = 0;
  std::string Section;
  std::string SourceFile;
  // The button's 0-based place in the bar file it was read from (ButtonBar::OriginFile),
  // or -1 for a button made since. A save of that file keeps the lines of such a button
  // as they are, renumbered if it moved, and rewrites only the keys whose values changed.
  int Origin = -1;
};

// Field numbers of GetField and SetField.
enum ButtonField : int {
  bfIconRef = 0,
  bfCommand = 1,
  bfParams = 2,
  bfStartPath = 3,
  bfTooltip = 4,
  bfRunMode = 5,
};

enum : uint8_t { CacheOff = 0, CacheLinks = 1, CacheWithTcMenu = 2 };

// A bar file holding more buttons than this is refused rather than loaded: no real bar
// comes near it, and a corrupt count must not make the editor allocate gigabytes.
constexpr int MaxBarButtons = 100000;

// The bar could not be loaded: the file is there but cannot be read, it claims more
// than MaxBarButtons buttons, or its count cannot be trusted (EBarCountError).
class EBarLoadError : public platform::EMessageError {
public:
  using platform::EMessageError::EMessageError;
};

// The section holds button keys, and its "Buttoncount" is missing, no plain decimal
// number, or below the highest button number present. Loading such a bar as its count
// says would drop the buttons beyond it at the next save, so it is opened only with a
// count given (ButtonBar(fileName, count)), usually Highest().
class EBarCountError : public EBarLoadError {
public:
  EBarCountError(const std::string &fileName, std::optional<std::string> countText, int highest);
  // The value of "Buttoncount" as read; nothing when the section has no such line.
  const std::optional<std::string> &CountText() const { return countText_; }
  // The highest button number of any key of the section ("cmd74" is 74).
  int Highest() const { return highest_; }

private:
  std::optional<std::string> countText_;
  int highest_;
};

// The file is there but holds no bar (BarFileKind.h): binary data, or text without a
// "Buttonbar" section. Loaded as an empty bar, its next save would add a section to it.
class ENotABarError : public EBarLoadError {
public:
  // kind: BarFileKind::Binary or BarFileKind::NoBarSection.
  ENotABarError(const std::string &fileName, BarFileKind kind)
      : EBarLoadError(NotABarMessage(fileName, kind)), kind_(kind) {}
  BarFileKind Kind() const { return kind_; }

private:
  BarFileKind kind_;
};

// A text that no bar file can hold: one with a line break, which would end the line
// and turn the rest into keys of their own.
class EBarValueError : public platform::EMessageError {
public:
  using platform::EMessageError::EMessageError;
};

// A button taken out of a bar together with its icon handle, to be put back as it was.
struct TakenButton {
  std::unique_ptr<Button> button;
  platform::IconHandle Icon;
};

class ButtonBar {
public:
  // Loads the bar (an empty name gives an empty bar) and its icons. exeFileName is the
  // program's full Windows name: its settings may name Total Commander's folder, where
  // the icon files of the buttons are looked up (ResolveFile).
  ButtonBar(const std::string &fileName, const std::string &exeFileName);
  // Loads the bar with count buttons (0..MaxBarButtons, std::out_of_range otherwise)
  // whatever its "Buttoncount" says, keys beyond it left out: the repair of a count that
  // cannot be trusted. The bar is Modified when count is not the count the file says.
  ButtonBar(const std::string &fileName, int count, const std::string &exeFileName);
  static std::unique_ptr<ButtonBar> Create(const std::string &fileName,
                                           const std::string &exeFileName) {
    return std::make_unique<ButtonBar>(fileName, exeFileName);
  }
  static std::unique_ptr<ButtonBar> Create(const std::string &fileName, int count,
                                           const std::string &exeFileName) {
    return std::make_unique<ButtonBar>(fileName, count, exeFileName);
  }
  ~ButtonBar();
  ButtonBar(const ButtonBar &) = delete;
  ButtonBar &operator=(const ButtonBar &) = delete;

  // The file whose lines the buttons' Origin numbers refer to: the file the bar was read
  // from, then the file it was last saved to; empty for a new bar.
  const std::string &OriginFile() const { return originFile_; }

  // The program's full Windows name the bar looks up its icon files with.
  const std::string &ProgramFile() const { return exeFileName_; }
  int Count() const { return static_cast<int>(Buttons.size()); }
  int Add();
  int Insert(int position);
  void Delete(int position);
  void Move(int from, int to);
  // Takes the button at position out of the bar, its icon handle with it, and sets no
  // flag; a position out of range takes nothing (an empty button).
  TakenButton TakeOut(int position);
  // Puts a taken button back at position (clamped to 0..Count) with its handle; sets no
  // flag. An empty button puts nothing back.
  void PutBack(int position, TakenButton taken);
  std::string GetField(int position, int field) const;
  void SetField(int position, int field, const std::string &text);
  void RefreshIcon(int position);
  // The button's icon handle, or none (an empty handle) for a position out of range.
  const platform::IconHandle &IconHandle(int position) const;

  // Writes the bar and its icon cache; throws platform::EFileWriteError when either
  // cannot be written (and EBarValueError for a text with a line break), leaving
  // Modified set and both files as they were. A save that leaves the cache out says
  // why in CacheNote.
  void SaveTo(const std::string &fileName);
  void Save();

  // The command as Total Commander should read it back: a program path with blanks in
  // it in one pair of quotes, a program with arguments as written, anything else
  // without quotes (blanks at its start or end kept).
  static std::string CommandAsRead(const std::string &command);
  // The command as it is written to the bar file.
  static std::string QuoteCommand(const std::string &command);
  // The program or document a command runs, without quotes: when the command carries
  // arguments (as CommandAsRead tells), its leading quoted part, else its first word;
  // otherwise the whole command.
  static std::string ProgramOf(const std::string &command);

  // Collects the bar's icons into an icon library written as cacheFileName; fills
  // CacheMap. True when the library was assembled and written without any failure.
  bool BuildIconCache(const std::string &cacheFileName);

  std::vector<std::unique_ptr<Button>> Buttons;
  std::vector<platform::IconHandle> IconHandles;
  std::vector<std::pair<std::string, int>> CacheMap;
  std::string FileName;
  // Why the last save wrote no icon cache although its cache mode asked for one: the bar
  // is named like its cache, or "The icon cache X was not written: <reason>" (a file of
  // that name that is not a cache a save wrote, which is kept; a failed build). Nothing
  // otherwise; the cache off, or a bar without any icon to cache, gets no cache and no
  // note.
  std::optional<platform::MessageText> CacheNote;
  bool Modified = false;
  bool IconsChanged = false;
  uint8_t CacheMode = CacheOff;

private:
  void LoadBar(const std::string &fileName, std::optional<int> count);
  void LoadIcons();
  class IconFileResolver;
  platform::IconHandle ExtractButtonIcon(const Button &button, IconFileResolver &files,
                                         bool checkCount) const;
  void WriteButton(const std::string &fileName, int position, bool cacheBuilt);
  // Whether a save to fileName rewrites only what changed in the lines the buttons were
  // read from: fileName is the origin file and holds the bar's section.
  bool RewritesInPlace(const std::string &fileName) const;
  void RewriteButtons(const std::string &fileName, bool cacheBuilt);
  barlines::ButtonKeys KeysOf(int position, bool cacheBuilt) const;
  // The icon cache's steps of a save: before the button keys (returns whether the cache
  // was built) and after each "button"N key.
  bool BuildCacheForSave(const std::string &fileName);
  // The reference "button"N gets in place of the button's own: a link into the cache.
  std::optional<std::string> CacheLink(int position, bool cacheBuilt) const;
  void WriteCacheIndex(const std::string &fileName, int position);
  // Puts the new cache library in place of the old one, which is kept aside until the
  // bar is written; throws platform::EFileWriteError when it cannot.
  void InstallPendingCache();
  // Takes back what a failed save did to the cache: the new library is removed and the
  // old one put back. Released once the bar is written, it drops the old library.
  class PendingCacheGuard {
  public:
    explicit PendingCacheGuard(ButtonBar &bar) : bar_(bar) {}
    ~PendingCacheGuard();
    PendingCacheGuard(const PendingCacheGuard &) = delete;
    PendingCacheGuard &operator=(const PendingCacheGuard &) = delete;
    void Release();

  private:
    void Clear();
    ButtonBar &bar_;
    bool released_ = false;
  };
  // Fills the library and CacheMap; returns why the build failed, or nothing.
  std::optional<platform::MessageText> AssembleIconCache(icons::TIconLibrary &cache);
  // Builds the cache library into the pending file beside cacheFile; returns why it
  // failed, or nothing (also when there was no icon to cache, and nothing is pending).
  std::optional<platform::MessageText> WritePendingCache(const std::string &cacheFile);
  class ModuleCache;
  void CacheButtonIcon(icons::TIconLibrary &cache, ModuleCache &modules, int position);

  std::string exeFileName_;  // the program's, for the lookups of icon files
  std::string originFile_;   // see OriginFile()
  int originCount_ = 0;      // the buttons of originFile_ that Origin numbers count
  std::string cacheFile_;    // the cache file of the save under way, as a full name
  std::string pendingCache_; // the new cache library waiting to replace it
  std::string cacheBackup_;  // the old cache, kept aside while the bar is written
  bool cacheInstalled_ = false;
  std::unordered_map<std::string, int> cacheLookup_; // CacheMap's first pair per key
};
