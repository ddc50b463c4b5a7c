// TProblemsWindow: the list of the open bar's problems.
#include "ui/ProblemsWindow.h"

#include "ui/Scale.h"
#include "ui/TextCodec.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

const char *ProblemKindCaption(doctor::ProblemKind kind) {
  using doctor::ProblemKind;
  switch (kind) {
  case ProblemKind::MissingProgram:
    return "Missing program";
  case ProblemKind::UnknownCommand:
    return "Unknown command";
  case ProblemKind::MissingIconFile:
    return "Missing icon file";
  case ProblemKind::IconIndex:
    return "No such icon";
  case ProblemKind::MissingStartPath:
    return "Missing start path";
  case ProblemKind::MissingSubBar:
    return "Missing sub-bar";
  case ProblemKind::SubBarLoop:
    return "Sub-bar loop";
  case ProblemKind::NonPortablePath:
    return "Non-portable path";
  case ProblemKind::MixedIconNames:
    return "Mixed icon names";
  case ProblemKind::UnsetVariable:
    return "Unset variable";
  case ProblemKind::BadCount:
    return "Bad button count";
  }
  return "";
}

namespace {

bool SameProblem(const doctor::Problem &a, const doctor::Problem &b) {
  return a.Button == b.Button && a.Kind == b.Kind && a.Field == b.Field && a.Message == b.Message &&
         a.Fix == b.Fix;
}

// "3 Notepad": the button's place as the user counts, and its tooltip.
std::string ButtonLabel(const ButtonsList &bar, int button) {
  std::string label = std::to_string(button + 1);
  if (button < bar.Count()) {
    const std::string tooltip = bar.GetField(button, bfTooltip);
    if (!tooltip.empty())
      label += " " + tooltip;
  }
  return label;
}

} // namespace

TProblemsWindow::TProblemsWindow(Translator translate, QWidget *parent)
    : QWidget(parent, Qt::Tool), translate_(std::move(translate)) {
  setObjectName(QStringLiteral("ProblemsWindow"));
  setFont(ui::DesignFont());
  setWindowTitle(ui::ToDisplay(translate_("Check bar")));
  ProblemList = new QTreeWidget(this);
  ProblemList->setObjectName(QStringLiteral("ProblemList"));
  ProblemList->setRootIsDecorated(false);
  ProblemList->setUniformRowHeights(true);
  ProblemList->setHeaderLabels({ui::ToDisplay(translate_("Button")),
                                ui::ToDisplay(translate_("Kind")),
                                ui::ToDisplay(translate_("Message"))});
  MakePortable = new QPushButton(ui::ToDisplay(translate_("Make paths portable")), this);
  MakePortable->setObjectName(QStringLiteral("MakePortable"));
  MakePortable->setEnabled(false);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(ProblemList);
  layout->addWidget(MakePortable, 0, Qt::AlignRight);
  resize(ui::Px(560), ui::Px(220));
  // The choice goes on once the list is done with the click: selecting the button commits
  // the field being edited, which may fill the list anew under the item clicked.
  const auto choose = [this](QTreeWidgetItem *item) {
    const int button = item ? ButtonOfRow(ProblemList->indexOfTopLevelItem(item)) : -1;
    if (button >= 0)
      QMetaObject::invokeMethod(
          this, [this, button] { emit ButtonChosen(button); }, Qt::QueuedConnection);
  };
  connect(ProblemList, &QTreeWidget::itemClicked, this, choose);
  connect(ProblemList, &QTreeWidget::itemActivated, this, choose);
  connect(MakePortable, &QPushButton::clicked, this, [this] { emit MakePortableClicked(); });
}

void TProblemsWindow::ShowProblems(const std::vector<doctor::Problem> &problems,
                                   const ButtonsList &bar) {
  MakePortable->setEnabled(std::any_of(problems.begin(), problems.end(),
                                       [](const doctor::Problem &p) { return p.Fix.has_value(); }));
  std::vector<std::string> labels;
  labels.reserve(problems.size());
  for (const doctor::Problem &problem : problems)
    labels.push_back(ButtonLabel(bar, problem.Button));
  if (labels == shownLabels_ &&
      std::equal(problems.begin(), problems.end(), shown_.begin(), shown_.end(), SameProblem))
    return;
  const int row = ProblemList->indexOfTopLevelItem(ProblemList->currentItem());
  ProblemList->clear();
  QList<QTreeWidgetItem *> items;
  for (size_t i = 0; i < problems.size(); ++i)
    items << new QTreeWidgetItem(QStringList{
        ui::ToDisplay(labels[i]), ui::ToDisplay(translate_(ProblemKindCaption(problems[i].Kind))),
        ui::ToDisplay(platform::FormatMessage(problems[i].Text, translate_))});
  ProblemList->addTopLevelItems(items);
  if (row >= 0 && row < items.size())
    ProblemList->setCurrentItem(items[row]);
  ProblemList->header()->resizeSections(QHeaderView::ResizeToContents);
  shown_ = problems;
  shownLabels_ = std::move(labels);
}

int TProblemsWindow::ButtonOfRow(int row) const {
  return row >= 0 && static_cast<size_t>(row) < shown_.size()
             ? shown_[static_cast<size_t>(row)].Button
             : -1;
}
