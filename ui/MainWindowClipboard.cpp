// Unit FrmMain (TBarMain): the bar list's popup menu: a button copied to and pasted from the
// clipboard as the "TOTALCMD#BAR#DATA" text Total Commander uses, and cloned in place.
#include "ui/MainWindow.h"

#include "document/BarClipboard.h"
#include "document/HostPaths.h"
#include "ui/OwnerDrawList.h"

#include <QAction>

void TBarMain::ConnectClipboard() {
  // A disabled item ignores its trigger, so the menu's enabling also holds for the keys.
  connect(Copy1, &QAction::triggered, this, [this] { RunGuarded([this] { Copy1Click(); }); });
  connect(paste1, &QAction::triggered, this, [this] { RunGuarded([this] { paste1Click(); }); });
  connect(Duble1, &QAction::triggered, this, [this] { RunGuarded([this] { Duble1Click(); }); });
}

void TBarMain::Copy1Click() {
  const int s = Selected();
  if (s < 0)
    return;
  // A clipboard held open by another program keeps its content; nothing is said.
  PutClipboardText(this, ButtonToClipboardText(*bar_->Buttons[static_cast<size_t>(s)]));
}

void TBarMain::paste1Click() {
  if (!bar_)
    return;
  const auto lines = ParseClipboardText(ClipboardTextWithCrLf(GetClipboardText(this)));
  if (!lines)
    return;
  id_btn_addClick();
  const int s = Selected();
  // A run mode that is no number stops here with its error; the new button keeps the
  // fields set so far and is shown again only when it is next selected.
  SetButtonFromClipboard(*bar_, s, *lines);
  id_btn_barClick();
  bar_->RefreshIcon(s);
  id_btn_barClick();
  id_btn_bar->viewport()->update();
}

void TBarMain::Duble1Click() {
  const int s = Selected();
  if (s < 0)
    return;
  id_btn_addClick();
  const int clone = Selected();
  for (int field : {bfIconRef, bfCommand, bfParams, bfStartPath, bfTooltip, bfRunMode})
    bar_->SetField(clone, field, bar_->GetField(s, field));
  id_btn_barClick();
  bar_->RefreshIcon(clone);
  id_btn_bar->viewport()->update();
}
