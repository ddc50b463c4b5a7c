#pragma once
// Unit BarEdits: bar edit commands. Every change a user makes to the open bar is one
// command object that applies it (Redo) and takes it back (Undo), and the history keeps
// the commands done so far for undo and redo. The editor and corvane-cli change bars only
// through these commands, so both follow the same rules:
// - the flags the editor's handlers set: Modified for every edit but the cache mode;
//   IconsChanged for an icon reference set and for a button deleted or moved;
// - the icon handle refreshed whenever an edit writes an icon reference;
// - the selection the editor shows after the edit.
// Positions are 0-based, as in ButtonBar. Names are English keys the editor translates.
#include "document/BarClipboard.h"
#include "document/ButtonList.h"
#include "document/CommandCatalog.h"

#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace edits {

// One edit of a bar. Redo and Undo alternate, Redo first, on the same bar.
class BarEdit {
public:
  explicit BarEdit(std::string name) : name_(std::move(name)) {}
  virtual ~BarEdit() = default;
  BarEdit(const BarEdit &) = delete;
  BarEdit &operator=(const BarEdit &) = delete;

  // "Add", "Insert", "Delete", "Move", "Edit", "Paste", "Clone", "Drop files", "Choose
  // command", "Cache mode", or the name a batch was given.
  const std::string &Name() const { return name_; }
  // Applies the edit and sets the flags it sets; returns the selection to show after it
  // (-1 for none), given the selection before it. A position outside the bar throws
  // std::out_of_range, a text the bar cannot take the bar's own error; either way the
  // buttons are as they were (the flags are the history's to restore).
  virtual int Redo(ButtonBar &bar, int selection) = 0;
  // Takes the edit back: buttons, their fields, order and icon handles as before Redo.
  // The flags are left to the history.
  virtual void Undo(ButtonBar &bar) = 0;

  // An error to report once the edit is done and recorded, taken once: the edit went as
  // far as the editor takes it, and the user is to be told why it stopped there.
  std::exception_ptr TakeReport() { return std::exchange(report_, nullptr); }

protected:
  std::exception_ptr report_;

private:
  std::string name_;
};

using Edit = std::unique_ptr<BarEdit>;

// Where a new button goes: after the given button, -1 meaning before the first one;
// nothing appends it at the end (the editor's Add without a selected button).
using After = std::optional<int>;

// "Add": an empty button after a button, or at the end; selects it.
Edit Add(After after);
// "Insert": an empty button at position (0..Count); selects it.
Edit Insert(int position);
// "Delete": the button at position with its icon handle; marks IconsChanged and Modified
// also for a position outside the bar (the editor's Delete without a selection), which
// deletes nothing. Selects the button now at position, else the last one. With
// keepOneButton, deleting the only button leaves one empty button (selected), as the
// editor's bar always keeps one.
Edit Delete(int position, bool keepOneButton = true);
// "Move": the button at from to position to, the others shifting; marks IconsChanged and
// Modified also when from equals to; selects it at to.
Edit Move(int from, int to);
// "Edit": one field (ButtonField) of the button at position, as ButtonBar::SetField
// sets it; an icon reference refreshes the button's icon. Selects the button.
Edit SetField(int position, int field, std::string text);
// Several fields of one button, set in the order given; the icon is refreshed once at the
// end when an icon reference is among them. Named "Edit" unless told otherwise.
using FieldTexts = std::vector<std::pair<int, std::string>>;
Edit SetFields(int position, FieldTexts fields, std::string name = "Edit");
// "Paste": a button from a clipboard text's lines after a button, or at the end, set as
// SetButtonFromClipboard sets it; its icon refreshed. A run-mode line that is no number
// leaves the run mode 0 and the button otherwise pasted, as the editor's Paste does; the
// history then throws its EConvertError once the edit is recorded. Selects the new button.
Edit Paste(After after, ClipboardButtonLines lines);
// "Clone": a copy of the button at position, inserted after it; its icon refreshed.
// Selects the copy.
Edit Clone(int position);
// "Drop files": one button per Windows file name, in order, each after the given button
// (so that they stand there in reverse order) or at the end, filled with
// ProgramFileFields (with the bar's ProgramFile). Selects the last one made.
Edit DropFiles(std::vector<std::string> fileNames, After after);
// "Choose command": the command browser's choice written into the button at position:
// icon reference, command and, when the choice has one, tooltip. Selects the button.
Edit ChooseCommand(int position, const CommandChoice &choice);
// "Cache mode": the bar's CacheMode; no flag changes, the selection stays.
Edit SetCacheMode(uint8_t mode);
// Several edits as one, applied in order and undone in reverse order, under one name: one
// step of the history. When a step throws, the steps applied before it are undone. The
// selection after it is the last step's, or with keepSelection the one before it. Every
// step must be an edit (std::invalid_argument otherwise).
Edit Batch(std::string name, std::vector<Edit> steps, bool keepSelection = false);

// The icon reference a button running fileName takes: the file and index 0, or, for a
// document without icons, the program it opens with (as the editor's icon picker then
// takes it, without an index). exeFileName is the program's full Windows name, the base of
// the lookup of the file (ResolveFile).
std::string IconFileFor(const std::string &exeFileName, const std::string &fileName);
// The fields a button takes from a program file, in the order the editor commits them:
// the command (the name), the start path (its folder with the trailing backslash), the
// icon reference (IconFileFor) and the tooltip (the file name without folder and
// extension).
FieldTexts ProgramFileFields(const std::string &exeFileName, const std::string &fileName);

// The edits done to one bar, for undo and redo; unlimited. Undo restores the flags too:
// - Modified: false when the undo or redo arrives at the state of the last save (see
//   MarkSaved), true when an undo goes back past a save; otherwise as before the edit.
// - IconsChanged: as before the edit, unless the bar was saved after the edit with the
//   flag set: the cache on disk was built from the later state, so the flag stays set.
class History {
public:
  History() = default;
  explicit History(ButtonBar &bar) { Attach(bar); }

  // Works on this bar from now on (a bar opened anew); clears the history.
  void Attach(ButtonBar &bar);
  // Applies the edit and records it, dropping the edits that were undone; returns the
  // selection to show. An edit that throws leaves the bar, its flags and the history as
  // they were. Needs an attached bar (std::logic_error otherwise).
  int Do(Edit edit, int selectionBefore);
  // Takes back the last edit done; returns the selection before it. Without one
  // (CanUndo false) throws std::logic_error.
  int Undo();
  // Applies the last edit undone again; returns the selection after it. Without one
  // (CanRedo false) throws std::logic_error.
  int Redo();
  bool CanUndo() const { return done_ > 0; }
  bool CanRedo() const { return done_ < entries_.size(); }
  // The name of the edit Undo or Redo would take; empty when there is none.
  std::string UndoName() const;
  std::string RedoName() const;
  // Forgets every edit; the bar as it is now is where undo stops, saved when it is not
  // Modified.
  void Clear();
  // The bar was just saved in its present state.
  void MarkSaved();

private:
  struct Entry {
    Edit edit;
    int selectionBefore = -1;
    // The flags, and the number of saves, when the edit was last applied.
    bool modifiedBefore = false;
    bool iconsChangedBefore = false;
    uint64_t savesBefore = 0;
  };
  ButtonBar &Bar() const;
  int Apply(Entry &entry);

  ButtonBar *bar_ = nullptr;
  std::vector<Entry> entries_; // the first done_ are done, the rest undone
  size_t done_ = 0;
  std::optional<size_t> savedAt_; // done_ at the last save, while that state is reachable
  uint64_t saves_ = 0;
};

} // namespace edits
