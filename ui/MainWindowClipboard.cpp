// Unit FrmMain, TBarMain (MainWindow): the bar list's popup menu: a button copied to and pasted
// from the clipboard as the "TOTALCMD#BAR#DATA" text Total Commander uses, and cloned in place.
#include "ui/MainWindow.h"

#include "document/BarClipboard.h"
#include "document/FileNames.h"
#include "ui/ClipboardText.h"
#include "ui/OwnerDrawList.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>

void MainWindow::ConnectClipboard() {
  // A disabled item ignores its trigger, so the menu's enabling also holds for the keys.
  connect(copyAction, &QAction::triggered, this, [this] { RunGuarded([this] { CopyClick(); }); });
  connect(pasteAction, &QAction::triggered, this, [this] { RunGuarded([this] { PasteClick(); }); });
  connect(cloneAction, &QAction::triggered, this, [this] { RunGuarded([this] { CloneClick(); }); });
  // Paste is enabled exactly while the clipboard holds a button, whoever put it there, so
  // that Ctrl+V and the menu agree with what a paste would find. The change is read after
  // the writer is done: our own Copy changes the clipboard while it holds it open.
  connect(
      QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
      [this] { RunGuarded([this] { ShowClipboardState(); }); }, Qt::QueuedConnection);
  connect(barMenu, &QMenu::aboutToShow, this,
          [this] { RunGuarded([this] { ShowClipboardState(); }); });
  ShowClipboardState();
}

void MainWindow::ShowClipboardState() {
  pasteAction->setEnabled(ClipboardTextHasHeader(ClipboardTextWithCrLf(GetClipboardText(this))));
}

void MainWindow::CopyClick() {
  const int s = Selected();
  if (s < 0)
    return;
  // A clipboard held open by another program keeps its content; nothing is said.
  PutClipboardText(this, ButtonToClipboardText(*bar_->Buttons[static_cast<size_t>(s)]));
}

void MainWindow::PasteClick() {
  if (!bar_)
    return;
  const auto lines = ParseClipboardText(ClipboardTextWithCrLf(GetClipboardText(this)));
  if (!lines)
    return;
  const int s = Selected();
  const edits::After after = s < 0 ? edits::After() : edits::After(s);
  try {
    ShowBar(Edit(edits::Paste(after, *lines)));
  } catch (const EConvertError &) {
    // A run mode that is no number stops the paste with its error; the new button keeps
    // the other fields, and the editor shows it as it is, so that no field of another
    // button is written into it.
    ShowBar(s < 0 ? bar_->Count() - 1 : s + 1);
    throw;
  }
}

void MainWindow::CloneClick() {
  const int s = Selected();
  if (s < 0)
    return;
  ShowBar(Edit(edits::Clone(s)));
}
