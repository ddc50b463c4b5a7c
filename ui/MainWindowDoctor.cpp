// Unit FrmMain, TBarMain (MainWindow): the bar doctor in the editor. The open bar is checked after
// every change; cells of buttons with problems carry a red corner and the problems in their
// tooltip, and the problems window lists them all. "Make paths portable" is one edit.
// A button that opens a sub-bar opens it in the editor, and "Back" returns along the way.
#include "ui/MainWindow.h"

#include "document/FileNames.h"
#include "platform/CodePage.h"
#include "platform/HostFiles.h"
#include "ui/OwnerDrawList.h"
#include "ui/ProblemsWindow.h"
#include "ui/Scale.h"
#include "ui/TextCodec.h"

#include <QAction>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QShortcut>
#include <QToolTip>

#include <algorithm>

namespace {

// The problems of one button in a list ordered by button.
auto ProblemsOf(const std::vector<doctor::Problem> &problems, int button) {
  struct ByButton {
    bool operator()(const doctor::Problem &p, int b) const { return p.Button < b; }
    bool operator()(int b, const doctor::Problem &p) const { return b < p.Button; }
  };
  return std::equal_range(problems.begin(), problems.end(), button, ByButton());
}

// A file name as the user reads it in a message: a Windows name throughout, also where
// a variable set to a host path made its start one ("/home/u/bars\tools.bar"). A long
// name must break between its parts, not inside one ("archive-of-" and "the-week.bar"):
// a zero-width space after each backslash is the only place to break, a word joiner
// between any other two characters keeps the line together at blanks and hyphens.
QString ShownFileName(const std::string &name) {
  const size_t start = platform::IsMarked(name) ? platform::Utf8Mark.size() : 0;
  std::string windowsName = name;
  if (start < name.size() && name[start] == '/') {
    const std::string mapped = platform::WindowsName(platform::HostPath(name));
    if (!mapped.empty())
      windowsName = mapped;
  }
  const QString text = ui::ToDisplay(windowsName);
  QString shown;
  for (qsizetype i = 0; i < text.size(); ++i) {
    shown += text[i];
    if (i + 1 == text.size() || text[i].isHighSurrogate())
      continue;
    shown += text[i] == QLatin1Char('\\') ? QChar(0x200B) : QChar(0x2060);
  }
  return shown;
}

// A name that names no file is refused, where the bar file reader would take it for a
// new empty bar.
void RequireExistingBar(const std::string &name) {
  if (!name.empty() && !platform::FileExists(name))
    throw EBarLoadError(
        platform::Message("Cannot read file %s: the file does not exist",
                          {platform::Verbatim(ui::FromDisplay(ShownFileName(name)))}));
}

// Every "%d" of the text replaced by number, then every "%s" by name (a name may hold
// "%d" itself).
std::string FillIn(std::string text, const std::string &name, int number) {
  for (const auto &[mark, value] :
       {std::pair<std::string, std::string>{"%d", std::to_string(number)},
        std::pair<std::string, std::string>{"%s", name}})
    for (size_t at = text.find(mark); at != std::string::npos;
         at = text.find(mark, at + value.size()))
      text.replace(at, mark.size(), value);
  return text;
}

} // namespace

std::unique_ptr<ButtonBar> MainWindow::LoadBarAsking(const std::string &name) {
  try {
    return ButtonBar::Create(name, exeFileName_);
  } catch (const EBarCountError &e) {
    const std::string question =
        FillIn(Translate("%s holds buttons up to number %d, but its button count is missing or "
                         "smaller. Open it with %d buttons?"),
               name, e.Highest());
    if (dialogs_.AskYesNo(this, question) != ui::TAnswer::Yes)
      return nullptr;
    return ButtonBar::Create(name, e.Highest(), exeFileName_);
  }
}

void MainWindow::CreateDoctorItems() {
  barMenu->addSeparator();
  const auto item = [this](const char *name, void (MainWindow::*handler)()) {
    QAction *action = barMenu->addAction(QString::fromLatin1(name));
    action->setObjectName(QString::fromLatin1(name));
    connect(action, &QAction::triggered, this,
            [this, handler] { RunGuarded([&] { (this->*handler)(); }); });
    return action;
  };
  checkBarAction = item("CheckBar1", &MainWindow::CheckBarClick);
  makePortableAction = item("MakePortable1", &MainWindow::MakePortableClick);
  barMenu->addSeparator();
  openSubBarAction = item("OpenSubBar1", &MainWindow::OpenSubBarClick);
  backAction = item("Back1", &MainWindow::BackClick);
  NameDoctorItems();
  connect(barMenu, &QMenu::aboutToShow, this, [this] { NameDoctorItems(); });
  const auto bind = [this](const QKeySequence &keys, void (MainWindow::*handler)()) {
    connect(new QShortcut(keys, this), &QShortcut::activated, this,
            [this, handler] { RunGuarded([&] { (this->*handler)(); }); });
  };
  bind(QKeySequence(Qt::Key_F7), &MainWindow::CheckBarClick);
  bind(QKeySequence(Qt::ALT | Qt::Key_Down), &MainWindow::OpenSubBarClick);
  bind(QKeySequence(Qt::ALT | Qt::Key_Up), &MainWindow::BackClick);
}

// The items in the program's language, each with its key, enabled when they have
// something to do.
void MainWindow::NameDoctorItems() {
  const auto name = [this](QAction *action, const char *key, const char *keys) {
    QString text = ui::ToDisplay(Translate(key));
    if (*keys)
      text += QLatin1Char('\t') + QString::fromLatin1(keys);
    action->setText(text);
  };
  name(checkBarAction, "Check bar", "F7");
  name(makePortableAction, "Make paths portable", "");
  name(openSubBarAction, "Open sub-bar", "Alt+Down");
  name(backAction, "Back", "Alt+Up");
  const int s = Selected();
  makePortableAction->setEnabled(
      std::any_of(problems_.begin(), problems_.end(),
                  [](const doctor::Problem &p) { return p.Fix.has_value(); }));
  openSubBarAction->setEnabled(
      s >= 0 && doctor::SubBarOf(exeFileName_, *bar_->Buttons[static_cast<size_t>(s)]));
  backAction->setEnabled(!wayBack_.empty());
}

void MainWindow::RenewDoctor() {
  checker_.reset();
  doctor_ = std::make_unique<doctor::DoctorContext>(exeFileName_);
  checker_ = std::make_unique<doctor::BarChecker>(CurrentFileName, *doctor_);
  CheckOpenBar();
}

void MainWindow::CheckOpenBar() {
  if (!bar_ || !checker_)
    return;
  problems_ = checker_->Check(*bar_);
  if (problemsWindow && problemsWindow->isVisible())
    problemsWindow->ShowProblems(problems_, *bar_);
  barList->viewport()->update();
}

QString MainWindow::ProblemTip(int index) const {
  QStringList lines;
  const auto [first, last] = ProblemsOf(problems_, index);
  for (auto problem = first; problem != last; ++problem)
    lines << ui::ToDisplay(Translate(ProblemKindCaption(problem->Kind)) + ": " +
                           platform::FormatMessage(problem->Text, TranslateFunction()));
  return lines.join(QLatin1Char('\n'));
}

// A red triangle in the cell's top right corner. While a drag moves buttons the problems
// belong to the places before it, so none is drawn.
void MainWindow::DrawProblemMarker(QPainter &canvas, int index, const QRect &rect) const {
  const auto [first, last] = ProblemsOf(problems_, index);
  if (first == last || dragStart_ >= 0)
    return;
  const int size = ui::Px(9);
  QPainterPath corner;
  corner.moveTo(rect.right() + 1 - size, rect.top());
  corner.lineTo(rect.right() + 1, rect.top());
  corner.lineTo(rect.right() + 1, rect.top() + size);
  corner.closeSubpath();
  canvas.fillPath(corner, QColor(Qt::red));
}

// Shows the problems of the cell under the pointer; true when the event was a tooltip's.
bool MainWindow::ToolTipEvent(QEvent *event) {
  if (event->type() != QEvent::ToolTip)
    return false;
  auto *help = static_cast<QHelpEvent *>(event);
  const QString tip = ProblemTip(barList->ItemAtPos(help->pos()));
  if (tip.isEmpty())
    QToolTip::hideText();
  else
    QToolTip::showText(help->globalPos(), tip, barList->viewport());
  return true;
}

void MainWindow::CheckBarClick() {
  CommitEditing();
  if (!bar_)
    return;
  if (!problemsWindow) {
    problemsWindow = new TProblemsWindow(TranslateFunction(), this);
    connect(problemsWindow, &TProblemsWindow::ButtonChosen, this,
            [this](int button) { RunGuarded([&] { ProblemChosen(button); }); });
    connect(problemsWindow, &TProblemsWindow::MakePortableClicked, this,
            [this] { RunGuarded([this] { MakePortableClick(); }); });
  }
  RenewDoctor();
  problemsWindow->ShowProblems(problems_, *bar_);
  problemsWindow->Open(*this);
}

void MainWindow::ProblemChosen(int button) {
  CommitEditing();
  if (!bar_ || button < 0 || button >= bar_->Count())
    return;
  barList->SetItemIndex(button);
  BarListClick();
  barList->viewport()->update();
}

void MainWindow::MakePortableClick() {
  CommitEditing();
  if (!bar_ || !doctor_)
    return;
  edits::Edit edit = doctor::PortablePathsEdit(*bar_, *doctor_);
  if (!edit)
    return;
  ShowBar(Edit(std::move(edit)));
  EnableCacheControls(true);
}

void MainWindow::OpenSubBarClick() {
  CommitEditing();
  const int s = Selected();
  if (s < 0)
    return;
  const auto subBar = doctor::SubBarOf(exeFileName_, *bar_->Buttons[static_cast<size_t>(s)]);
  if (!subBar)
    return;
  // Loaded before anything is asked: a sub-bar that cannot be opened leaves the bar as it
  // is, not even saved.
  RequireExistingBar(*subBar);
  std::unique_ptr<ButtonBar> opened = LoadBarAsking(*subBar);
  if (!opened || !OfferToSave())
    return;
  wayBack_.push_back({CurrentFileName, s});
  ShowOpenedBar(std::move(opened), *subBar, 0);
}

void MainWindow::BackClick() {
  CommitEditing();
  if (!bar_ || wayBack_.empty())
    return;
  const BarOnTheWay back = wayBack_.back();
  RequireExistingBar(back.file);
  std::unique_ptr<ButtonBar> opened = LoadBarAsking(back.file);
  if (!opened || !OfferToSave())
    return;
  wayBack_.pop_back();
  ShowOpenedBar(std::move(opened), back.file, back.selection);
}

void MainWindow::SetBarCaption(const std::string &path) {
  const std::string title = Translate("5065");
  const std::string prefix = title != "5065" ? title + " " : std::string("Button Bar: ");
  if (wayBack_.empty()) {
    barCaption->setText(ui::ToDisplay(prefix + path));
    return;
  }
  // The names are joined as Unicode: the separator is in no code page of the core's.
  const QString separator = QStringLiteral(" ") + QChar(0x203A) + QStringLiteral(" ");
  QStringList names;
  for (const BarOnTheWay &bar : wayBack_)
    names << ui::ToDisplay(ExtractFileName(bar.file));
  names << ui::ToDisplay(ExtractFileName(path));
  barCaption->setText(ui::ToDisplay(prefix) + names.join(separator));
}
