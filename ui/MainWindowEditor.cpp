// Unit FrmMain, TBarMain (MainWindow): the button editor's behaviour: showing the selected button,
// the commit of each field when it loses the focus, the icon picker, the file choosers, the
// parameter and path menus, the run mode, OK and Cancel.
#include "ui/MainWindow.h"

#include "document/CommanderLocation.h"
#include "document/FileNames.h"
#include "document/IconReference.h"
#include "document/Resolve.h"
#include "document/ShellQueries.h"
#include "icons/PictureIcon.h"
#include "platform/CodePage.h"
#include "platform/HostFiles.h"
#include "platform/IconHandle.h"
#include "ui/ButtonEditor.h"
#include "ui/CommandBrowser.h"
#include "ui/FieldEdit.h"
#include "ui/IconPaint.h"
#include "ui/OwnerDrawList.h"
#include "ui/Scale.h"
#include "ui/TextCodec.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>

namespace {

const char *const MarkerText = "-1-";
const char *const BarFilter = "*.bar|*.bar|*.*|*.*";
const char *const IconFilter =
    "*.exe,*.dll,*.ico,*.icl,*.png,*.svg|*.exe;*.dll;*.ico;*.icl;*.png;*."
    "svg|*.*|*.*";
const char *const LibraryFilter = "*.icl|*.icl|*.*|*.*";

// The hourglass for as long as it lives.
class TWaitCursor {
public:
  TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
  TWaitCursor(const TWaitCursor &) = delete;
  TWaitCursor &operator=(const TWaitCursor &) = delete;
};

std::string WithoutAmpersands(const QAction *item) {
  return ui::FromDisplay(item->text().remove(QLatin1Char('&')));
}

// Whether a name starts from a drive or a root: a relative name says nothing of where it
// lies, and would be taken from the current folder.
bool IsRooted(const std::string &name) {
  const size_t at = platform::IsMarked(name) ? platform::Utf8Mark.size() : 0;
  return (name.size() > at + 1 && name[at + 1] == ':') ||
         (name.size() > at && (name[at] == '\\' || name[at] == '/'));
}

// The folder of a file, or the nearest of its parents that exists; empty when none does.
// Each step is shorter than the one before, so the walk ends.
std::string NearestExistingFolder(const std::string &file) {
  if (!IsRooted(file))
    return {};
  std::string folder = ExtractFilePath(file);
  while (!folder.empty() && !platform::DirectoryExists(folder))
    folder = ExtractFilePath(folder.substr(0, folder.size() - 1));
  return folder;
}

} // namespace

void MainWindow::ConnectEditField(TFieldEdit *field, void (MainWindow::*enter)(),
                                  void (MainWindow::*exit)(), int pathTarget) {
  connect(field, &TFieldEdit::Enter, this,
          [this, enter] { RunGuarded([&] { (this->*enter)(); }); });
  connect(field, &TFieldEdit::Exit, this, [this, exit] { RunGuarded([&] { (this->*exit)(); }); });
  if (pathTarget == 0)
    return;
  connect(field, &TFieldEdit::RightDown, this,
          [this, pathTarget] { RunGuarded([&] { FieldMouseDown(pathTarget); }); });
  connect(field, &TFieldEdit::RightUp, this, [this] { RunGuarded([this] { FieldMouseUp(); }); });
}

void MainWindow::ConnectEditor() {
  ButtonEditor *f = editor;
  ConnectEditField(f->commandEdit, &MainWindow::CommandEnter, &MainWindow::CommandExit, 1);
  ConnectEditField(f->paramsEdit, &MainWindow::ParamsEnter, &MainWindow::ParamsExit, 2);
  ConnectEditField(f->startPathEdit, &MainWindow::StartPathEnter, &MainWindow::StartPathExit, 3);
  ConnectEditField(f->iconFileEdit, &MainWindow::IconFileEnter, &MainWindow::IconFileExit, 4);
  ConnectEditField(f->tooltipEdit, &MainWindow::TooltipEnter, &MainWindow::TooltipExit, 0);
  f->iconList->SetDrawItem([this](QPainter &canvas, int index, const QRect &rect) {
    RunGuarded([&] { IconListDrawItem(canvas, index, rect); });
  });
  auto bind = [this](auto *sender, auto signal, void (MainWindow::*handler)()) {
    connect(sender, signal, this, [this, handler] { RunGuarded([&] { (this->*handler)(); }); });
  };
  bind(f->iconList, &TOwnerDrawList::Click, &MainWindow::IconListClick);
  bind(f->chooseProgramButton, &QPushButton::clicked, &MainWindow::ChooseProgramClick);
  bind(f->chooseIconFileButton, &QPushButton::clicked, &MainWindow::ChooseIconFileClick);
  bind(f->paramMenuButton, &QPushButton::clicked, &MainWindow::ParamMenuClick);
  bind(f->browseCommandsButton, &QToolButton::clicked, &MainWindow::BrowseCommandsClick);
  f->paramsEdit->SetHasMenu(true);
  bind(f->paramsEdit, &TFieldEdit::MenuKey, &MainWindow::ParamsMenuKey);
  f->startPathEdit->SetHasMenu(true);
  bind(f->startPathEdit, &TFieldEdit::MenuKey, &MainWindow::StartPathMenuKey);
  // Clicked comes only from the user (mouse, keyboard), never from setChecked.
  bind(f->runMinimized, &QRadioButton::clicked, &MainWindow::RunMinimizedClick);
  bind(f->runMaximized, &QRadioButton::clicked, &MainWindow::RunMaximizedClick);
  bind(f->runNormal, &QRadioButton::clicked, &MainWindow::RunNormalClick);
  bind(f->Ok, &QPushButton::clicked, &MainWindow::OkClick);
  bind(f->Cancel, &QPushButton::clicked, &MainWindow::CancelClick);
}

void MainWindow::BarListClick() {
  const int s = Selected();
  if (s < 0) {
    ClearEditor();
    return;
  }
  ShowSelectionState();
  ButtonEditor *f = editor;
  f->commandEdit->SetBytes(bar_->GetField(s, bfCommand));
  f->paramsEdit->SetBytes(bar_->GetField(s, bfParams));
  f->startPathEdit->SetBytes(bar_->GetField(s, bfStartPath));
  const std::string ref = bar_->GetField(s, bfIconRef);
  const int index = IconIndexOrError(ref);
  // The name as written: a name shown in another case would be written back so.
  f->iconFileEdit->SetBytes(IconFileAsWritten(ref));
  f->iconIndexLabel->setText(QString::number(index));
  f->tooltipEdit->SetBytes(bar_->GetField(s, bfTooltip));
  switch (bar_->Buttons[static_cast<size_t>(s)]->RunMode) {
  case -1:
    f->runMaximized->setChecked(true);
    break;
  case 0:
    f->runNormal->setChecked(true);
    break;
  case 1:
    f->runMinimized->setChecked(true);
    break;
  default:
    break;
  }
  FillIconList(s);
  // A negative index names the icon by its resource identifier: the picker shows where
  // that icon stands.
  if (const auto at = IconPosition(pickerFile_, index); at && *at < f->iconList->Count())
    f->iconList->SetItemIndex(*at);
}

void MainWindow::FillIconList(int position) {
  TOwnerDrawList *picker = editor->iconList;
  pickerIcons_.clear();
  pickerLoaded_.clear();
  pickerFile_.clear();
  picker->Clear();
  const std::string ref = bar_->GetField(position, bfIconRef);
  if (ref.empty())
    return;
  std::string file = ResolveFile(exeFileName_, IconFileAsWritten(ref));
  unsigned count = platform::ExtractIconCountA(file);
  if (count == 0) {
    // A document shows the icons of the program it opens with, which then becomes
    // the button's icon file.
    file = FindAssociatedExecutable(file, WindowsDirectory());
    if (file.empty())
      return;
    // Showing an undone or redone state writes nothing: that would end the redo list.
    if (!showingHistory_)
      Edit(edits::SetField(position, bfIconRef, file));
    editor->iconFileEdit->SetBytes(file);
    count = platform::ExtractIconCountA(file);
  }
  pickerFile_ = file;
  pickerIcons_.resize(count);
  pickerLoaded_.assign(count, false);
  picker->SetCount(static_cast<int>(count));
}

const platform::IconHandle &MainWindow::PickerIcon(int index) const {
  static const platform::IconHandle none;
  if (index < 0 || static_cast<size_t>(index) >= pickerIcons_.size())
    return none;
  const auto i = static_cast<size_t>(index);
  if (!pickerLoaded_[i]) {
    pickerIcons_[i] = platform::ExtractIconOfSize(pickerFile_, index, platform::DisplayIconSize());
    pickerLoaded_[i] = true;
  }
  return pickerIcons_[i];
}

void MainWindow::IconListDrawItem(QPainter &canvas, int index, const QRect &rect) {
  canvas.fillRect(rect, canvas.brush());
  const platform::IconHandle &icon = PickerIcon(index);
  if (icon)
    ui::DrawIconAt(canvas, rect.topLeft(), icon, ui::LargeIconSize());
}

void MainWindow::CommandEnter() {
  EnteredText = editor->commandEdit->Bytes();
}
void MainWindow::ParamsEnter() {
  EnteredText = editor->paramsEdit->Bytes();
}
void MainWindow::StartPathEnter() {
  EnteredText = editor->startPathEdit->Bytes();
}
void MainWindow::IconFileEnter() {
  EnteredText = editor->iconFileEdit->Bytes();
}
void MainWindow::TooltipEnter() {
  EnteredText = editor->tooltipEdit->Bytes();
}

// Writes a field into the selected button when its text differs from the one it had on
// entry; true when it wrote.
bool MainWindow::CommitField(TFieldEdit *field, int fieldNumber) {
  const std::string text = field->Bytes();
  const int s = Selected();
  if (text == EnteredText || s < 0)
    return false;
  Edit(edits::SetField(s, fieldNumber, text));
  // The typing is now a step of the bar's history; the field's own undo starts afresh.
  field->SetBytes(text);
  return true;
}

TFieldEdit *MainWindow::FocusedField() const {
  // The window's own focus: a field keeps it while another window of the program (the
  // problems window) is active, and its edit is still to be committed.
  auto *field = qobject_cast<TFieldEdit *>(focusWidget());
  return field && editor->isAncestorOf(field) ? field : nullptr;
}

void MainWindow::ExitField(TFieldEdit *field) {
  ButtonEditor *f = editor;
  if (field == f->commandEdit)
    CommandExit();
  else if (field == f->paramsEdit)
    ParamsExit();
  else if (field == f->startPathEdit)
    StartPathExit();
  else if (field == f->iconFileEdit)
    IconFileExit();
  else if (field == f->tooltipEdit)
    TooltipExit();
}

void MainWindow::CommitEditing() {
  TFieldEdit *field = FocusedField();
  if (!field || !bar_)
    return;
  ExitField(field);
  // As if the field were entered again: its real exit commits only later typing.
  EnteredText = field->Bytes();
}

void MainWindow::ChangeAndCommit(TFieldEdit *field, const std::function<void()> &change) {
  if (field != FocusedField())
    EnteredText = field->Bytes();
  change();
  ExitField(field);
  EnteredText = field->Bytes();
}

void MainWindow::CommandExit() {
  ButtonEditor *f = editor;
  if (f->iconFileEdit->text().isEmpty()) {
    f->iconFileEdit->SetBytes(f->commandEdit->Bytes());
    f->iconIndexLabel->setText(QStringLiteral("0"));
    IconFileExit();
  }
  if (!CommitField(f->commandEdit, bfCommand))
    return;
  BarListClick();
  barList->viewport()->update();
  EnteredText = MarkerText;
}

void MainWindow::ParamsExit() {
  if (CommitField(editor->paramsEdit, bfParams))
    EnteredText = MarkerText;
}

void MainWindow::StartPathExit() {
  if (CommitField(editor->startPathEdit, bfStartPath))
    EnteredText = MarkerText;
}

void MainWindow::TooltipExit() {
  if (CommitField(editor->tooltipEdit, bfTooltip))
    EnteredText = MarkerText;
}

void MainWindow::IconFileExit() {
  ButtonEditor *f = editor;
  const int s = Selected();
  const std::string file = f->iconFileEdit->Bytes();
  if (file == EnteredText || s < 0)
    return;
  if (file.empty())
    f->iconIndexLabel->setText(QStringLiteral("0"));
  // The label keeps the index, so a new file name keeps the icon's position.
  Edit(edits::SetField(s, bfIconRef, file + "," + f->iconIndexLabel->text().toStdString()));
  f->iconFileEdit->SetBytes(file);
  FillIconList(s);
  barList->viewport()->update();
  if (const auto at =
          IconPosition(pickerFile_, StrToIntOrError(f->iconIndexLabel->text().toStdString())))
    f->iconList->SetItemIndex(*at);
  EnableCacheControls(true);
  EnteredText = MarkerText;
}

void MainWindow::IconListClick() {
  const int s = Selected();
  const int item = editor->iconList->ItemIndex();
  if (s < 0 || item < 0)
    return;
  editor->iconIndexLabel->setText(QString::number(item));
  Edit(edits::SetField(s, bfIconRef, editor->iconFileEdit->Bytes() + "," + std::to_string(item)));
  barList->viewport()->update();
  EnableCacheControls(true);
}

std::string MainWindow::PortableName(const std::string &fileName) const {
  if (!doctor_)
    return fileName;
  return doctor_->PortableText(fileName).value_or(fileName);
}

std::string MainWindow::StartFolder(const std::optional<std::string> &file) const {
  if (file)
    if (std::string folder = NearestExistingFolder(*file); !folder.empty())
      return folder;
  const std::string commander =
      doctor_ ? doctor_->CommanderFolder() : FindCommanderPath(exeFileName_);
  if (!commander.empty() && platform::DirectoryExists(commander))
    return commander + "\\";
  return NearestExistingFolder(CurrentFileName);
}

void MainWindow::ChooseIconFileClick() {
  CommitEditing();
  std::optional<std::string> current;
  if (const int shown = Selected(); shown >= 0)
    if (const std::string file = IconFileAsWritten(bar_->GetField(shown, bfIconRef)); !file.empty())
      current = ResolveFile(exeFileName_, file);
  const auto chosen = dialogs_.OpenFileName(this, IconFilter, StartFolder(current));
  const int s = Selected();
  if (!chosen || s < 0)
    return;
  if (icons::IsPictureFileName(*chosen))
    AddPictureAsIcon(s, *chosen);
  else
    ShowChosenIconRef(s, *chosen, 0);
}

// A picture is no icon file: it is made into an icon of a 32-bit library the user chooses,
// and the button refers to that. Undo takes back the reference; the library stays written.
void MainWindow::AddPictureAsIcon(int position, const std::string &picture) {
  const auto quoted = platform::Verbatim("\"" + picture + "\"");
  if (dialogs_.AskYesNo(this, dialogs_.Say(platform::Message(
                                  "Make an icon of the picture %s and add it to an icon library?",
                                  {quoted}))) != ui::TAnswer::Yes)
    return;
  const std::string folder = NearestExistingFolder(CurrentFileName);
  auto library = dialogs_.SaveFileName(this, LibraryFilter, folder + "icons.icl");
  if (!library)
    return;
  if (FileExtension(*library).empty())
    *library += ".icl";
  int index = 0;
  try {
    TWaitCursor wait;
    index = icons::AddPictureToLibrary(picture, *library);
  } catch (const platform::EMessageError &e) {
    dialogs_.ShowError(this, dialogs_.Say(e.Message()));
    return;
  }
  ShowChosenIconRef(position, *library, index);
}

// The button refers to icon `index` of the file, in one edit, as the picker shows it.
void MainWindow::ShowChosenIconRef(int position, const std::string &file, int index) {
  const std::string name = PortableName(file);
  ButtonEditor *f = editor;
  f->iconFileEdit->SetBytes(name);
  f->iconIndexLabel->setText(QString::number(index));
  Edit(edits::SetField(position, bfIconRef, name + "," + std::to_string(index)));
  FillIconList(position);
  barList->viewport()->update();
  f->iconList->SetItemIndex(index);
  EnableCacheControls(false);
  EnteredText = MarkerText;
}

void MainWindow::ChooseProgramClick() {
  CommitEditing();
  std::optional<std::string> current;
  if (const int shown = Selected(); shown >= 0)
    current = doctor::CommandFileOf(exeFileName_, *bar_->Buttons[static_cast<size_t>(shown)]);
  if (const auto name = dialogs_.OpenFileName(this, "*.*|*.*", StartFolder(current)))
    FillFromProgramFile(PortableName(*name));
}

// The button takes the program's command, start path, icon and tooltip in one edit, as
// if the user had typed each field and left it.
void MainWindow::FillFromProgramFile(const std::string &fileName) {
  const int s = Selected();
  if (s < 0)
    return;
  edits::FieldTexts fields = edits::ProgramFileFields(exeFileName_, fileName);
  // A tooltip the user wrote is kept; the program's name only fills an empty one.
  if (!bar_->GetField(s, bfTooltip).empty())
    std::erase_if(fields, [](const auto &field) { return field.first == bfTooltip; });
  Edit(edits::SetFields(s, std::move(fields)));
  BarListClick();
  barList->viewport()->update();
  EnableCacheControls(true);
  EnteredText = MarkerText;
}

void MainWindow::ParamMenuClick() {
  QPushButton *p = editor->paramMenuButton;
  paramMenu->popup(p->mapToGlobal(QPoint(0, p->height())));
  editor->update();
}

namespace {

// Below the field, as a combo box drops its list.
QPoint BelowField(const QWidget *field) {
  return field->mapToGlobal(QPoint(0, field->height()));
}

} // namespace

void MainWindow::ParamsMenuKey() {
  paramMenu->popup(BelowField(editor->paramsEdit));
}

void MainWindow::StartPathMenuKey() {
  PathMenuTarget = 3;
  pathMenu->popup(BelowField(editor->startPathEdit));
}

void MainWindow::ParamItemClick(QAction *item) {
  std::string text = WithoutAmpersands(item);
  // An entry reads "placeholder - what it stands for"; only the placeholder goes in.
  if (const auto dash = text.find('-'); dash != std::string::npos)
    text.erase(dash);
  TFieldEdit *field = editor->paramsEdit;
  ChangeAndCommit(field, [&] { field->insert(ui::ToDisplay(text)); });
  editor->update();
}

void MainWindow::PathItemClick(QAction *item) {
  TFieldEdit *targets[] = {editor->commandEdit, editor->paramsEdit, editor->startPathEdit,
                           editor->iconFileEdit};
  if (PathMenuTarget < 1 || PathMenuTarget > 4)
    return;
  TFieldEdit *field = targets[PathMenuTarget - 1];
  ChangeAndCommit(field, [&] { field->insert(ui::ToDisplay(WithoutAmpersands(item))); });
}

void MainWindow::FieldMouseDown(int target) {
  PathMenuTarget = target;
  pathMenuTimer->start();
}

void MainWindow::FieldMouseUp() {
  pathMenuTimer->stop();
}

// The command browser reports its choice to BrowserCommandChosen.
void MainWindow::BrowseCommandsClick() {
  CommitEditing();
  if (commandBrowser)
    dialogs_.ShowModal(commandBrowser);
}

// Writes into the selected button, then shows it and takes the icon from the picker, as a
// choice there would.
void MainWindow::BrowserCommandChosen(const CommandChoice &choice) {
  const int button = Selected();
  if (button < 0)
    return;
  // The picker then selects the chosen icon and writes the reference as its own click
  // would: the file part as the editor shows it. Both go into one edit.
  CommandChoice written = choice;
  const std::string file = IconFileAsWritten(choice.IconRef);
  const int index = IconIndexOrError(choice.IconRef);
  if (static_cast<unsigned>(index) < platform::ExtractIconCountA(ResolveFile(exeFileName_, file)))
    written.IconRef = file + "," + std::to_string(index);
  Edit(edits::ChooseCommand(button, written));
  barList->viewport()->update();
  BarListClick();
  EnableCacheControls(true);
}

void MainWindow::RunMinimizedClick() {
  if (Selected() >= 0)
    Edit(edits::SetField(Selected(), bfRunMode, "1"));
}

void MainWindow::RunMaximizedClick() {
  if (Selected() >= 0)
    Edit(edits::SetField(Selected(), bfRunMode, "-1"));
}

void MainWindow::RunNormalClick() {
  if (Selected() >= 0)
    Edit(edits::SetField(Selected(), bfRunMode, "0"));
}

// Saves the bar under its name or one the user chooses; false when nothing was saved.
bool MainWindow::SaveBar() {
  if (!CurrentFileName.empty()) {
    bar_->Save();
    BarSaved();
    return true;
  }
  return SaveUnderChosenName();
}

void MainWindow::OkClick() {
  if (!bar_)
    return;
  bool saved = false;
  {
    TWaitCursor wait;
    saved = SaveBar();
  }
  // A cancelled dialog or a failed save keeps the window, and the edits, open.
  if (saved)
    close();
}

void MainWindow::CancelClick() {
  close();
}
