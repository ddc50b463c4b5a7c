#pragma once
// TProblemsWindow: the list of what is wrong with the open bar, beside the main window and
// not modal: a row per problem (the button, its kind, what was found). Choosing a row asks
// the main window to select that button; "Make paths portable" asks it to write the
// portable paths. The main window fills the list again after every edit while it is open.
// The window handles its own keys: Escape closes it alone, Return chooses the row or
// presses the button that has the focus; neither reaches the main window, where Escape
// and Return close the editor.
#include "document/BarDoctor.h"
#include "document/Translation.h"

#include <QWidget>

#include <string>
#include <vector>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// Where a window of the size wanted (frame included) goes beside the frame of main
// within screen (the screen's available area): right of it, left of it, below or above,
// the first side where the most of it fits, cut to the room there but not below least:
// a small window beside main serves better than one over the bar or the fields. Only
// when main leaves no room at all does it cover main, at the screen's bottom right
// corner. The window is kept on the screen.
QRect PlaceBeside(const QRect &main, const QSize &wanted, const QSize &least, const QRect &screen);

// The kind as the user reads it, an English key for the translation ("Missing program").
const char *ProblemKindCaption(doctor::ProblemKind kind);

class TProblemsWindow : public QWidget {
  Q_OBJECT
public:
  // translate: the main window's translation; the captions are translated at once.
  explicit TProblemsWindow(Translator translate, QWidget *parent = nullptr);

  QTreeWidget *ProblemList = nullptr;
  QPushButton *MakePortable = nullptr;

  // Shows the problems of bar; the rows are rebuilt only when they change, so that the
  // row the user is on stays where it is. MakePortable is enabled when a problem has a fix.
  void ShowProblems(const std::vector<doctor::Problem> &problems, const ButtonBar &bar);
  // Shows the window beside main with the focus in its list; the first time at a size
  // that shows the button and kind columns whole and the messages readably.
  void Open(const QWidget &main);
  // The button of a row (0-based).
  int ButtonOfRow(int row) const;

signals:
  // The user chose the row of a problem of this button (0-based): a click, an arrow key,
  // or Return.
  void ButtonChosen(int button);
  void MakePortableClicked();

protected:
  bool event(QEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;

private:
  void Choose(QTreeWidgetItem *item);
  QSize DefaultSize() const;

  Translator translate_;
  int pendingChoice_ = -1;
  bool placed_ = false;
  std::vector<doctor::Problem> shown_;
  std::vector<std::string> shownLabels_;
};
