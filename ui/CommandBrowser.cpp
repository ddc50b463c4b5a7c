// Unit Unit2, TForm2 (CommandBrowser): the command browser window.
#include "ui/CommandBrowser.h"

#include "ui/Dialogs.h"
#include "ui/ErrorGuard.h"
#include "ui/OwnerDrawList.h"
#include "ui/Scale.h"
#include "ui/TextCodec.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyledItemDelegate>

#include <algorithm>

namespace {

// Design geometry, in pixels at 96 dpi.
constexpr int FormWidth = 640;
constexpr int FormHeight = 371;
constexpr int LowerPanelHeight = 52;
constexpr int RowHeight = 13;
// Where the parts of a row are written: the name starts at NameX, the number ends at
// NumberEndX and the description starts at DescriptionX.
constexpr int NameX = 1;
constexpr int NumberEndX = 195;
constexpr int DescriptionX = 203;
constexpr char HeaderRule[] = "================================";

// Hands every row of commandList to the window's own drawing, with the brush and pen
// of an owner-drawn list box: the selection colours for the selected row.
class TRowDelegate : public QStyledItemDelegate {
public:
  TRowDelegate(CommandBrowser &form, QObject *parent) : QStyledItemDelegate(parent), form_(form) {}

  void paint(QPainter *painter, const QStyleOptionViewItem &option,
             const QModelIndex &index) const override {
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette &palette = option.palette;
    painter->save();
    painter->setClipRect(option.rect);
    painter->setFont(option.font);
    painter->setBrush(palette.brush(selected ? QPalette::Highlight : QPalette::Base));
    painter->setPen(palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    form_.CommandListDrawItem(*painter, index.row(), option.rect);
    painter->restore();
  }

  QSize sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const override {
    return QSize(form_.RowWidth(), ui::Px(RowHeight));
  }

private:
  CommandBrowser &form_;
};

QLabel *MakeLabel(QWidget *parent, const char *name, QRect place, Qt::Alignment align) {
  auto *label = ui::Place(new QLabel(parent), name, place);
  label->setAlignment(align | Qt::AlignVCenter);
  return label;
}

QString Caption(const std::string &bytes) {
  return ui::ToDisplay(bytes);
}

// The caption with a key to reach its control: a text that marks its own keeps it;
// otherwise its first letter or digit that no caption before it took is marked. taken
// collects the keys given, lower case.
QString WithMnemonic(QString caption, QString &taken) {
  if (const qsizetype marked = caption.indexOf(QLatin1Char('&'));
      marked >= 0 && marked + 1 < caption.size()) {
    taken += caption[marked + 1].toLower();
    return caption;
  }
  for (qsizetype i = 0; i < caption.size(); ++i) {
    const QChar key = caption[i].toLower();
    if (key.isLetterOrNumber() && !taken.contains(key)) {
      taken += key;
      caption.insert(i, QLatin1Char('&'));
      break;
    }
  }
  return caption;
}

} // namespace

CommandBrowser::CommandBrowser(Translator translate, ui::TDialogs &dialogs, std::string exeFileName,
                               QWidget *parent)
    : QDialog(parent), translate_(std::move(translate)), dialogs_(dialogs),
      exeFileName_(std::move(exeFileName)) {
  setObjectName(QStringLiteral("Form2"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                 Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
  setFont(ui::DesignFont());
  ui::SetDesignedSize(this, QSize(FormWidth, FormHeight));
  CreatePanels();
  SetDesignedCaptions();
  ConnectHandlers();
  if (const QScreen *screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

CommandBrowser::~CommandBrowser() = default;

void CommandBrowser::CreatePanels() {
  const int upper = FormHeight - LowerPanelHeight;
  upperPanel = ui::Place(new QWidget(this), "Panel1", QRect(0, 0, FormWidth, upper));
  lowerPanel = ui::Place(new QWidget(this), "Panel2", QRect(0, upper, FormWidth, LowerPanelHeight));
  CreateUpperPanel();
  CreateLowerPanel();
}

void CommandBrowser::CreateUpperPanel() {
  using ui::Place;
  categoryLabel = MakeLabel(upperPanel, "Label1", QRect(4, 6, 129, 16), Qt::AlignLeft);
  // The headings stand over the list, in a strip as wide as the list that cuts off what
  // scrolls out of it.
  Columns = Place(new QWidget(upperPanel), "Columns", QRect(144, 6, 481, 16));
  commandLabel = MakeLabel(Columns, "Label2", QRect(0, 0, 113, 16), Qt::AlignLeft);
  NrLabel = MakeLabel(Columns, "NrLabel", QRect(128, 0, 68, 16), Qt::AlignRight);
  DescriptionLabel = MakeLabel(Columns, "DescriptionLabel", QRect(204, 0, 253, 16), Qt::AlignLeft);
  categoryList = Place(new QListWidget(upperPanel), "categorylist", QRect(4, 24, 136, 265));
  commandList = Place(new QListWidget(upperPanel), "identifierlist", QRect(144, 24, 481, 265));
  commandList->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  const QFont listFont = ui::DesignFont();
  categoryList->setFont(listFont);
  commandList->setFont(listFont);
  commandList->setItemDelegate(new TRowDelegate(*this, commandList));
  // Every row has the same height, so the list need not measure them one by one.
  commandList->setUniformItemSizes(true);
  commandList->setSelectionMode(QAbstractItemView::SingleSelection);
  categoryLabel->setBuddy(categoryList);
  commandLabel->setBuddy(commandList);
}

void CommandBrowser::CreateLowerPanel() {
  using ui::Place;
  filterLabel = MakeLabel(lowerPanel, "StaticFilter", QRect(8, 4, 129, 13), Qt::AlignRight);
  filterEdit = Place(new QLineEdit(lowerPanel), "filteredit", QRect(144, 1, 121, 21));
  OKButton = Place(new QPushButton(lowerPanel), "OKButton", QRect(237, 27, 75, 22));
  CancelButton = Place(new QPushButton(lowerPanel), "CancelButton", QRect(317, 27, 75, 22));
  OKButton->setDefault(true);
  filterLabel->setBuddy(filterEdit);
  filterEdit->installEventFilter(this);
  setTabOrder(categoryList, commandList);
  setTabOrder(commandList, filterEdit);
  setTabOrder(filterEdit, OKButton);
  setTabOrder(OKButton, CancelButton);
}

void CommandBrowser::ConnectHandlers() {
  // The list's own selection moves (a click, the arrow keys) are the category's click;
  // the window selects the first category itself with the signal held back.
  connect(categoryList, &QListWidget::currentRowChanged, this,
          [this] { Guarded([this] { CategoryListClick(); }); });
  // The platform runs the change step for every change of the text, also the window's own.
  connect(filterEdit, &QLineEdit::textChanged, this,
          [this] { Guarded([this] { FilterEditChange(); }); });
  connect(commandList, &QListWidget::doubleClicked, this,
          [this] { Guarded([this] { CommandListDblClick(); }); });
  connect(OKButton, &QPushButton::clicked, this, [this] { Guarded([this] { OKButtonClick(); }); });
  connect(CancelButton, &QPushButton::clicked, this,
          [this] { Guarded([this] { CancelButtonClick(); }); });
  connect(commandList->horizontalScrollBar(), &QScrollBar::valueChanged, this,
          &CommandBrowser::FollowSideways);
}

template <class F> void CommandBrowser::Guarded(F &&handler) {
  ui::RunGuarded(dialogs_, this, handler);
}

void CommandBrowser::SetDesignedCaptions() {
  setWindowTitle(QStringLiteral("Command Browser"));
  categoryLabel->setText(QStringLiteral("&Category:"));
  commandLabel->setText(QStringLiteral("C&ommand:"));
  NrLabel->setText(QStringLiteral("Nr:"));
  DescriptionLabel->setText(QStringLiteral("Description:"));
  filterLabel->setText(QStringLiteral("&Filter:"));
  OKButton->setText(QStringLiteral("OK"));
  CancelButton->setText(QStringLiteral("Cancel"));
  LayOut();
}

void CommandBrowser::TranslateCaptions() {
  auto tr = [this](const char *key) { return Caption(translate_(key)); };
  // The keys are given in the order of the designed captions, so English keeps C, O, F.
  QString taken;
  categoryLabel->setText(WithMnemonic(tr("Category") + ':', taken));
  commandLabel->setText(WithMnemonic(tr("Command") + ':', taken));
  NrLabel->setText(tr("Nr") + ':');
  DescriptionLabel->setText(tr("Description") + ':');
  filterLabel->setText(WithMnemonic(tr("Filter"), taken));
  OKButton->setText(tr("Ok"));
  CancelButton->setText(tr("Cancel"));
  setWindowTitle(tr("Command Browser"));
  LayOut();
}

void CommandBrowser::LayOut() {
  const QSize chosen = laidOut_.isValid() ? size() : QSize();
  ui::Layout(this);
  laidOut_ = size();
  laidOutPlaces_.clear();
  QWidget *const following[] = {upperPanel,  lowerPanel,   Columns, categoryList,
                                commandList, commandLabel, NrLabel, DescriptionLabel};
  for (QWidget *control : following)
    laidOutPlaces_.emplace_back(control, control->geometry());
  setMinimumSize(laidOut_);
  setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  resize(chosen.expandedTo(laidOut_));
  FitToWindow();
}

void CommandBrowser::resizeEvent(QResizeEvent *event) {
  QDialog::resizeEvent(event);
  FitToWindow();
}

// The upper panel, the lists and the headings' strip grow with the window; the lower
// panel keeps its height at the bottom.
void CommandBrowser::FitToWindow() {
  if (!laidOut_.isValid())
    return;
  const int wider = std::max(0, width() - laidOut_.width());
  const int taller = std::max(0, height() - laidOut_.height());
  for (const auto &[control, place] : laidOutPlaces_) {
    QRect fitted = place;
    if (control == lowerPanel)
      fitted.translate(0, taller);
    if (control == upperPanel || control == lowerPanel || control == Columns ||
        control == commandList)
      fitted.setWidth(place.width() + wider);
    if (control == upperPanel || control == categoryList || control == commandList)
      fitted.setHeight(place.height() + taller);
    control->setGeometry(fitted);
  }
  FollowSideways(commandList->horizontalScrollBar()->value());
}

void CommandBrowser::FollowSideways(int offset) {
  for (const auto &[control, place] : laidOutPlaces_)
    if (control->parentWidget() == Columns)
      control->move(place.left() - offset, place.top());
}

void CommandBrowser::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  Guarded([this] { FormShow(); });
}

void CommandBrowser::FormShow() {
  catalog_ = std::make_unique<CommandCatalog>();
  catalog_->Load(exeFileName_);
  if (catalog_->LoadError()) {
    // The window opens all the same, empty and untranslated; only closing it does anything.
    SetDesignedCaptions();
    dialogs_.ShowError(this, dialogs_.Say(*catalog_->LoadError()));
    return;
  }
  FillCategories();
  {
    const QSignalBlocker quiet(categoryList);
    categoryList->setCurrentRow(0);
  }
  CategoryListClick();
  TranslateCaptions();
}

void CommandBrowser::FillCategories() {
  QStringList captions;
  for (const CommandCategory &category : catalog_->Categories())
    captions << Caption(category.Caption);
  const QSignalBlocker quiet(categoryList);
  categoryList->clear();
  categoryList->addItems(captions);
}

// The filter is applied as the category is read: for a category of the command list that
// is the filter step itself, and a user-command category ignores the filter.
void CommandBrowser::CategoryListClick() {
  const int category = categoryList->currentRow();
  if (!catalog_ || category < 0)
    return;
  FillRows(catalog_->Rows(static_cast<size_t>(category), ui::FromDisplay(filterEdit->text())));
}

void CommandBrowser::FilterEditChange() {
  const int category = categoryList->currentRow();
  if (!catalog_ || category < 0)
    return;
  const auto position = static_cast<size_t>(category);
  if (catalog_->Categories().at(position).Kind == CategoryKind::UserCommands)
    return;
  FillRows(catalog_->Rows(position, ui::FromDisplay(filterEdit->text())));
}

void CommandBrowser::FillRows(std::vector<CommandRow> rows) {
  QStringList lines;
  lines.reserve(static_cast<qsizetype>(rows.size()));
  const QFontMetrics metrics = commandList->fontMetrics();
  rowWidth_ = 0;
  for (const CommandRow &row : rows) {
    lines << Caption(row.Line);
    rowWidth_ = std::max(rowWidth_, DrawnWidth(row, metrics));
  }
  rows_ = std::move(rows);
  commandList->clear();
  commandList->addItems(lines);
  // A filter that leaves a single command has found it: Return takes it.
  const auto commands = std::count_if(rows_.begin(), rows_.end(), [](const CommandRow &row) {
    return row.Kind != RowKind::Header;
  });
  if (commands == 1 && !filterEdit->text().isEmpty())
    SelectCommandFrom(0);
}

bool CommandBrowser::SelectCommandFrom(int row) {
  for (int i = std::max(row, 0); i < static_cast<int>(rows_.size()); ++i)
    if (rows_[static_cast<size_t>(i)].Kind != RowKind::Header) {
      commandList->setCurrentRow(i);
      return true;
    }
  return false;
}

bool CommandBrowser::eventFilter(QObject *watched, QEvent *event) {
  if (watched == filterEdit && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent *>(event)->keyCombination() == QKeyCombination(Qt::Key_Down)) {
    if (SelectedRow() < 0)
      SelectCommandFrom(0);
    commandList->setFocus(Qt::TabFocusReason);
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

// How far the drawing of a row reaches to the right (see CommandListDrawItem), with a
// little room after its last letter.
int CommandBrowser::DrawnWidth(const CommandRow &row, const QFontMetrics &metrics) const {
  int right = ui::Px(NumberEndX);
  if (row.Kind == RowKind::Header)
    right = std::max(right, ui::Px(NameX) + metrics.horizontalAdvance(HeaderRule));
  right = std::max(right, ui::Px(NameX) + metrics.horizontalAdvance(Caption(row.Name)));
  if (!row.Description.empty())
    right =
        std::max(right, ui::Px(DescriptionX) + metrics.horizontalAdvance(Caption(row.Description)));
  return right + ui::Px(4);
}

int CommandBrowser::SelectedRow() const {
  const QList<QListWidgetItem *> selected = commandList->selectedItems();
  return selected.isEmpty() ? -1 : commandList->row(selected.front());
}

int CommandBrowser::ChosenRow() const {
  const int selected = SelectedRow();
  return selected >= 0 ? selected : commandList->currentRow();
}

void CommandBrowser::CommandListDrawItem(QPainter &canvas, int index, const QRect &rect) {
  if (categoryList->currentRow() < 0 || index < 0 || static_cast<size_t>(index) >= rows_.size())
    return;
  canvas.fillRect(rect, canvas.brush());
  canvas.setBackgroundMode(Qt::OpaqueMode);
  canvas.setBackground(canvas.brush());
  const QFontMetrics metrics = canvas.fontMetrics();
  const int baseline = rect.top() + metrics.ascent();
  auto write = [&](int x, const QString &text) {
    if (!text.isEmpty())
      canvas.drawText(QPoint(rect.left() + x, baseline), text);
  };
  const CommandRow &row = rows_[static_cast<size_t>(index)];
  if (row.Kind == RowKind::Header)
    write(ui::Px(NameX), QString::fromLatin1(HeaderRule));
  write(ui::Px(NameX), Caption(row.Name));
  const QString number = Caption(row.Number);
  write(ui::Px(NumberEndX) - metrics.horizontalAdvance(number), number);
  write(ui::Px(DescriptionX), Caption(row.Description));
}

void CommandBrowser::CommandListDblClick() {
  const int row = ChosenRow();
  if (!catalog_ || categoryList->currentRow() < 0 || row < 0)
    return;
  const auto choice = catalog_->Choose(rows_[static_cast<size_t>(row)]);
  if (!choice)
    return;
  emit CommandChosen(*choice);
  close();
}

void CommandBrowser::OKButtonClick() {
  CommandListDblClick();
}

void CommandBrowser::CancelButtonClick() {
  close();
}

void CommandBrowser::done(int result) {
  Guarded([this] { FormClose(); });
  QDialog::done(result);
}

void CommandBrowser::FormClose() {
  // The change step runs once more on the emptied filter while the lists still exist.
  filterEdit->clear();
  {
    const QSignalBlocker quiet(categoryList);
    categoryList->clear();
  }
  commandList->clear();
  rows_.clear();
  catalog_.reset();
}
