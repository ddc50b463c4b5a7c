// Unit FrmMain (TBarMain): the bar list of the main window: drawing the cells, selection,
// reordering with the mouse and the keyboard, Add and Delete.
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

void TBarMain::ConnectBarList() {
  id_btn_bar->SetDrawItem([this](QPainter &canvas, int index, const QRect &rect) {
    RunGuarded([&] { id_btn_barDrawItem(canvas, index, rect); });
  });
  connect(id_btn_bar, &TOwnerDrawList::Click, this,
          [this] { RunGuarded([this] { id_btn_barClick(); }); });
  connect(id_btn_bar, &TOwnerDrawList::MouseDown, this,
          [this](Qt::MouseButton button, Qt::KeyboardModifiers, QPoint pos) {
            RunGuarded([&] { id_btn_barMouseDown(button, pos); });
          });
  connect(id_btn_bar, &TOwnerDrawList::MouseMove, this,
          [this](Qt::MouseButtons, Qt::KeyboardModifiers, QPoint pos) {
            RunGuarded([&] { id_btn_barMouseMove(pos); });
          });
  connect(id_btn_bar, &TOwnerDrawList::MouseUp, this,
          [this](Qt::MouseButton button, Qt::KeyboardModifiers, QPoint) {
            RunGuarded([&] { id_btn_barMouseUp(button); });
          });
  connect(id_btn_bar, &TOwnerDrawList::KeyDown, this, [this](int key, Qt::KeyboardModifiers shift) {
    RunGuarded([&] { id_btn_barKeyDown(key, shift); });
  });
  connect(id_btn_bar, &TOwnerDrawList::PopupRequested, this,
          [this](QPoint where) { pm1->popup(where); });
  connect(id_btn_add, &QPushButton::clicked, this,
          [this] { RunGuarded([this] { id_btn_addClick(); }); });
  connect(id_btn_delete, &QPushButton::clicked, this,
          [this] { RunGuarded([this] { id_btn_deleteClick(); }); });
}

int TBarMain::Selected() const {
  return bar_ ? id_btn_bar->ItemIndex() : -1;
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
const platform::IconHandle &TBarMain::PlaceholderIcon(int n) const {
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

bool TBarMain::FileFound(int index, int useBarIcl) const {
  const std::string command = bar_->GetField(index, bfCommand);
  if (doctor::SpecialCommand(command) || useBarIcl == 0)
    return true;
  const std::string path =
      ResolveWithStartPath(exeFileName_, IconFilePart(command), bar_->GetField(index, bfStartPath));
  return (!FileExtension(path).empty() && platform::FileExists(path)) ||
         platform::DirectoryExists(path);
}

void TBarMain::id_btn_barDrawItem(QPainter &canvas, int index, const QRect &rect) {
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

void TBarMain::DrawPlaceholder(QPainter &canvas, int index, const QRect &rect) const {
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

void TBarMain::id_btn_barMouseDown(Qt::MouseButton button, QPoint pos) {
  if (button == Qt::LeftButton) {
    DragActive = true;
    DragIndex = id_btn_bar->ItemAtPos(pos);
    return;
  }
  if (button != Qt::RightButton)
    return;
  // The right button selects the button under it (none outside the buttons) for the
  // menu, and the editor shows what is selected, so that a field is only ever written
  // into the button it was loaded from.
  const int item = id_btn_bar->ItemAtPos(pos);
  if (item != Selected()) {
    CommitEditing();
    id_btn_bar->SetItemIndex(item);
    if (item >= 0)
      id_btn_barClick();
    else
      ClearEditor();
  }
  Copy1->setEnabled(Selected() >= 0);
  NameUndoItems();
  NameDoctorItems();
  paste1->setEnabled(ClipboardTextHasHeader(ClipboardTextWithCrLf(GetClipboardText(this))));
}

void TBarMain::id_btn_barMouseMove(QPoint pos) {
  if (!DragActive || DragIndex < 0 || !bar_)
    return;
  const int target = id_btn_bar->ItemAtPos(pos);
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
  id_btn_bar->SetItemIndex(to);
  id_btn_bar->viewport()->update();
  DragIndex = to;
}

void TBarMain::id_btn_barMouseUp(Qt::MouseButton button) {
  if (button != Qt::LeftButton)
    return;
  DragActive = false;
  FinishDrag();
}

void TBarMain::FinishDrag() {
  const int from = std::exchange(dragStart_, -1);
  if (from < 0 || !bar_)
    return;
  const int to = DragIndex;
  bar_->Move(to, from);
  bar_->Modified = dragModified_;
  bar_->IconsChanged = dragIconsChanged_;
  if (from != to) {
    id_btn_bar->SetItemIndex(from); // the selection the undo gives back
    id_btn_bar->SetItemIndex(Edit(edits::Move(from, to)));
  }
  id_btn_bar->viewport()->update();
}

// Moves a button with its icon, marks the bar and follows it with the selection, as the
// list's own tracking of the arrow key would.
void TBarMain::MoveButton(int from, int to) {
  id_btn_bar->SetItemIndex(Edit(edits::Move(from, to)));
  EnableCacheControls(true);
  id_btn_bar->viewport()->update();
}

void TBarMain::id_btn_barKeyDown(int key, Qt::KeyboardModifiers shift) {
  if (key == Qt::Key_Insert)
    id_btn_addClick();
  if (key == Qt::Key_Delete)
    id_btn_deleteClick();
  if (key == Qt::Key_C && (shift & Qt::ControlModifier) && Selected() >= 0 && Copy1->isEnabled())
    Copy1->trigger();
  if (key == Qt::Key_V && (shift & Qt::ControlModifier) && paste1->isEnabled())
    paste1->trigger();
  const int s = Selected();
  if (!(shift & Qt::AltModifier) || s < 0)
    return;
  if (key == Qt::Key_Left)
    MoveButton(s, std::max(s - 1, 0));
  if (key == Qt::Key_Right)
    MoveButton(s, std::min(s + 1, bar_->Count() - 1));
}

void TBarMain::id_btn_addClick() {
  if (!bar_)
    return;
  const int s = Selected();
  ShowBar(Edit(edits::Add(s < 0 ? edits::After() : edits::After(s))));
}

// Deleting without a selection deletes nothing but marks the bar, as designed; a bar
// always keeps at least one button.
void TBarMain::id_btn_deleteClick() {
  if (!bar_)
    return;
  chkcache->setEnabled(true);
  ShowBar(Edit(edits::Delete(Selected())));
}

// With no button selected there is nothing to show or to write into: the editor stands
// empty and disabled, and the menu offers no clone, until a button is selected again.
void TBarMain::ClearEditor() {
  Frame11->id_btn_Normal->setChecked(true);
  Frame11->id_btn_iconindex->setText(QStringLiteral("0"));
  for (TFieldEdit *field :
       {Frame11->id_btn_command, Frame11->id_btn_param, Frame11->id_btn_startpath,
        Frame11->id_btn_iconfilename, Frame11->id_btn_ToolTip})
    field->SetBytes(std::string());
  pickerIcons_.clear();
  pickerLoaded_.clear();
  pickerFile_.clear();
  Frame11->id_btn_icon->Clear();
  ShowSelectionState();
}

void TBarMain::ShowSelectionState() {
  const bool selected = Selected() >= 0;
  Frame11->EnableButtonControls(selected);
  btnDefLib->setEnabled(selected);
  Duble1->setEnabled(selected);
}

void TBarMain::EnableCacheControls(bool panelToo) {
  chkcache->setEnabled(true);
  if (panelToo)
    Panel1->setEnabled(true);
}
