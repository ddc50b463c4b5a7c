// Unit FrmMain (TBarMain): the button editor's behaviour: showing the selected button, the commit
// of each field when it loses the focus, the icon picker, the file choosers, the parameter and path
// menus, the run mode, OK and Cancel.
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

void TBarMain::ConnectEditField(TFieldEdit *field, void (TBarMain::*enter)(),
                                void (TBarMain::*exit)(), int pathTarget) {
  connect(field, &TFieldEdit::Enter, this,
          [this, enter] { RunGuarded([&] { (this->*enter)(); }); });
  connect(field, &TFieldEdit::Exit, this, [this, exit] { RunGuarded([&] { (this->*exit)(); }); });
  if (pathTarget == 0)
    return;
  connect(field, &TFieldEdit::RightDown, this,
          [this, pathTarget] { RunGuarded([&] { Frame11FieldMouseDown(pathTarget); }); });
  connect(field, &TFieldEdit::RightUp, this,
          [this] { RunGuarded([this] { Frame11FieldMouseUp(); }); });
}

void TBarMain::ConnectEditor() {
  TFrame1 *f = Frame11;
  ConnectEditField(f->id_btn_command, &TBarMain::Frame11id_btn_commandEnter,
                   &TBarMain::Frame11id_btn_commandExit, 1);
  ConnectEditField(f->id_btn_param, &TBarMain::Frame11id_btn_paramEnter,
                   &TBarMain::Frame11id_btn_paramExit, 2);
  ConnectEditField(f->id_btn_startpath, &TBarMain::Frame11id_btn_startpathEnter,
                   &TBarMain::Frame11id_btn_startpathExit, 3);
  ConnectEditField(f->id_btn_iconfilename, &TBarMain::Frame11id_btn_iconfilenameEnter,
                   &TBarMain::Frame11id_btn_iconfilenameExit, 4);
  ConnectEditField(f->id_btn_ToolTip, &TBarMain::Frame11id_btn_ToolTipEnter,
                   &TBarMain::Frame11id_btn_ToolTipExit, 0);
  f->id_btn_icon->SetDrawItem([this](QPainter &canvas, int index, const QRect &rect) {
    RunGuarded([&] { Frame11id_btn_iconDrawItem(canvas, index, rect); });
  });
  auto bind = [this](auto *sender, auto signal, void (TBarMain::*handler)()) {
    connect(sender, signal, this, [this, handler] { RunGuarded([&] { (this->*handler)(); }); });
  };
  bind(f->id_btn_icon, &TOwnerDrawList::Click, &TBarMain::Frame11id_btn_iconClick);
  bind(f->id_btn_find1, &QPushButton::clicked, &TBarMain::Frame11id_btn_find1Click);
  bind(f->id_btn_iconfile, &QPushButton::clicked, &TBarMain::Frame11id_btn_iconfileClick);
  bind(f->btnPrmList, &QPushButton::clicked, &TBarMain::Frame11btnPrmListClick);
  bind(f->BitBtn1, &QToolButton::clicked, &TBarMain::Frame11BitBtn1Click);
  // Clicked comes only from the user (mouse, keyboard), never from setChecked.
  bind(f->d_btn_assymbol, &QRadioButton::clicked, &TBarMain::Frame11d_btn_assymbolClick);
  bind(f->id_btn_maximized, &QRadioButton::clicked, &TBarMain::Frame11id_btn_maximizedClick);
  bind(f->id_btn_Normal, &QRadioButton::clicked, &TBarMain::Frame11id_btn_NormalClick);
  bind(f->Ok, &QPushButton::clicked, &TBarMain::Frame11OkClick);
  bind(f->Cancel, &QPushButton::clicked, &TBarMain::Frame11CancelClick);
}

void TBarMain::id_btn_barClick() {
  const int s = Selected();
  if (s < 0) {
    ClearEditor();
    return;
  }
  ShowSelectionState();
  TFrame1 *f = Frame11;
  f->id_btn_command->SetBytes(bar_->GetField(s, bfCommand));
  f->id_btn_param->SetBytes(bar_->GetField(s, bfParams));
  f->id_btn_startpath->SetBytes(bar_->GetField(s, bfStartPath));
  const std::string ref = bar_->GetField(s, bfIconRef);
  const int index = IconIndexOrError(ref);
  // The name as written: a name shown in another case would be written back so.
  f->id_btn_iconfilename->SetBytes(IconFileAsWritten(ref));
  f->id_btn_iconindex->setText(QString::number(index));
  f->id_btn_ToolTip->SetBytes(bar_->GetField(s, bfTooltip));
  switch (bar_->Buttons[static_cast<size_t>(s)]->RunMode) {
  case -1:
    f->id_btn_maximized->setChecked(true);
    break;
  case 0:
    f->id_btn_Normal->setChecked(true);
    break;
  case 1:
    f->d_btn_assymbol->setChecked(true);
    break;
  default:
    break;
  }
  FillIconList(s);
  if (index < f->id_btn_icon->Count())
    f->id_btn_icon->SetItemIndex(index);
}

void TBarMain::FillIconList(int position) {
  TOwnerDrawList *picker = Frame11->id_btn_icon;
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
    Frame11->id_btn_iconfilename->SetBytes(file);
    count = platform::ExtractIconCountA(file);
  }
  pickerFile_ = file;
  pickerIcons_.resize(count);
  pickerLoaded_.assign(count, false);
  picker->SetCount(static_cast<int>(count));
}

const platform::IconHandle &TBarMain::PickerIcon(int index) const {
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

void TBarMain::Frame11id_btn_iconDrawItem(QPainter &canvas, int index, const QRect &rect) {
  canvas.fillRect(rect, canvas.brush());
  const platform::IconHandle &icon = PickerIcon(index);
  if (icon)
    ui::DrawIconAt(canvas, rect.topLeft(), icon, ui::LargeIconSize());
}

void TBarMain::Frame11id_btn_commandEnter() {
  EnteredText = Frame11->id_btn_command->Bytes();
}
void TBarMain::Frame11id_btn_paramEnter() {
  EnteredText = Frame11->id_btn_param->Bytes();
}
void TBarMain::Frame11id_btn_startpathEnter() {
  EnteredText = Frame11->id_btn_startpath->Bytes();
}
void TBarMain::Frame11id_btn_iconfilenameEnter() {
  EnteredText = Frame11->id_btn_iconfilename->Bytes();
}
void TBarMain::Frame11id_btn_ToolTipEnter() {
  EnteredText = Frame11->id_btn_ToolTip->Bytes();
}

// Writes a field into the selected button when its text differs from the one it had on
// entry; true when it wrote.
bool TBarMain::CommitField(TFieldEdit *field, int fieldNumber) {
  const std::string text = field->Bytes();
  const int s = Selected();
  if (text == EnteredText || s < 0)
    return false;
  Edit(edits::SetField(s, fieldNumber, text));
  // The typing is now a step of the bar's history; the field's own undo starts afresh.
  field->SetBytes(text);
  return true;
}

TFieldEdit *TBarMain::FocusedField() const {
  // The window's own focus: a field keeps it while another window of the program (the
  // problems window) is active, and its edit is still to be committed.
  auto *field = qobject_cast<TFieldEdit *>(focusWidget());
  return field && Frame11->isAncestorOf(field) ? field : nullptr;
}

void TBarMain::ExitField(TFieldEdit *field) {
  TFrame1 *f = Frame11;
  if (field == f->id_btn_command)
    Frame11id_btn_commandExit();
  else if (field == f->id_btn_param)
    Frame11id_btn_paramExit();
  else if (field == f->id_btn_startpath)
    Frame11id_btn_startpathExit();
  else if (field == f->id_btn_iconfilename)
    Frame11id_btn_iconfilenameExit();
  else if (field == f->id_btn_ToolTip)
    Frame11id_btn_ToolTipExit();
}

void TBarMain::CommitEditing() {
  TFieldEdit *field = FocusedField();
  if (!field || !bar_)
    return;
  ExitField(field);
  // As if the field were entered again: its real exit commits only later typing.
  EnteredText = field->Bytes();
}

void TBarMain::ChangeAndCommit(TFieldEdit *field, const std::function<void()> &change) {
  if (field != FocusedField())
    EnteredText = field->Bytes();
  change();
  ExitField(field);
  EnteredText = field->Bytes();
}

void TBarMain::Frame11id_btn_commandExit() {
  TFrame1 *f = Frame11;
  if (f->id_btn_iconfilename->text().isEmpty()) {
    f->id_btn_iconfilename->SetBytes(f->id_btn_command->Bytes());
    f->id_btn_iconindex->setText(QStringLiteral("0"));
    Frame11id_btn_iconfilenameExit();
  }
  if (!CommitField(f->id_btn_command, bfCommand))
    return;
  id_btn_barClick();
  id_btn_bar->viewport()->update();
  EnteredText = MarkerText;
}

void TBarMain::Frame11id_btn_paramExit() {
  if (CommitField(Frame11->id_btn_param, bfParams))
    EnteredText = MarkerText;
}

void TBarMain::Frame11id_btn_startpathExit() {
  if (CommitField(Frame11->id_btn_startpath, bfStartPath))
    EnteredText = MarkerText;
}

void TBarMain::Frame11id_btn_ToolTipExit() {
  if (CommitField(Frame11->id_btn_ToolTip, bfTooltip))
    EnteredText = MarkerText;
}

void TBarMain::Frame11id_btn_iconfilenameExit() {
  TFrame1 *f = Frame11;
  const int s = Selected();
  const std::string file = f->id_btn_iconfilename->Bytes();
  if (file == EnteredText || s < 0)
    return;
  if (file.empty())
    f->id_btn_iconindex->setText(QStringLiteral("0"));
  // The label keeps the index, so a new file name keeps the icon's position.
  Edit(edits::SetField(s, bfIconRef, file + "," + f->id_btn_iconindex->text().toStdString()));
  f->id_btn_iconfilename->SetBytes(file);
  FillIconList(s);
  id_btn_bar->viewport()->update();
  f->id_btn_icon->SetItemIndex(StrToIntOrError(f->id_btn_iconindex->text().toStdString()));
  EnableCacheControls(true);
  EnteredText = MarkerText;
}

void TBarMain::Frame11id_btn_iconClick() {
  const int s = Selected();
  const int item = Frame11->id_btn_icon->ItemIndex();
  if (s < 0 || item < 0)
    return;
  Frame11->id_btn_iconindex->setText(QString::number(item));
  Edit(edits::SetField(s, bfIconRef,
                       Frame11->id_btn_iconfilename->Bytes() + "," + std::to_string(item)));
  id_btn_bar->viewport()->update();
  EnableCacheControls(true);
}

std::string TBarMain::PortableName(const std::string &fileName) const {
  if (!doctor_)
    return fileName;
  return doctor_->PortableText(fileName).value_or(fileName);
}

std::string TBarMain::StartFolder(const std::optional<std::string> &file) const {
  if (file)
    if (std::string folder = NearestExistingFolder(*file); !folder.empty())
      return folder;
  const std::string commander =
      doctor_ ? doctor_->CommanderFolder() : FindCommanderPath(exeFileName_);
  if (!commander.empty() && platform::DirectoryExists(commander))
    return commander + "\\";
  return NearestExistingFolder(CurrentFileName);
}

void TBarMain::Frame11id_btn_iconfileClick() {
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
void TBarMain::AddPictureAsIcon(int position, const std::string &picture) {
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
void TBarMain::ShowChosenIconRef(int position, const std::string &file, int index) {
  const std::string name = PortableName(file);
  TFrame1 *f = Frame11;
  f->id_btn_iconfilename->SetBytes(name);
  f->id_btn_iconindex->setText(QString::number(index));
  Edit(edits::SetField(position, bfIconRef, name + "," + std::to_string(index)));
  FillIconList(position);
  id_btn_bar->viewport()->update();
  f->id_btn_icon->SetItemIndex(index);
  EnableCacheControls(false);
  EnteredText = MarkerText;
}

void TBarMain::Frame11id_btn_find1Click() {
  CommitEditing();
  std::optional<std::string> current;
  if (const int shown = Selected(); shown >= 0)
    current = doctor::CommandFileOf(exeFileName_, *bar_->Buttons[static_cast<size_t>(shown)]);
  if (const auto name = dialogs_.OpenFileName(this, "*.*|*.*", StartFolder(current)))
    FillFromProgramFile(PortableName(*name));
}

// The button takes the program's command, start path, icon and tooltip in one edit, as
// if the user had typed each field and left it.
void TBarMain::FillFromProgramFile(const std::string &fileName) {
  const int s = Selected();
  if (s < 0)
    return;
  Edit(edits::SetFields(s, edits::ProgramFileFields(exeFileName_, fileName)));
  id_btn_barClick();
  id_btn_bar->viewport()->update();
  EnableCacheControls(true);
  EnteredText = MarkerText;
}

void TBarMain::Frame11btnPrmListClick() {
  QPushButton *p = Frame11->btnPrmList;
  pmPRM->popup(p->mapToGlobal(QPoint(0, p->height())));
  Frame11->update();
}

void TBarMain::ParamItemClick(QAction *item) {
  std::string text = WithoutAmpersands(item);
  // An entry reads "placeholder - what it stands for"; only the placeholder goes in.
  if (const auto dash = text.find('-'); dash != std::string::npos)
    text.erase(dash);
  TFieldEdit *field = Frame11->id_btn_param;
  ChangeAndCommit(field, [&] { field->insert(ui::ToDisplay(text)); });
  Frame11->update();
}

void TBarMain::PathItemClick(QAction *item) {
  TFieldEdit *targets[] = {Frame11->id_btn_command, Frame11->id_btn_param,
                           Frame11->id_btn_startpath, Frame11->id_btn_iconfilename};
  if (PathMenuTarget < 1 || PathMenuTarget > 4)
    return;
  TFieldEdit *field = targets[PathMenuTarget - 1];
  ChangeAndCommit(field, [&] { field->insert(ui::ToDisplay(WithoutAmpersands(item))); });
}

void TBarMain::Frame11FieldMouseDown(int target) {
  PathMenuTarget = target;
  tmr1->start();
}

void TBarMain::Frame11FieldMouseUp() {
  tmr1->stop();
}

// The command browser reports its choice to Form2CommandChosen.
void TBarMain::Frame11BitBtn1Click() {
  CommitEditing();
  if (Form2)
    dialogs_.ShowModal(Form2);
}

// Writes into the selected button, then shows it and takes the icon from the picker, as a
// choice there would.
void TBarMain::Form2CommandChosen(const CommandChoice &choice) {
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
  id_btn_bar->viewport()->update();
  id_btn_barClick();
  EnableCacheControls(true);
}

void TBarMain::Frame11d_btn_assymbolClick() {
  if (Selected() >= 0)
    Edit(edits::SetField(Selected(), bfRunMode, "1"));
}

void TBarMain::Frame11id_btn_maximizedClick() {
  if (Selected() >= 0)
    Edit(edits::SetField(Selected(), bfRunMode, "-1"));
}

void TBarMain::Frame11id_btn_NormalClick() {
  if (Selected() >= 0)
    Edit(edits::SetField(Selected(), bfRunMode, "0"));
}

// Saves the bar under its name or one the user chooses; false when nothing was saved.
bool TBarMain::SaveFromOk() {
  if (!CurrentFileName.empty()) {
    bar_->Save();
    BarSaved();
    return true;
  }
  return SaveUnderChosenName();
}

void TBarMain::Frame11OkClick() {
  if (!bar_)
    return;
  bool saved = false;
  {
    TWaitCursor wait;
    saved = SaveFromOk();
  }
  // A cancelled dialog or a failed save keeps the window, and the edits, open.
  if (saved)
    close();
}

void TBarMain::Frame11CancelClick() {
  close();
}
