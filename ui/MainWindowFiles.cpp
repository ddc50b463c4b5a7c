// Unit FrmMain, TBarMain (MainWindow): the main window's exchange of files with the user: opening
// another bar after offering to save the modified one, the question on closing, files dropped from
// the file manager onto the bar list, and the default icon library.
#include "ui/MainWindow.h"

#include "document/FileNames.h"
#include "document/Settings.h"
#include "platform/HostFiles.h"
#include "ui/ButtonEditor.h"
#include "ui/FieldEdit.h"
#include "ui/OwnerDrawList.h"
#include "ui/TextCodec.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>

namespace {

const char *const BarFilter = "*.bar|*.bar|*.*|*.*";

// The Windows names of the local files among dropped URLs, in their order. A folder
// comes without its trailing separator, so that its start path is its parent, as the
// file manager names it.
std::vector<std::string> DroppedFileNames(const QMimeData *data) {
  std::vector<std::string> names;
  if (!data || !data->hasUrls())
    return names;
  for (const QUrl &url : data->urls()) {
    if (!url.isLocalFile())
      continue;
    std::string path = url.toLocalFile().toStdString();
    while (path.size() > 1 && path.back() == '/')
      path.pop_back();
    if (!path.empty())
      names.push_back(platform::WindowsName(path));
  }
  return names;
}

} // namespace

void MainWindow::ConnectFiles() {
  connect(openBarButton, &QPushButton::clicked, this,
          [this] { RunGuarded([this] { OpenBarClick(); }); });
  connect(defaultLibraryButton, &QPushButton::clicked, this,
          [this] { RunGuarded([this] { DefaultLibraryClick(); }); });
  // The cells are drawn on the list's viewport, so that is where the drops arrive.
  barList->viewport()->setAcceptDrops(true);
  barList->viewport()->installEventFilter(this);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event) {
  if (watched == barList->viewport() && (DropEvent(event) || ToolTipEvent(event)))
    return true;
  return QWidget::eventFilter(watched, event);
}

// Takes the file manager's drag and drop on the bar list; true when the event was one.
bool MainWindow::DropEvent(QEvent *event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
    return false;
  auto *drop = static_cast<QDropEvent *>(event);
  const std::vector<std::string> names = DroppedFileNames(drop->mimeData());
  if (names.empty()) {
    drop->ignore();
    return true;
  }
  drop->setDropAction(Qt::CopyAction);
  drop->accept();
  if (type == QEvent::Drop) {
    const bool shift = drop->modifiers().testFlag(Qt::ShiftModifier);
    RunGuarded([&] { WMDropFiles(names, drop->position().toPoint(), shift); });
  }
  return true;
}

void MainWindow::closeEvent(QCloseEvent *event) {
  // An error while saving keeps the window, and the edits, open. Every way of closing
  // (Cancel, Escape, the window's close box) first commits the field being edited.
  bool canClose = false;
  RunGuarded([&] {
    CommitEditing();
    canClose = true;
    FormCloseQuery(canClose);
  });
  if (canClose)
    event->accept();
  else
    event->ignore();
}

// Asks for a name and writes the bar there; false when the user cancels. A write that
// fails throws and leaves the bar modified. Only a bar never saved comes here, so the
// dialog offers a new name where bars are kept, never a file the user has not chosen.
bool MainWindow::SaveUnderChosenName() {
  auto name = dialogs_.SaveFileName(this, BarFilter, StartFolder(std::nullopt) + "new.bar");
  if (!name)
    return false;
  if (FileExtension(*name).empty())
    *name += ".bar";
  bar_->SaveTo(*name);
  BarSaved();
  return true;
}

void MainWindow::BarSaved() {
  history_.MarkSaved();
  RenewDoctor();
  if (bar_->CacheNote)
    dialogs_.ShowNote(this, dialogs_.Say(*bar_->CacheNote));
}

void MainWindow::OpenBarClick() {
  if (!bar_)
    return;
  CommitEditing();
  if (!OfferToSave())
    return;
  const auto chosen = dialogs_.OpenFileName(this, BarFilter, StartFolder(CurrentFileName));
  // A cancelled dialog keeps the open bar as it is.
  if (!chosen || chosen->empty())
    return;
  std::string name = *chosen;
  if (name.find('\\') == std::string::npos)
    name = platform::GetCurrentDirectoryA() + "\\" + name;
  // The bar is loaded before the open one goes: a bar that is refused (or not opened
  // after the question about its count) leaves the open one as it was, list, caption,
  // editor and all.
  std::unique_ptr<ButtonBar> opened = LoadBarAsking(name);
  if (!opened)
    return;
  // A bar chosen here starts a new way through sub-bars.
  wayBack_.clear();
  ShowOpenedBar(std::move(opened), name, 0);
}

// Giving up the bar's edits takes a plain No; Yes saves as OK does.
bool MainWindow::OfferToSave() {
  if (!bar_->Modified)
    return true;
  const ui::TAnswer answer = dialogs_.AskYesNo(this, Translate("SaveAskMsg"));
  if (answer == ui::TAnswer::Closed)
    return false;
  return answer == ui::TAnswer::No || SaveBar();
}

void MainWindow::ShowOpenedBar(std::unique_ptr<ButtonBar> opened, const std::string &name,
                               int selection) {
  barList->Clear();
  bar_ = std::move(opened);
  history_.Attach(*bar_);
  CurrentFileName = name;
  SetBarCaption(name);
  barList->SetCount(bar_->Count());
  SetCacheControlsOnOpening(name);
  barList->SetItemIndex(selection < bar_->Count() ? selection : 0);
  BarListClick();
  history_.Attach(*bar_);
  RenewDoctor();
}

// The cache choice of an opened bar is made as at start: "DefaultCache", and the
// controls set from it as for a bar named on the command line.
void MainWindow::SetCacheControlsOnOpening(const std::string &fileName) {
  cacheBox->setEnabled(false);
  cacheBox->setChecked(false);
  for (QRadioButton *choice : {cacheLinksRadio, cacheTcMenuRadio}) {
    choice->setAutoExclusive(false);
    choice->setChecked(false);
    choice->setAutoExclusive(true);
  }
  bar_->CacheMode = DefaultCacheSetting(exeFileName_);
  SetCacheControlsAtStart(fileName);
}

void MainWindow::FormCloseQuery(bool &canClose) {
  canClose = true;
  if (!AskToSaveOnExitSetting(exeFileName_) || !bar_ || !bar_->Modified)
    return;
  switch (dialogs_.AskYesNo(this, Translate("SaveAskMsg"))) {
  case ui::TAnswer::Yes:
    // Until the bar is written the window stays: a cancelled dialog or a failed write
    // must not lose the edits.
    canClose = false;
    canClose = SaveBar();
    return;
  case ui::TAnswer::No:
    return;
  case ui::TAnswer::Closed:
    canClose = false;
    return;
  }
}

void MainWindow::WMDropFiles(const std::vector<std::string> &fileNames, QPoint cursor, bool shift) {
  if (!bar_ || fileNames.empty())
    return;
  // Each button is filled as if the user had typed each field and left it; with Shift
  // each goes after the cell under the cursor. All of them are one edit.
  const edits::After after = shift ? edits::After(barList->ItemAtPos(cursor)) : edits::After();
  std::vector<std::string> names;
  names.reserve(fileNames.size());
  for (const std::string &name : fileNames)
    names.push_back(PortableName(name));
  ShowBar(Edit(edits::DropFiles(std::move(names), after)));
  EnableCacheControls(true);
}

void MainWindow::DefaultLibraryClick() {
  CommitEditing();
  const std::string library = DefIconLibSetting(exeFileName_);
  TFieldEdit *field = editor->iconFileEdit;
  ChangeAndCommit(field, [&] {
    field->SetBytes(library);
    editor->iconIndexLabel->setText(QStringLiteral("0"));
  });
}
