// Unit BarEdits: bar edit commands and their history.
#include "document/BarEdits.h"
#include "platform/IconHandle.h"

#include "document/FileNames.h"
#include "document/IconReference.h"
#include "document/Resolve.h"
#include "document/ShellQueries.h"

#include <algorithm>
#include <climits>
#include <stdexcept>

namespace edits {

namespace {

bool InRange(int position, int count) {
  return position >= 0 && position < count;
}

void RequireButton(const ButtonBar &bar, int position) {
  if (!InRange(position, bar.Count()))
    throw std::out_of_range("There is no button at position " + std::to_string(position) +
                            " of a bar of " + std::to_string(bar.Count()) + " buttons.");
}

// A new button put into the bar and filled there; taken out again on undo.
class NewButton : public BarEdit {
public:
  // at: the position the button takes, nothing for the end.
  NewButton(std::string name, std::optional<int> at) : BarEdit(std::move(name)), place_(at) {}

  int Redo(ButtonBar &bar, int) override {
    const int at = place_.value_or(bar.Count());
    if (at < 0 || at > bar.Count())
      throw std::out_of_range("A new button cannot go to position " + std::to_string(at) +
                              " of a bar of " + std::to_string(bar.Count()) + " buttons.");
    bar.Insert(at);
    try {
      Fill(bar, at);
    } catch (...) {
      bar.TakeOut(at);
      throw;
    }
    bar.Modified = true;
    at_ = at;
    return at;
  }
  void Undo(ButtonBar &bar) override { bar.TakeOut(at_); }

protected:
  // Sets the fields of the new button at position at; an empty button by default.
  virtual void Fill(ButtonBar &, int) {}

private:
  std::optional<int> place_;
  int at_ = -1;
};

// The position after a button; a position that has none stays beyond any bar.
int Following(int position) {
  return position < INT_MAX ? position + 1 : position;
}

std::optional<int> PlaceAfter(After after) {
  return after ? std::optional<int>(Following(*after)) : std::nullopt;
}

class PastedButton : public NewButton {
public:
  PastedButton(After after, ClipboardButtonLines lines)
      : NewButton("Paste", PlaceAfter(after)), lines_(std::move(lines)) {}

private:
  void Fill(ButtonBar &bar, int at) override {
    try {
      SetButtonFromClipboard(bar, at, lines_);
    } catch (const EConvertError &) {
      // The run mode comes last: every other field is set, the run mode stays 0.
      report_ = std::current_exception();
    }
    bar.RefreshIcon(at);
  }
  ClipboardButtonLines lines_;
};

class ClonedButton : public NewButton {
public:
  explicit ClonedButton(int source) : NewButton("Clone", Following(source)), source_(source) {}

private:
  void Fill(ButtonBar &bar, int at) override {
    RequireButton(bar, source_);
    for (int field : {bfIconRef, bfCommand, bfParams, bfStartPath, bfTooltip, bfRunMode})
      bar.SetField(at, field, bar.GetField(source_, field));
    bar.RefreshIcon(at);
  }
  int source_;
};

class ProgramFileButton : public NewButton {
public:
  ProgramFileButton(std::string fileName, After after)
      : NewButton("Drop files", PlaceAfter(after)), fileName_(std::move(fileName)) {}

private:
  void Fill(ButtonBar &bar, int at) override {
    for (const auto &[field, text] : ProgramFileFields(bar.ProgramFile(), fileName_))
      bar.SetField(at, field, text);
    bar.RefreshIcon(at);
  }
  std::string fileName_;
};

// Edits applied in order as one; undone in reverse order.
class Sequence : public BarEdit {
public:
  Sequence(std::string name, std::vector<Edit> steps, bool keepSelection = false)
      : BarEdit(std::move(name)), steps_(std::move(steps)), keepSelection_(keepSelection) {}

  int Redo(ButtonBar &bar, int selection) override {
    const int before = selection;
    size_t applied = 0;
    try {
      for (; applied < steps_.size(); ++applied)
        selection = steps_[applied]->Redo(bar, selection);
    } catch (...) {
      while (applied > 0)
        steps_[--applied]->Undo(bar);
      throw;
    }
    return keepSelection_ ? before : selection;
  }
  void Undo(ButtonBar &bar) override {
    for (auto step = steps_.rbegin(); step != steps_.rend(); ++step)
      (*step)->Undo(bar);
  }

private:
  std::vector<Edit> steps_;
  bool keepSelection_;
};

class DeleteEdit : public BarEdit {
public:
  DeleteEdit(int position, bool keepOneButton)
      : BarEdit("Delete"), position_(position), keepOne_(keepOneButton) {}

  int Redo(ButtonBar &bar, int selection) override {
    bar.IconsChanged = true;
    bar.Modified = true;
    if (InRange(position_, bar.Count())) {
      taken_ = bar.TakeOut(position_);
      selection = std::min(position_, bar.Count() - 1);
    }
    refilled_ = keepOne_ && bar.Count() == 0;
    if (!refilled_)
      return selection;
    try {
      return bar.Add();
    } catch (...) {
      Undo(bar);
      throw;
    }
  }
  void Undo(ButtonBar &bar) override {
    if (refilled_)
      bar.TakeOut(0);
    bar.PutBack(position_, std::move(taken_));
  }

private:
  int position_;
  bool keepOne_;
  TakenButton taken_;     // the deleted button while the edit is done
  bool refilled_ = false; // an empty button took the place of the only one
};

class MoveEdit : public BarEdit {
public:
  MoveEdit(int from, int to) : BarEdit("Move"), from_(from), to_(to) {}

  int Redo(ButtonBar &bar, int) override {
    RequireButton(bar, from_);
    RequireButton(bar, to_);
    bar.Move(from_, to_);
    bar.IconsChanged = true;
    bar.Modified = true;
    return to_;
  }
  void Undo(ButtonBar &bar) override { bar.Move(to_, from_); }

private:
  int from_;
  int to_;
};

// Fields of one button; the button as it was is kept for undo, not the bar.
class FieldsEdit : public BarEdit {
public:
  FieldsEdit(std::string name, int position, FieldTexts fields)
      : BarEdit(std::move(name)), position_(position), fields_(std::move(fields)),
        setsIcon_(std::any_of(fields_.begin(), fields_.end(),
                              [](const auto &field) { return field.first == bfIconRef; })) {}

  int Redo(ButtonBar &bar, int) override {
    RequireButton(bar, position_);
    Button &button = *bar.Buttons[Index()];
    before_ = button;
    try {
      for (const auto &[field, text] : fields_)
        bar.SetField(position_, field, text);
    } catch (...) {
      button = before_;
      throw;
    }
    if (setsIcon_) {
      // The handle shown before stays with the edit, to come back on undo.
      keptIcon_ = std::move(bar.IconHandles[Index()]);
      bar.RefreshIcon(position_);
    }
    return position_;
  }
  void Undo(ButtonBar &bar) override {
    *bar.Buttons[Index()] = before_;
    if (setsIcon_)
      bar.IconHandles[Index()] = std::move(keptIcon_);
  }

private:
  size_t Index() const { return static_cast<size_t>(position_); }

  int position_;
  FieldTexts fields_;
  bool setsIcon_;
  Button before_;
  platform::IconHandle keptIcon_;
};

class CacheModeEdit : public BarEdit {
public:
  explicit CacheModeEdit(uint8_t mode) : BarEdit("Cache mode"), mode_(mode) {}

  int Redo(ButtonBar &bar, int selection) override {
    before_ = bar.CacheMode;
    bar.CacheMode = mode_;
    return selection;
  }
  void Undo(ButtonBar &bar) override { bar.CacheMode = before_; }

private:
  uint8_t mode_;
  uint8_t before_ = CacheOff;
};

} // namespace

Edit Add(After after) {
  return std::make_unique<NewButton>("Add", PlaceAfter(after));
}

Edit Insert(int position) {
  return std::make_unique<NewButton>("Insert", position);
}

Edit Delete(int position, bool keepOneButton) {
  return std::make_unique<DeleteEdit>(position, keepOneButton);
}

Edit Move(int from, int to) {
  return std::make_unique<MoveEdit>(from, to);
}

Edit SetField(int position, int field, std::string text) {
  return SetFields(position, {{field, std::move(text)}});
}

Edit SetFields(int position, FieldTexts fields, std::string name) {
  return std::make_unique<FieldsEdit>(std::move(name), position, std::move(fields));
}

Edit Paste(After after, ClipboardButtonLines lines) {
  return std::make_unique<PastedButton>(after, std::move(lines));
}

Edit Clone(int position) {
  return std::make_unique<ClonedButton>(position);
}

Edit DropFiles(std::vector<std::string> fileNames, After after) {
  std::vector<Edit> buttons;
  buttons.reserve(fileNames.size());
  for (std::string &name : fileNames)
    buttons.push_back(std::make_unique<ProgramFileButton>(std::move(name), after));
  return std::make_unique<Sequence>("Drop files", std::move(buttons));
}

Edit ChooseCommand(int position, const CommandChoice &choice) {
  FieldTexts fields = {{bfIconRef, choice.IconRef}, {bfCommand, choice.Command}};
  if (choice.Tooltip)
    fields.emplace_back(bfTooltip, *choice.Tooltip);
  return SetFields(position, std::move(fields), "Choose command");
}

Edit SetCacheMode(uint8_t mode) {
  return std::make_unique<CacheModeEdit>(mode);
}

Edit Batch(std::string name, std::vector<Edit> steps, bool keepSelection) {
  if (std::any_of(steps.begin(), steps.end(), [](const Edit &step) { return !step; }))
    throw std::invalid_argument("A batch of edits holds no edit at one of its steps.");
  return std::make_unique<Sequence>(std::move(name), std::move(steps), keepSelection);
}

std::string IconFileFor(const std::string &exeFileName, const std::string &fileName) {
  if (platform::ExtractIconCountA(ResolveFile(exeFileName, IconFilePart(fileName))) != 0)
    return fileName + ",0";
  const std::string program = FindAssociatedExecutable(fileName, WindowsDirectory());
  return program.empty() ? fileName + ",0" : program;
}

FieldTexts ProgramFileFields(const std::string &exeFileName, const std::string &fileName) {
  return {{bfCommand, fileName},
          {bfStartPath, ExtractFilePath(fileName)},
          {bfIconRef, IconFileFor(exeFileName, fileName)},
          {bfTooltip, ChangeFileExt(ExtractFileName(fileName), "")}};
}

void History::Attach(ButtonBar &bar) {
  bar_ = &bar;
  Clear();
}

ButtonBar &History::Bar() const {
  if (!bar_)
    throw std::logic_error("The edit history has no bar to work on.");
  return *bar_;
}

// Applies an entry's edit, noting the flags it found; on failure puts them back.
int History::Apply(Entry &entry) {
  ButtonBar &bar = Bar();
  const bool modified = bar.Modified;
  const bool iconsChanged = bar.IconsChanged;
  int selection = -1;
  try {
    selection = entry.edit->Redo(bar, entry.selectionBefore);
  } catch (...) {
    bar.Modified = modified;
    bar.IconsChanged = iconsChanged;
    throw;
  }
  entry.modifiedBefore = modified;
  entry.iconsChangedBefore = iconsChanged;
  entry.savesBefore = saves_;
  return selection;
}

int History::Do(Edit edit, int selectionBefore) {
  if (!edit)
    throw std::invalid_argument("No edit was given.");
  Entry entry{std::move(edit), selectionBefore};
  const int selection = Apply(entry);
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(done_), entries_.end());
  if (savedAt_ && *savedAt_ > done_)
    savedAt_.reset(); // the saved state was among the edits undone
  entries_.push_back(std::move(entry));
  ++done_;
  if (const std::exception_ptr report = entries_.back().edit->TakeReport())
    std::rethrow_exception(report);
  return selection;
}

int History::Undo() {
  if (!CanUndo())
    throw std::logic_error("There is no edit to undo.");
  ButtonBar &bar = Bar();
  Entry &entry = entries_[done_ - 1];
  entry.edit->Undo(bar);
  --done_;
  // A save since the edit leaves a cache on disk built from a later state, when the
  // icons had changed by then: the next save must build it anew.
  const bool savedSince = saves_ != entry.savesBefore;
  bar.IconsChanged = entry.iconsChangedBefore || (savedSince && bar.IconsChanged);
  bar.Modified = savedAt_ != done_ && (savedSince || entry.modifiedBefore);
  return entry.selectionBefore;
}

int History::Redo() {
  if (!CanRedo())
    throw std::logic_error("There is no edit to redo.");
  const int selection = Apply(entries_[done_]);
  ++done_;
  if (savedAt_ == done_)
    Bar().Modified = false;
  return selection;
}

std::string History::UndoName() const {
  return CanUndo() ? entries_[done_ - 1].edit->Name() : std::string();
}

std::string History::RedoName() const {
  return CanRedo() ? entries_[done_].edit->Name() : std::string();
}

void History::Clear() {
  entries_.clear();
  done_ = 0;
  savedAt_.reset();
  if (bar_ && !bar_->Modified)
    savedAt_ = 0;
}

void History::MarkSaved() {
  savedAt_ = done_;
  ++saves_;
}

} // namespace edits
