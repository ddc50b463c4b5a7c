#pragma once
// TProblemsWindow: the list of what is wrong with the open bar, beside the main window and
// not modal: a row per problem (the button, its kind, what was found). Choosing a row asks
// the main window to select that button; "Make paths portable" asks it to write the
// portable paths. The main window fills the list again after every edit while it is open.
#include "document/BarDoctor.h"
#include "document/Translation.h"

#include <QWidget>

#include <string>
#include <vector>

class QPushButton;
class QTreeWidget;

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
  void ShowProblems(const std::vector<doctor::Problem> &problems, const ButtonsList &bar);
  // The button of a row (0-based).
  int ButtonOfRow(int row) const;

signals:
  // The user chose the row of a problem of this button (0-based): a click, or Return.
  void ButtonChosen(int button);
  void MakePortableClicked();

private:
  Translator translate_;
  std::vector<doctor::Problem> shown_;
  std::vector<std::string> shownLabels_;
};
