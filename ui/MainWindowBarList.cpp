// Unit FrmMain, TBarMain (MainWindow): the bar list of the main window: drawing the cells,
// selection, reordering with the mouse and the keyboard, Add and Delete.
#include "ui/MainWindow.h"

#include "document/BarClipboard.h"
#include "document/BarDoctor.h"
#include "document/FileNames.h"
#include "document/IconReference.h"
#include "document/Resolve.h"
#include "document/Settings.h"
#include "icons/IconLibrary.h"
#include "platform/HostFiles.h"
#include "platform/TextRules.h"
#include "ui/ButtonEditor.h"
#include "ui/ClipboardText.h"
#include "ui/FieldEdit.h"
#include "ui/IconPaint.h"
#include "ui/OwnerDrawList.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <utility>

void MainWindow::ConnectBarList() {
  barList->SetDrawItem([this](QPainter &canvas, int index, const QRect &rect) {
    RunGuarded([&] { BarListDrawItem(canvas, index, rect); });
  });
  connect(barList, &TOwnerDrawList::Click, this,
          [this] { RunGuarded([this] { BarListClick(); }); });
  connect(barList, &TOwnerDrawList::MouseDown, this,
          [this](Qt::MouseButton button, Qt::KeyboardModifiers, QPoint pos) {
            RunGuarded([&] { BarListMouseDown(button, pos); });
          });
  connect(barList, &TOwnerDrawList::MouseMove, this,
          [this](Qt::MouseButtons, Qt::KeyboardModifiers, QPoint pos) {
            RunGuarded([&] { BarListMouseMove(pos); });
          });
  connect(barList, &TOwnerDrawList::MouseUp, this,
          [this](Qt::MouseButton button, Qt::KeyboardModifiers, QPoint) {
            RunGuarded([&] { BarListMouseUp(button); });
          });
  connect(barList, &TOwnerDrawList::KeyDown, this, [this](int key, Qt::KeyboardModifiers shift) {
    RunGuarded([&] { BarListKeyDown(key, shift); });
  });
  connect(barList, &TOwnerDrawList::PopupRequested, this,
          [this](QPoint where) { barMenu->popup(where); });
  connect(barList, &TOwnerDrawList::DoubleClick, this,
          [this](int) { RunGuarded([this] { BarListDoubleClick(); }); });
  connect(addButton, &QPushButton::clicked, this, [this] { RunGuarded([this] { AddClick(); }); });
  connect(deleteButton, &QPushButton::clicked, this,
          [this] { RunGuarded([this] { DeleteClick(); }); });
}

int MainWindow::Selected() const {
  return bar_ ? barList->ItemIndex() : -1;
}

namespace {

// The side of an image's icon in pixels; 0 for an image that cannot be drawn.
int Side(const icons::TIconImage &image) {
  const platform::IconPixels *pixels = image.Handle().Pixels();
  return pixels ? std::max(pixels->width, pixels->height) : 0;
}

// True when an image of side a suits the size better than one of side b: nearer, and of
// two as near the larger, since shrinking keeps the detail that enlarging blurs.
bool SuitsBetter(int a, int b, int size) {
  const int distanceA = std::abs(a - size);
  const int distanceB = std::abs(b - size);
  return distanceA != distanceB ? distanceA < distanceB : a > b;
}

} // namespace

// Of the placeholder's images, the one made for the size the cell shows it at (in the
// screen's pixels), or the nearest: an image made for 16 pixels enlarged to a cell of 64
// would be drawn in blocks.
const platform::IconHandle &MainWindow::PlaceholderIcon(int n) const {
  static const platform::IconHandle none;
  if (!ProgramIcons || n >= ProgramIcons->Icons.Count())
    return none;
  const icons::TAdvancedIcon *icon = ProgramIcons->Icons.Objects(n);
  if (!icon)
    return none;
  const int size = ui::LargeIconPixels();
  const icons::TIconImage *best = nullptr;
  for (size_t i = 0; i < icon->Images.Count(); ++i) {
    const icons::TIconImage *image = icon->Images.Items(i);
    if (image && Side(*image) > 0 && (!best || SuitsBetter(Side(*image), Side(*best), size)))
      best = image;
  }
  return best ? best->Handle() : none;
}

bool MainWindow::FileFound(int index, int useBarIcl) const {
  const std::string command = bar_->GetField(index, bfCommand);
  if (doctor::SpecialCommand(command) || useBarIcl == 0)
    return true;
  const std::string path =
      ResolveWithStartPath(exeFileName_, IconFilePart(command), bar_->GetField(index, bfStartPath));
  return (!FileExtension(path).empty() && platform::FileExists(path)) ||
         platform::DirectoryExists(path);
}

void MainWindow::BarListDrawItem(QPainter &canvas, int index, const QRect &rect) {
  canvas.fillRect(rect, canvas.brush());
  if (!bar_)
    return;
  // Read at every drawing, so that a changed setting shows at the next repaint.
  const int useBarIcl = UseBarIclIconsSetting(exeFileName_);
  const bool found = FileFound(index, useBarIcl);
  const platform::IconHandle &icon = bar_->IconHandle(index);
  if (icon && found)
    ui::DrawIconAt(canvas, rect.topLeft(), icon, ui::LargeIconSize());
  else if (ProgramIcons && useBarIcl == 1)
    DrawPlaceholder(canvas, index, rect);
  DrawProblemMarker(canvas, index, rect);
}

void MainWindow::DrawPlaceholder(QPainter &canvas, int index, const QRect &rect) const {
  const std::string command = bar_->GetField(index, bfCommand);
  const std::string ref = bar_->GetField(index, bfIconRef);
  const bool noIcon = ref.empty() || ref == ",0";
  int n = -1;
  if (!command.empty() && !platform::ContainsText(command, "cm_") &&
      !platform::ContainsText(command, "em_") && !platform::FileExists(command))
    n = 1;
  else if (!noIcon && !platform::FileExists(ResolveFile(exeFileName_, IconFilePart(ref))))
    n = 2;
  else if (noIcon)
    n = 0;
  if (n >= 0)
    ui::DrawIconAt(canvas, rect.topLeft(), PlaceholderIcon(n), ui::LargeIconSize());
}

void MainWindow::BarListMouseDown(Qt::MouseButton button, QPoint pos) {
  if (button == Qt::LeftButton) {
    DragActive = true;
    DragIndex = barList->ItemAtPos(pos);
    return;
  }
  if (button != Qt::RightButton)
    return;
  // The right button selects the button under it (none outside the buttons) for the
  // menu, and the editor shows what is selected, so that a field is only ever written
  // into the button it was loaded from.
  const int item = barList->ItemAtPos(pos);
  if (item != Selected()) {
    CommitEditing();
    barList->SetItemIndex(item);
    if (item >= 0)
      BarListClick();
    else
      ClearEditor();
  }
  NameUndoItems();
  NameDoctorItems();
  ShowClipboardState();
}

// A double click on a button that names another bar opens that bar; on any other button
// it does nothing more than its press did.
void MainWindow::BarListDoubleClick() {
  DragActive = false;
  OpenSubBarClick();
}

void MainWindow::BarListMouseMove(QPoint pos) {
  if (!DragActive || DragIndex < 0 || !bar_)
    return;
  const int target = barList->ItemAtPos(pos);
  if (target == DragIndex)
    return;
  const int to = std::min(std::max(target, 0), bar_->Count() - 1);
  if (dragStart_ < 0) {
    dragStart_ = DragIndex;
    dragModified_ = bar_->Modified;
    dragIconsChanged_ = bar_->IconsChanged;
  }
  // The button follows the pointer; the history gets the whole drag when it ends.
  bar_->Move(DragIndex, to);
  bar_->IconsChanged = true;
  bar_->Modified = true;
  EnableCacheControls(true);
  barList->SetItemIndex(to);
  barList->viewport()->update();
  DragIndex = to;
}

void MainWindow::BarListMouseUp(Qt::MouseButton button) {
  if (button != Qt::LeftButton)
    return;
  DragActive = false;
  FinishDrag();
}

void MainWindow::FinishDrag() {
  const int from = std::exchange(dragStart_, -1);
  if (from < 0 || !bar_)
    return;
  const int to = DragIndex;
  bar_->Move(to, from);
  bar_->Modified = dragModified_;
  bar_->IconsChanged = dragIconsChanged_;
  if (from != to) {
    barList->SetItemIndex(from); // the selection the undo gives back
    barList->SetItemIndex(Edit(edits::Move(from, to)));
  }
  barList->viewport()->update();
}

// Moves a button with its icon, marks the bar and follows it with the selection, as the
// list's own tracking of the arrow key would.
void MainWindow::MoveButton(int from, int to) {
  barList->SetItemIndex(Edit(edits::Move(from, to)));
  EnableCacheControls(true);
  barList->viewport()->update();
}

void MainWindow::BarListKeyDown(int key, Qt::KeyboardModifiers shift) {
  if (key == Qt::Key_Insert)
    AddClick();
  if (key == Qt::Key_Delete)
    DeleteClick();
  if (key == Qt::Key_C && (shift & Qt::ControlModifier) && Selected() >= 0 &&
      copyAction->isEnabled())
    copyAction->trigger();
  if (key == Qt::Key_V && (shift & Qt::ControlModifier)) {
    // The clipboard may have changed a moment ago, its signal still on the way.
    ShowClipboardState();
    if (pasteAction->isEnabled())
      pasteAction->trigger();
  }
  const int s = Selected();
  if (!(shift & Qt::AltModifier) || s < 0)
    return;
  if (key == Qt::Key_Left)
    MoveButton(s, std::max(s - 1, 0));
  if (key == Qt::Key_Right)
    MoveButton(s, std::min(s + 1, bar_->Count() - 1));
}

void MainWindow::AddClick() {
  if (!bar_)
    return;
  const int s = Selected();
  ShowBar(Edit(edits::Add(s < 0 ? edits::After() : edits::After(s))));
}

// Deleting without a selection deletes nothing but marks the bar, as designed; a bar
// always keeps at least one button.
void MainWindow::DeleteClick() {
  if (!bar_)
    return;
  cacheBox->setEnabled(true);
  ShowBar(Edit(edits::Delete(Selected())));
}

// With no button selected there is nothing to show or to write into: the editor stands
// empty and disabled, and the menu offers no copy or clone, until a button is selected
// again.
void MainWindow::ClearEditor() {
  editor->runNormal->setChecked(true);
  editor->iconIndexLabel->setText(QStringLiteral("0"));
  for (TFieldEdit *field : {editor->commandEdit, editor->paramsEdit, editor->startPathEdit,
                            editor->iconFileEdit, editor->tooltipEdit})
    field->SetBytes(std::string());
  pickerIcons_.clear();
  pickerLoaded_.clear();
  pickerFile_.clear();
  editor->iconList->Clear();
  ShowSelectionState();
}

void MainWindow::ShowSelectionState() {
  const bool selected = Selected() >= 0;
  editor->EnableButtonControls(selected);
  defaultLibraryButton->setEnabled(selected);
  copyAction->setEnabled(selected);
  cloneAction->setEnabled(selected);
}

void MainWindow::EnableCacheControls(bool panelToo) {
  cacheBox->setEnabled(true);
  if (panelToo)
    cacheModePanel->setEnabled(true);
}
