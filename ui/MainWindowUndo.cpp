// Unit FrmMain, TBarMain (MainWindow): undo and redo. Every change of the bar goes through the
// bar's edit history; Ctrl+Z undoes the last edit, Ctrl+Y and Ctrl+Shift+Z redo it, and the bar
// list's menu names the edit each would take back or do again.
#include "ui/MainWindow.h"

#include "ui/ButtonEditor.h"
#include "ui/OwnerDrawList.h"
#include "ui/TextCodec.h"

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QRadioButton>
#include <QShortcut>

int MainWindow::Edit(edits::Edit edit) {
  int selection = -1;
  try {
    selection = history_.Do(std::move(edit), Selected());
  } catch (...) {
    // An edit may be done and recorded and still report an error.
    CheckOpenBar();
    throw;
  }
  CheckOpenBar();
  return selection;
}

void MainWindow::ShowBar(int selection) {
  barList->SetCount(bar_->Count());
  barList->SetItemIndex(selection);
  if (selection >= 0)
    BarListClick();
  else
    ClearEditor();
  ShowCacheMode();
  barList->viewport()->update();
}

// The cache controls as the bar's cache mode says; the handlers of the controls then find
// nothing to change.
void MainWindow::ShowCacheMode() {
  const uint8_t mode = bar_->CacheMode;
  cacheBox->setChecked(mode != CacheOff);
  cacheModePanel->setEnabled(mode != CacheOff && cacheBox->isEnabled());
  for (QRadioButton *choice : {cacheLinksRadio, cacheTcMenuRadio}) {
    choice->setAutoExclusive(false);
    choice->setChecked(false);
    choice->setAutoExclusive(true);
  }
  if (mode == CacheWithTcMenu)
    cacheTcMenuRadio->setChecked(true);
  else if (mode != CacheOff)
    cacheLinksRadio->setChecked(true);
}

void MainWindow::SetCacheMode(uint8_t mode) {
  if (bar_ && bar_->CacheMode != mode)
    Edit(edits::SetCacheMode(mode));
}

void MainWindow::UndoClick() {
  CommitEditing();
  if (!bar_ || !history_.CanUndo())
    return;
  showingHistory_ = true;
  const int selection = history_.Undo();
  CheckOpenBar();
  ShowBar(selection);
  showingHistory_ = false;
}

void MainWindow::RedoClick() {
  CommitEditing();
  if (!bar_ || !history_.CanRedo())
    return;
  showingHistory_ = true;
  const int selection = history_.Redo();
  CheckOpenBar();
  ShowBar(selection);
  showingHistory_ = false;
}

namespace {

// "Undo Move": the item's word and the edit's name, each translated; the language file
// may place the name elsewhere with "%s".
QString ItemText(const MainWindow &window, const char *item, const std::string &edit) {
  if (edit.empty())
    return ui::ToDisplay(window.Translate(item));
  std::string text = window.Translate(std::string(item) + " %s");
  const std::string name = window.Translate(edit);
  const size_t at = text.find("%s");
  if (at != std::string::npos)
    text.replace(at, 2, name);
  return ui::ToDisplay(text);
}

} // namespace

void MainWindow::NameUndoItems() {
  undoAction->setText(ItemText(*this, "Undo", history_.UndoName()));
  undoAction->setEnabled(history_.CanUndo());
  redoAction->setText(ItemText(*this, "Redo", history_.RedoName()));
  redoAction->setEnabled(history_.CanRedo());
}

void MainWindow::CreateUndo() {
  barMenu->addSeparator();
  undoAction = barMenu->addAction(QStringLiteral("Undo"));
  undoAction->setObjectName(QStringLiteral("Undo1"));
  redoAction = barMenu->addAction(QStringLiteral("Redo"));
  redoAction->setObjectName(QStringLiteral("Redo1"));
  connect(barMenu, &QMenu::aboutToShow, this, [this] { NameUndoItems(); });
  connect(undoAction, &QAction::triggered, this, [this] { RunGuarded([this] { UndoClick(); }); });
  connect(redoAction, &QAction::triggered, this, [this] { RunGuarded([this] { RedoClick(); }); });
  // The window's keys; an edit field that has typing of its own to take back takes them.
  const auto bind = [this](const QKeySequence &keys, void (MainWindow::*handler)()) {
    connect(new QShortcut(keys, this), &QShortcut::activated, this,
            [this, handler] { RunGuarded([&] { (this->*handler)(); }); });
  };
  bind(QKeySequence(Qt::CTRL | Qt::Key_Z), &MainWindow::UndoClick);
  bind(QKeySequence(Qt::CTRL | Qt::Key_Y), &MainWindow::RedoClick);
  bind(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), &MainWindow::RedoClick);
}
