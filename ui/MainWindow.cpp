// Unit FrmMain, TBarMain (MainWindow): the main window's construction, start-up, settings and
// translation.
#include "ui/MainWindow.h"

#include "document/FileNames.h"
#include "document/Settings.h"
#include "icons/IconLibrary.h"
#include "platform/CodePage.h"
#include "platform/HostFiles.h"
#include "platform/Process.h"
#include "ui/AboutWindow.h"
#include "ui/ButtonEditor.h"
#include "ui/CommandBrowser.h"
#include "ui/FieldEdit.h"
#include "ui/IconPaint.h"
#include "ui/OwnerDrawList.h"
#include "ui/Scale.h"
#include "ui/TextCodec.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>

namespace {

const QKeyCombination BrowserKey(Qt::CTRL, Qt::Key_B);

} // namespace

MainWindow::MainWindow(std::string exeFileName, const QStringList &arguments, ui::TDialogs &dialogs,
                       QWidget *parent)
    : QWidget(parent), exeFileName_(std::move(exeFileName)), arguments_(arguments),
      dialogs_(dialogs) {
  CreateComponents();
  RunGuarded([this] { FormCreate(); });
}

MainWindow::~MainWindow() {
  // The bar's icons and the picker's icons go with their owners; the program icons
  // and the menu lines likewise.
  pickerIcons_.clear();
  // The dialogs may outlive the window whose language they speak.
  dialogs_.SetTranslator(nullptr);
}

void MainWindow::CreateComponents() {
  using ui::Place;
  setObjectName(QStringLiteral("BarMain"));
  setWindowTitle(QStringLiteral("Corvane"));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFont(ui::DesignFont());
  ui::SetDesignedSize(this, QSize(589, 281));
  // The bar's icons and the picker's are taken at the size they are drawn at.
  platform::SetDisplayIconSize(ui::LargeIconPixels());

  barCaption =
      Place(new QLabel(QStringLiteral("&Button bar:"), this), "Buttonbar", QRect(11, 3, 546, 13));
  barRule = Place(new QFrame(this), "Label1", QRect(0, 82, 585, 2));
  barRule->setAutoFillBackground(true);
  barRule->setBackgroundRole(QPalette::WindowText);
  barList = Place(new TOwnerDrawList(14, ui::Px(36), this), "id_btn_bar", QRect(90, 23, 493, 56));
  barCaption->setBuddy(barList);
  // Its caption ends in the bar's path, which may be longer than any window.
  ui::KeepDesignedWidth(barCaption);
  openBarButton = Place(new QPushButton(QStringLiteral(">>"), this), "id_btn_barfilesearch",
                        QRect(566, 0, 20, 21));
  addButton =
      Place(new QPushButton(QStringLiteral("&Add"), this), "id_btn_add", QRect(9, 24, 77, 23));
  deleteButton = Place(new QPushButton(QStringLiteral("&Delete"), this), "id_btn_delete",
                       QRect(9, 51, 77, 23));
  editor = Place(new ButtonEditor(this), "Frame11", QRect(0, 88, 593, 193));
  aboutButton =
      Place(new QPushButton(QStringLiteral("About"), this), "btnAbout", QRect(499, 255, 76, 20));
  onTopBox = Place(new QCheckBox(this), "chktop", QRect(558, 87, 26, 100));
  ui::SetWrappedCaption(onTopBox, QStringLiteral("On top"));
  defaultLibraryButton =
      Place(new QPushButton(QStringLiteral("DIL"), this), "btnDefLib", QRect(414, 170, 24, 21));
  pathMenuTimer = new QTimer(this);
  pathMenuTimer->setObjectName(QStringLiteral("tmr1"));
  pathMenuTimer->setInterval(300);
  pathMenuTimer->setSingleShot(true);
  CreateCacheControls();
  CreateMenus();
  CreateUndo();
  CreateDoctorItems();
  ConnectBarList();
  ConnectEditor();
  ConnectFiles();
  ConnectClipboard();
  SetTabOrder();
  CreateShortcuts();
  connect(onTopBox, &QCheckBox::clicked, this, [this] { RunGuarded([this] { OnTopClick(); }); });
  connect(aboutButton, &QPushButton::clicked, this,
          [this] { RunGuarded([this] { AboutClick(); }); });
  connect(pathMenuTimer, &QTimer::timeout, this,
          [this] { RunGuarded([this] { PathMenuTimeout(); }); });
  ui::Layout(this);
  if (const QScreen *screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

void MainWindow::CreateCacheControls() {
  using ui::Place;
  cacheBox =
      Place(new QCheckBox(QStringLiteral("Cache"), this), "chkcache", QRect(392, 200, 106, 14));
  cacheBox->setEnabled(false);
  cacheModePanel = Place(new QWidget(this), "Panel1", QRect(392, 216, 106, 35));
  cacheModePanel->setEnabled(false);
  cacheLinksRadio = Place(new QRadioButton(QStringLiteral("Links to icl"), cacheModePanel),
                          "RadioButton1", QRect(0, 3, 105, 14));
  cacheTcMenuRadio = Place(new QRadioButton(QStringLiteral("With TCMenu"), cacheModePanel),
                           "RadioButton2", QRect(0, 19, 105, 14));
  // The platform runs these handlers whenever the state changes, also when the program
  // sets it.
  connect(cacheBox, &QCheckBox::toggled, this, [this] { RunGuarded([this] { CacheClick(); }); });
  connect(cacheLinksRadio, &QRadioButton::toggled, this,
          [this] { RunGuarded([this] { CacheLinksClick(); }); });
  connect(cacheTcMenuRadio, &QRadioButton::toggled, this,
          [this] { RunGuarded([this] { CacheTcMenuClick(); }); });
}

void MainWindow::CreateMenus() {
  barMenu = new QMenu(this);
  barMenu->setObjectName(QStringLiteral("pm1"));
  copyAction = barMenu->addAction(QStringLiteral("Copy"));
  copyAction->setObjectName(QStringLiteral("Copy1"));
  pasteAction = barMenu->addAction(QStringLiteral("Paste"));
  pasteAction->setObjectName(QStringLiteral("paste1"));
  menuSeparator = barMenu->addSeparator();
  menuSeparator->setObjectName(QStringLiteral("N1"));
  cloneAction = barMenu->addAction(QStringLiteral("Clone"));
  cloneAction->setObjectName(QStringLiteral("Duble1"));
  paramMenu = new QMenu(this);
  paramMenu->setObjectName(QStringLiteral("pmPRM"));
  pathMenu = new QMenu(this);
  pathMenu->setObjectName(QStringLiteral("pmPAth"));
}

void MainWindow::SetTabOrder() {
  // As the window is read: the bar list and its buttons, the editor's fields with the
  // default icon library beside Icon file, On top and the cache after the run mode, then
  // OK, Cancel, About and the bar's ">>". Every control that takes the focus is here, so
  // Tab after the last comes back to the bar list.
  std::vector<QWidget *> order = {barList, addButton, deleteButton};
  for (QWidget *control : editor->TabOrder()) {
    if (control == editor->Ok)
      order.insert(order.end(), {onTopBox, cacheBox, cacheLinksRadio, cacheTcMenuRadio});
    order.push_back(control);
    if (control == editor->chooseIconFileButton)
      order.push_back(defaultLibraryButton);
  }
  order.insert(order.end(), {aboutButton, openBarButton});
  for (size_t i = 0; i + 1 < order.size(); ++i)
    setTabOrder(order[i], order[i + 1]);
}

void MainWindow::CreateShortcuts() {
  // Outside a dialog Qt has no default and cancel buttons: Return and Enter press OK
  // (or the push button that has the focus), Escape presses Cancel.
  auto pressDefault = [this] {
    auto *focused = qobject_cast<QPushButton *>(focusWidget());
    if (focused && focused != editor->Ok) {
      focused->click();
      return;
    }
    // Taking the focus first commits the field being edited, as a click on OK does.
    editor->Ok->setFocus(Qt::OtherFocusReason);
    editor->Ok->click();
  };
  for (int key : {Qt::Key_Return, Qt::Key_Enter})
    connect(new QShortcut(QKeySequence(key), this), &QShortcut::activated, this, pressDefault);
  connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
          [this] { editor->Cancel->click(); });
  // The command browser's button has no caption to carry a mnemonic; its key is named in
  // its tooltip. A disabled button (no button selected) opens nothing.
  connect(new QShortcut(BrowserKey, this), &QShortcut::activated, this, [this] {
    if (editor->browseCommandsButton->isEnabled())
      editor->browseCommandsButton->click();
  });
}

void MainWindow::FillMenu(QMenu *menu, const std::vector<std::string> &lines,
                          void (MainWindow::*handler)(QAction *)) {
  for (const std::string &line : lines) {
    if (line == "-") {
      menu->addSeparator();
      continue;
    }
    QAction *item = menu->addAction(ui::ToDisplay(line));
    connect(item, &QAction::triggered, this,
            [this, item, handler] { RunGuarded([&] { (this->*handler)(item); }); });
  }
}

void MainWindow::FormCreate() {
  PathLines.clear();
  ParamLines.clear();
  const std::string icl = ExtractFilePath(exeFileName_) + "corvane.icl";
  if (platform::FileExists(icl)) {
    ProgramIcons = std::make_unique<icons::TIconLibrary>();
    ProgramIcons->LoadFromFile(icl);
  }
  ParamLines = ParamMenuLines(exeFileName_);
  FillMenu(paramMenu, ParamLines, &MainWindow::ParamItemClick);
  PathLines = PathMenuLines(exeFileName_);
  FillMenu(pathMenu, PathLines, &MainWindow::PathItemClick);
}

std::string MainWindow::Translate(const std::string &key) const {
  return ::Translate(TranslationTable, key);
}

Translator MainWindow::TranslateFunction() const {
  return [this](const std::string &key) { return Translate(key); };
}

void MainWindow::AttachCommandBrowser(CommandBrowser &browser) {
  commandBrowser = &browser;
  connect(&browser, &CommandBrowser::CommandChosen, this, [this](const CommandChoice &choice) {
    RunGuarded([&] { BrowserCommandChosen(choice); });
  });
}

void MainWindow::showEvent(QShowEvent *event) {
  QWidget::showEvent(event);
  if (!bar_)
    RunGuarded([this] { FormShow(); });
}

void MainWindow::changeEvent(QEvent *event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ActivationChange)
    RunGuarded([this] { isActiveWindow() ? FormActivate() : FormDeactivate(); });
}

void MainWindow::FormShow() {
  if (bar_)
    return;
  std::string arg = arguments_.isEmpty() ? std::string() : arguments_.first().toStdString();
  // A host path on the command line is named the way the core names files; any other
  // name is the core's text for what was typed.
  arg = platform::IsHostPathArgument(arg) ? platform::WindowsName(arg) : platform::Utf8ToText(arg);
  // The language comes first: opening the bar may ask the user a question.
  SelectLanguage();
  const uint8_t defaultCache = DefaultCacheSetting(exeFileName_);
  if (!arg.empty()) {
    if (arg.find('\\') == std::string::npos)
      arg = platform::GetCurrentDirectoryA() + "\\" + arg;
    try {
      bar_ = LoadBarAsking(arg);
    } catch (const EBarLoadError &error) {
      dialogs_.ShowError(this, dialogs_.Say(error.Message()));
    }
    // A bar that is refused, or not opened after the question about its count, is not
    // bound to its name: saving the new empty bar in its place would destroy it.
    if (bar_)
      history_.Attach(*bar_);
    else
      arg.clear();
  }
  if (bar_) {
    bar_->CacheMode = defaultCache;
    barCaption->setText(ui::ToDisplay("Button Bar: " + arg));
    CurrentFileName = arg;
    barList->SetCount(bar_->Count());
  } else {
    bar_ = ButtonBar::Create(std::string(), exeFileName_);
    history_.Attach(*bar_);
    bar_->CacheMode = defaultCache;
    CurrentFileName.clear();
    AddClick();
  }
  barList->SetItemIndex(0);
  BarListClick();
  // The keys first move through the buttons: the list has the focus when the window opens.
  barList->setFocus(Qt::OtherFocusReason);
  SetCacheControlsAtStart(arg);
  // A new bar's first button is no edit to take back.
  history_.Attach(*bar_);
  if (TranslatesBarCaption(TranslationTable))
    TranslateCaptions(arg);
  // Named in every case: without a language file the key is the English name. The key
  // follows a tab, as in the menus.
  editor->browseCommandsButton->setToolTip(
      ui::ToDisplay(Translate("Command Browser")) + QLatin1Char('\t') +
      QKeySequence(BrowserKey).toString(QKeySequence::NativeText));
  RenewDoctor();
}

void MainWindow::SetCacheControlsAtStart(const std::string &arg) {
  if (!platform::FileExists(ChangeFileExt(arg, ".icl")))
    cacheBox->setEnabled(true);
  cacheBox->setChecked(bar_->CacheMode > 0);
  cacheModePanel->setEnabled(bar_->CacheMode > 0 && cacheBox->isEnabled());
  if (bar_->CacheMode == 1)
    cacheLinksRadio->setChecked(true);
  if (bar_->CacheMode == 2)
    cacheTcMenuRadio->setChecked(true);
}

void MainWindow::SelectLanguage() {
  LanguageChoice language = ::SelectLanguage(exeFileName_);
  LanguageFileName = std::move(language.FileName);
  TranslationTable = std::move(language.Table);
  dialogs_.SetTranslator(TranslateFunction());
}

void MainWindow::TranslateCaptions(const std::string &barPath) {
  auto tr = [this](const char *key) { return ui::ToDisplay(Translate(key)); };
  barCaption->setText(ui::ToDisplay(Translate("5065") + " " + barPath));
  addButton->setText(tr("5067"));
  deleteButton->setText(tr("5068"));
  editor->Command->setText(tr("5069"));
  editor->Parameters->setText(tr("5070"));
  editor->Startpath->setText(tr("5071"));
  editor->Iconfile->setText(tr("5072"));
  editor->Icon->setText(tr("5073"));
  editor->Tooltip->setText(tr("5074"));
  editor->runMinimized->setText(tr("5076"));
  editor->runMaximized->setText(tr("5077"));
  editor->runNormal->setText(tr("Default"));
  cacheBox->setText(tr("Cache"));
  // The key's own text breaks into "On", "t" and "op": a language file without a text of
  // its own for it shows the caption the key stands for.
  const std::string onTop = Translate("On  t op");
  ui::SetWrappedCaption(onTopBox,
                        onTop == "On  t op" ? QStringLiteral("On top") : ui::ToDisplay(onTop));
  cacheLinksRadio->setText(tr("Links To Icl"));
  cacheTcMenuRadio->setText(tr("With TCMenu"));
  copyAction->setText(tr("Copy"));
  pasteAction->setText(tr("Paste"));
  cloneAction->setText(tr("Clone"));
  editor->Ok->setText(tr("Ok"));
  editor->Cancel->setText(tr("Cancel"));
  aboutButton->setText(tr("About"));
  defaultLibraryButton->setText(tr("DIL"));
  editor->paramMenuButton->setText(tr("P"));
  ui::Layout(this);
}

void MainWindow::FormActivate() {
  editor->update();
}

void MainWindow::FormDeactivate() {
  editor->update();
}

void MainWindow::OnTopClick() {
  setWindowFlag(Qt::WindowStaysOnTopHint, onTopBox->isChecked());
  // Changing the flags hides the window; the platform keeps it on screen.
  show();
}

void MainWindow::AboutClick() {
  if (aboutWindow)
    dialogs_.ShowModal(aboutWindow);
}

void MainWindow::PathMenuTimeout() {
  pathMenu->popup(QCursor::pos());
  pathMenuTimer->stop();
}

void MainWindow::CacheClick() {
  if (cacheBox->isChecked()) {
    cacheModePanel->setEnabled(true);
    if (bar_ && bar_->CacheMode == CacheOff) {
      SetCacheMode(CacheWithTcMenu);
      cacheTcMenuRadio->setChecked(true);
    }
    return;
  }
  cacheModePanel->setEnabled(false);
  SetCacheMode(CacheOff);
  // An exclusive pair refuses to have no choice; it is lifted for the moment.
  for (QRadioButton *choice : {cacheLinksRadio, cacheTcMenuRadio}) {
    choice->setAutoExclusive(false);
    choice->setChecked(false);
    choice->setAutoExclusive(true);
  }
}

void MainWindow::CacheLinksClick() {
  if (cacheLinksRadio->isChecked())
    SetCacheMode(CacheLinks);
}

void MainWindow::CacheTcMenuClick() {
  if (cacheTcMenuRadio->isChecked())
    SetCacheMode(CacheWithTcMenu);
}
