// Unit FrmMain (TBarMain): undo and redo. Every change of the bar goes through the bar's
// edit history; Ctrl+Z undoes the last edit, Ctrl+Y and Ctrl+Shift+Z redo it, and the bar
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

int TBarMain::Edit(edits::Edit edit) {
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

void TBarMain::ShowBar(int selection) {
  id_btn_bar->SetCount(bar_->Count());
  id_btn_bar->SetItemIndex(selection);
  if (selection >= 0)
    id_btn_barClick();
  else
    ClearEditor();
  ShowCacheMode();
  id_btn_bar->viewport()->update();
}

// The cache controls as the bar's cache mode says; the handlers of the controls then find
// nothing to change.
void TBarMain::ShowCacheMode() {
  const uint8_t mode = bar_->CacheMode;
  chkcache->setChecked(mode != CacheOff);
  Panel1->setEnabled(mode != CacheOff && chkcache->isEnabled());
  for (QRadioButton *choice : {RadioButton1, RadioButton2}) {
    choice->setAutoExclusive(false);
    choice->setChecked(false);
    choice->setAutoExclusive(true);
  }
  if (mode == CacheAlternative)
    RadioButton2->setChecked(true);
  else if (mode != CacheOff)
    RadioButton1->setChecked(true);
}

void TBarMain::SetCacheMode(uint8_t mode) {
  if (bar_ && bar_->CacheMode != mode)
    Edit(edits::SetCacheMode(mode));
}

void TBarMain::Undo1Click() {
  CommitEditing();
  if (!bar_ || !history_.CanUndo())
    return;
  showingHistory_ = true;
  const int selection = history_.Undo();
  CheckOpenBar();
  ShowBar(selection);
  showingHistory_ = false;
}

void TBarMain::Redo1Click() {
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
QString ItemText(const TBarMain &window, const char *item, const std::string &edit) {
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

void TBarMain::NameUndoItems() {
  Undo1->setText(ItemText(*this, "Undo", history_.UndoName()));
  Undo1->setEnabled(history_.CanUndo());
  Redo1->setText(ItemText(*this, "Redo", history_.RedoName()));
  Redo1->setEnabled(history_.CanRedo());
}

void TBarMain::CreateUndo() {
  pm1->addSeparator();
  Undo1 = pm1->addAction(QStringLiteral("Undo"));
  Undo1->setObjectName(QStringLiteral("Undo1"));
  Redo1 = pm1->addAction(QStringLiteral("Redo"));
  Redo1->setObjectName(QStringLiteral("Redo1"));
  connect(pm1, &QMenu::aboutToShow, this, [this] { NameUndoItems(); });
  connect(Undo1, &QAction::triggered, this, [this] { RunGuarded([this] { Undo1Click(); }); });
  connect(Redo1, &QAction::triggered, this, [this] { RunGuarded([this] { Redo1Click(); }); });
  // The window's keys; an edit field that has typing of its own to take back takes them.
  const auto bind = [this](const QKeySequence &keys, void (TBarMain::*handler)()) {
    connect(new QShortcut(keys, this), &QShortcut::activated, this,
            [this, handler] { RunGuarded([&] { (this->*handler)(); }); });
  };
  bind(QKeySequence(Qt::CTRL | Qt::Key_Z), &TBarMain::Undo1Click);
  bind(QKeySequence(Qt::CTRL | Qt::Key_Y), &TBarMain::Redo1Click);
  bind(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), &TBarMain::Redo1Click);
}
