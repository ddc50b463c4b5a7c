// TProblemsWindow: the list of the open bar's problems.
#include "ui/ProblemsWindow.h"

#include "ui/Scale.h"
#include "ui/TextCodec.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

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
  case ProblemKind::NotABar:
    return "Not a bar";
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

enum { ButtonColumn, KindColumn, MessageColumn };

// The keys the window keeps from the main window: there Escape presses Cancel and
// Return presses OK, each of which closes the editor.
bool OwnKey(const QKeyEvent &key) {
  return (key.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier &&
         (key.key() == Qt::Key_Escape || key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter);
}

// How much of a window of the size wanted a room shows: 1 when the whole window fits.
double ShownPart(const QRect &room, const QSize &wanted) {
  if (room.width() <= 0 || room.height() <= 0)
    return 0;
  return std::min(1.0, double(room.width()) / wanted.width()) *
         std::min(1.0, double(room.height()) / wanted.height());
}

bool SameProblem(const doctor::Problem &a, const doctor::Problem &b) {
  return a.Button == b.Button && a.Kind == b.Kind && a.Field == b.Field && a.Message == b.Message &&
         a.Fix == b.Fix;
}

// "3 Notepad": the button's place as the user counts, and its tooltip.
std::string ButtonLabel(const ButtonBar &bar, int button) {
  std::string label = std::to_string(button + 1);
  if (button < bar.Count()) {
    const std::string tooltip = bar.GetField(button, bfTooltip);
    if (!tooltip.empty())
      label += " " + tooltip;
  }
  return label;
}

} // namespace

QRect PlaceBeside(const QRect &main, const QSize &wanted, const QSize &least, const QRect &screen) {
  // The parts of the screen right of, left of, below and above main.
  const QRect rooms[] = {QRect(QPoint(main.right() + 1, screen.top()), screen.bottomRight()),
                         QRect(screen.topLeft(), QPoint(main.left() - 1, screen.bottom())),
                         QRect(QPoint(screen.left(), main.bottom() + 1), screen.bottomRight()),
                         QRect(screen.topLeft(), QPoint(screen.right(), main.top() - 1))};
  int best = 0;
  for (int side = 1; side < 4; ++side)
    if (ShownPart(rooms[side], wanted) > ShownPart(rooms[best], wanted))
      best = side;
  // Only a main window that fills the screen leaves no room beside it.
  if (ShownPart(rooms[best], wanted) == 0) {
    const QSize size = wanted.boundedTo(screen.size());
    return QRect(screen.bottomRight() - QPoint(size.width(), size.height()) + QPoint(1, 1), size);
  }
  const QRect &room = rooms[best];
  const QSize size = wanted.boundedTo(room.size()).expandedTo(least);
  // Beside main, starting where main starts, as far as the room allows.
  const int x = best == 0   ? room.left()
                : best == 1 ? room.right() + 1 - size.width()
                            : std::clamp(main.left(), room.left(), room.right() + 1 - size.width());
  const int y = best == 2   ? room.top()
                : best == 3 ? room.bottom() + 1 - size.height()
                            : std::clamp(main.top(), room.top(), room.bottom() + 1 - size.height());
  // A window larger than its room stays on the screen, its title bar above all.
  return QRect(QPoint(std::max(screen.left(), std::min(x, screen.right() + 1 - size.width())),
                      std::max(screen.top(), std::min(y, screen.bottom() + 1 - size.height()))),
               size);
}

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
  // The button and the kind take the room they need, the message all the rest.
  ProblemList->header()->setSectionResizeMode(ButtonColumn, QHeaderView::ResizeToContents);
  ProblemList->header()->setSectionResizeMode(KindColumn, QHeaderView::ResizeToContents);
  ProblemList->header()->setStretchLastSection(true);
  MakePortable = new QPushButton(ui::ToDisplay(translate_("Make paths portable")), this);
  MakePortable->setObjectName(QStringLiteral("MakePortable"));
  MakePortable->setEnabled(false);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(ProblemList);
  layout->addWidget(MakePortable, 0, Qt::AlignRight);
  resize(ui::Px(560), ui::Px(220));
  // A click on the row already selected chooses its button again; the arrow keys choose
  // by moving the selection.
  connect(ProblemList, &QTreeWidget::itemClicked, this, &TProblemsWindow::Choose);
  connect(ProblemList, &QTreeWidget::itemActivated, this, &TProblemsWindow::Choose);
  connect(ProblemList, &QTreeWidget::itemSelectionChanged, this, [this] {
    const QList<QTreeWidgetItem *> selected = ProblemList->selectedItems();
    if (!selected.isEmpty())
      Choose(selected.first());
  });
  connect(MakePortable, &QPushButton::clicked, this, [this] { emit MakePortableClicked(); });
}

void TProblemsWindow::ShowProblems(const std::vector<doctor::Problem> &problems,
                                   const ButtonBar &bar) {
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
  // Filling the list is no choice of the user's.
  const QSignalBlocker quiet(ProblemList);
  ProblemList->clear();
  QList<QTreeWidgetItem *> items;
  for (size_t i = 0; i < problems.size(); ++i) {
    const QString message = ui::ToDisplay(platform::FormatMessage(problems[i].Text, translate_));
    items << new QTreeWidgetItem(
        QStringList{ui::ToDisplay(labels[i]),
                    ui::ToDisplay(translate_(ProblemKindCaption(problems[i].Kind))), message});
    // A message longer than its column is read whole under the pointer.
    items.back()->setToolTip(MessageColumn, message);
  }
  ProblemList->addTopLevelItems(items);
  if (row >= 0 && row < items.size())
    ProblemList->setCurrentItem(items[row]);
  shown_ = problems;
  shownLabels_ = std::move(labels);
}

int TProblemsWindow::ButtonOfRow(int row) const {
  return row >= 0 && static_cast<size_t>(row) < shown_.size()
             ? shown_[static_cast<size_t>(row)].Button
             : -1;
}

void TProblemsWindow::Open(const QWidget &main) {
  if (!isVisible()) {
    if (!placed_)
      resize(DefaultSize());
    placed_ = true;
    // The window's frame is not known before it is shown: it is taken to be main's.
    const QSize frame = main.frameGeometry().size() - main.size();
    const QScreen *screen = main.screen();
    const QRect place = PlaceBeside(main.frameGeometry(), size() + frame, minimumSizeHint() + frame,
                                    screen ? screen->availableGeometry() : main.frameGeometry());
    resize(place.size() - frame);
    move(place.topLeft());
  }
  show();
  raise();
  activateWindow();
  ProblemList->setFocus(Qt::ActiveWindowFocusReason);
}

// As wide as the button and kind columns and the longest message need, the message at
// most about 80 characters; as high as the design.
QSize TProblemsWindow::DefaultSize() const {
  const auto *view = static_cast<const QAbstractItemView *>(ProblemList);
  const QHeaderView *header = ProblemList->header();
  int columns = 0;
  for (int column : {ButtonColumn, KindColumn, MessageColumn}) {
    const int need = std::max(view->sizeHintForColumn(column), header->sectionSizeHint(column));
    columns += column == MessageColumn ? std::min(need, ui::Px(480)) : need;
  }
  const QMargins margins = layout()->contentsMargins();
  const int width = columns + 2 * ProblemList->frameWidth() +
                    ProblemList->verticalScrollBar()->sizeHint().width() + margins.left() +
                    margins.right();
  return QSize(std::max(width, ui::Px(560)), ui::Px(220));
}

void TProblemsWindow::Choose(QTreeWidgetItem *item) {
  const int button = item ? ButtonOfRow(ProblemList->indexOfTopLevelItem(item)) : -1;
  // A click selects and clicks: the button is chosen once.
  if (button < 0 || button == pendingChoice_)
    return;
  // The choice goes on once the list is done with the key or the click: selecting the
  // button commits the field being edited, which may fill the list anew under the item.
  pendingChoice_ = button;
  QMetaObject::invokeMethod(
      this,
      [this] {
        // Keys pressed faster than the choices go on: the last one counts.
        const int chosen = std::exchange(pendingChoice_, -1);
        if (chosen >= 0)
          emit ButtonChosen(chosen);
      },
      Qt::QueuedConnection);
}

bool TProblemsWindow::event(QEvent *event) {
  // Accepting the override makes the key a key press here rather than a shortcut of the
  // main window, which takes its shortcuts also from the windows it owns.
  if (event->type() == QEvent::ShortcutOverride && OwnKey(*static_cast<QKeyEvent *>(event))) {
    event->accept();
    return true;
  }
  return QWidget::event(event);
}

// Return in the list chooses its row (the list's own key); on a push button it presses
// the button, as in the main window.
void TProblemsWindow::keyPressEvent(QKeyEvent *event) {
  if (!OwnKey(*event)) {
    QWidget::keyPressEvent(event);
    return;
  }
  if (event->key() == Qt::Key_Escape)
    close();
  else if (auto *button = qobject_cast<QPushButton *>(focusWidget()))
    button->click();
}
