#pragma once
// Unit ButtonList, comparison of bars (ButtonBar and Button; ButtonsList, TButts): which buttons of
// one bar are which of another, the difference between two bars, and the three-way merge of a bar
// changed in two places. Bars are compared as Total Commander reads them (loaded through
// ButtonBar), so key case, key order, quotes that read back the same, empty keys and
// the file's encoding make no difference.
//
// Matching, in three steps, each over the buttons the steps before left unpaired:
//  1. Equal buttons (all six fields equal) are paired along the longest sequence of them
//     that both bars hold in the same order, so that of several equal buttons (separators,
//     twins) each is told by its place among its neighbours: deleting one separator pairs
//     every other one with itself.
//  2. Buttons between two such pairs (or the same end of both bars) are paired in place
//     when both bars hold as many there: one button replaced by one, or several that each
//     share their command or tooltip with the one at their place.
//  3. A button whose content, else command, else tooltip (not empty) no other unpaired
//     button of either bar has is paired with the one that has it: a move.
// What is left is removed (old) or added (new). A paired button is moved when it is not
// on the longest run of pairs that keep their order: a button moved from 2 to 5 is one
// move, not three buttons moved up. Equal buttons can leave a choice (which of three
// separators in a row was deleted): the bars are matched once front to back and once back
// to front, and the buttons the two readings pair differently are uncertain. Steps 2, 3
// and the moves are O(n log n), step 1 O(n d) for d differences.
#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

class Button;

namespace barcompare {

constexpr int FieldCount = 6;
// The six fields by field number (RunMode as decimal text).
using ButtonContent = std::array<std::string, FieldCount>;

// A key of a section other than "barCaption", as its file spells it.
struct OtherKey {
  std::string Section;
  std::string Key;
  std::string Value;
};
// The other sections' keys by lower-cased section, a NUL and the lower-cased key.
using OtherKeys = std::map<std::string, OtherKey>;

struct BarContent {
  std::vector<ButtonContent> Buttons;
  OtherKeys Others;
};

ButtonContent ContentOf(const Button &button);
Button ButtonOf(const ButtonContent &content);
// The name of a field's key in the bar file, without its number ("cmd").
const char *FieldKeyName(int field);

// The bar as it loads (EBarLoadError, EBarCountError when it cannot) and the keys of its
// other sections as lookups read them (the first of a key wins; a line without "=" is
// no key).
BarContent ReadBarContent(const std::string &fileName);

// For each button of either bar the position of its partner in the other, or -1; for
// each new button whether it moved; and for each old button whether its partner (or
// having none) is a guess among equal buttons.
struct Matching {
  std::vector<int> NewOfOld;
  std::vector<int> OldOfNew;
  std::vector<bool> MovedNew;
  std::vector<bool> UncertainOld;
};
Matching MatchButtons(const std::vector<ButtonContent> &older,
                      const std::vector<ButtonContent> &newer);

struct FieldChange {
  int Field;
  std::string Old;
  std::string New;
};
struct ChangedButton {
  int OldPosition;
  int NewPosition;
  std::vector<FieldChange> Fields;
};
struct MovedButton {
  int From;
  int To;
};
// A key of another section: added (no Old), removed (no New) or changed.
struct KeyChange {
  std::string Section;
  std::string Key;
  std::optional<std::string> Old;
  std::optional<std::string> New;
};

// Positions are 0-based: Added in the new bar, Removed in the old one.
struct BarDiff {
  std::vector<int> Added;
  std::vector<int> Removed;
  std::vector<MovedButton> Moved;
  std::vector<ChangedButton> Changed;
  std::vector<KeyChange> Keys;
  bool Same() const {
    return Added.empty() && Removed.empty() && Moved.empty() && Changed.empty() && Keys.empty();
  }
};
BarDiff CompareBars(const BarContent &older, const BarContent &newer);

// What both sides changed differently. The merged bar holds ours' version of it.
struct Conflict {
  enum Kind {
    FieldChanged,    // both changed Field of the button, to different values
    DeletedByOurs,   // ours deleted the button, theirs changed it (it stays deleted)
    DeletedByTheirs, // theirs deleted the button, ours changed it (it stays)
    MovedBoth,       // both moved the button, to different places (ours' place)
    KeyChanged,      // both changed Key of Section differently (a missing side: removed)
    Uncertain,       // one side changed the button or next to it, and equal buttons nearby
                     // leave open which of them the other side kept, changed or deleted;
                     // the button stays as ours has it and theirs' change is left out
  };
  Kind What;
  int Position = -1;   // 0-based in the merged bar; in the base for DeletedByOurs, Uncertain
  int Field = -1;      // for FieldChanged
  std::string Section; // for KeyChanged
  std::string Key;     // for KeyChanged
  std::optional<std::string> Ours;
  std::optional<std::string> Theirs;
};

struct MergeResult {
  BarContent Bar;
  // For each button of Bar its position in ours, or -1 for one theirs added.
  std::vector<int> OursPositions;
  std::vector<Conflict> Conflicts;
};
// Merges the changes base -> ours and base -> theirs: a change of one side is taken,
// changes of different buttons or fields combine, buttons added on either side keep their
// places after the buttons they followed, and the same change on both sides (a button
// added after the same button counts as the same) is one change. A change of theirs to
// or next to a button whose match is uncertain is left out and is a conflict. Other sections merge
// key by key; "AlternativeCache", which numbers the buttons of an icon cache, is ours' as it is.
MergeResult MergeBars(const BarContent &base, const BarContent &ours, const BarContent &theirs);

// Writes the merged bar into fileName, a copy of ours: its buttons through the bar's own
// save (no icon cache), ours' buttons as the button objects loaded from the file, so that
// the save knows their lines; and the keys of other sections that differ from ours.
// Every other byte of the file stays ours'.
void WriteMergedBar(const MergeResult &merged, const BarContent &ours, const std::string &fileName);

} // namespace barcompare
