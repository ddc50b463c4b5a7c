#pragma once
// Unit Unit2, TForm2 (CommandBrowser): the command browser: Total Commander's internal commands by
// category, and the user commands, filtered by a text; the chosen one, with its icon and
// description, is reported (CommandChosen) for the window that opened the browser to write into its
// selected button. Every file is read afresh at each show and everything read is released at each
// close, so nothing survives between two shows. What the files mean is CommandCatalog's business;
// this window only shows it.
#include "document/CommandCatalog.h"
#include "document/Translation.h"

#include <QDialog>

#include <memory>
#include <string>
#include <utility>
#include <vector>

class QFontMetrics;
class QLabel;
class QLineEdit;
class QListWidget;
class QPainter;
class QPushButton;

namespace ui {
class TDialogs;
}

class CommandBrowser : public QDialog {
  Q_OBJECT
public:
  // translate: the program's translation lookup; dialogs: for the error box; exeFileName: the
  // executable's full Windows name, from which the catalogue's files are found.
  CommandBrowser(Translator translate, ui::TDialogs &dialogs, std::string exeFileName,
                 QWidget *parent = nullptr);
  ~CommandBrowser() override;

  // Components; each keeps its designed name as its Qt object name, which the layout and
  // the end-to-end test find it by.
  QWidget *upperPanel = nullptr; // upper panel: the lists and their labels
  QWidget *lowerPanel = nullptr; // lower panel: the filter and the buttons
  // The headings of commandList's columns; they move with the columns when the list
  // scrolls sideways.
  QWidget *Columns = nullptr;
  QLabel *categoryLabel = nullptr;
  QLabel *commandLabel = nullptr;
  QLabel *NrLabel = nullptr;
  QLabel *DescriptionLabel = nullptr;
  QListWidget *categoryList = nullptr;
  QListWidget *commandList = nullptr;
  QLabel *filterLabel = nullptr;
  QLineEdit *filterEdit = nullptr;
  QPushButton *OKButton = nullptr;
  QPushButton *CancelButton = nullptr;

  // Window events.
  void FormShow();
  void FormClose();
  void CategoryListClick();
  void FilterEditChange();
  // Draws row index into rect; the painter's brush is the selection colour for the
  // selected row and the list's colour otherwise, its pen the matching text colour.
  void CommandListDrawItem(QPainter &canvas, int index, const QRect &rect);
  void CommandListDblClick();
  void OKButtonClick();
  void CancelButtonClick();

  // The catalogue read at the last show; null while the window is closed.
  const CommandCatalog *Catalog() const { return catalog_.get(); }
  // What each row of commandList shows, in its order.
  const std::vector<CommandRow> &Rows() const { return rows_; }
  // The selected row of commandList, or -1.
  int SelectedRow() const;
  // The row OK and Return choose: the selected one, else the one the keyboard is on.
  int ChosenRow() const;

  // Every way of closing the window ends here (buttons, Escape, the title bar).
  void done(int result) override;

  // The width of every row of commandList: that of the longest row drawn, so that each
  // text can be read whole by scrolling sideways.
  int RowWidth() const { return rowWidth_; }

signals:
  // A row was chosen (double click or OK); the browser closes right after.
  void CommandChosen(const CommandChoice &choice);

protected:
  void showEvent(QShowEvent *event) override;
  // Down in the filter moves into the command list.
  bool eventFilter(QObject *watched, QEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;

private:
  void CreatePanels();
  void CreateUpperPanel();
  void CreateLowerPanel();
  void ConnectHandlers();
  void SetDesignedCaptions();
  void TranslateCaptions();
  void FillCategories();
  void FillRows(std::vector<CommandRow> rows);
  // Selects the first command at or after row; false when there is none.
  bool SelectCommandFrom(int row);
  int DrawnWidth(const CommandRow &row, const QFontMetrics &metrics) const;
  // Lays the window out for its captions; it keeps the size the user gave it when that
  // is larger, and the lists take what it has beyond the laid-out size.
  void LayOut();
  void FitToWindow();
  void FollowSideways(int offset);
  template <class F> void Guarded(F &&handler);

  Translator translate_;
  ui::TDialogs &dialogs_;
  std::string exeFileName_;
  std::unique_ptr<CommandCatalog> catalog_;
  std::vector<CommandRow> rows_;
  int rowWidth_ = 0;
  // The size the captions gave the window, and where the controls that follow its size
  // stand at that size.
  QSize laidOut_;
  std::vector<std::pair<QWidget *, QRect>> laidOutPlaces_;
};
