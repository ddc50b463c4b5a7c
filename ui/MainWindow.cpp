// Unit FrmMain (TBarMain): the main window's construction, start-up, settings and translation.
#include "ui/MainWindow.h"

#include "document/FileNames.h"
#include "document/Settings.h"
#include "icons/IconLibrary.h"
#include "platform/CodePage.h"
#include "platform/HostFiles.h"
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

TBarMain::TBarMain(std::string exeFileName, const QStringList &arguments, ui::TDialogs &dialogs,
                   QWidget *parent)
    : QWidget(parent), exeFileName_(std::move(exeFileName)), arguments_(arguments),
      dialogs_(dialogs) {
  CreateComponents();
  RunGuarded([this] { FormCreate(); });
}

TBarMain::~TBarMain() {
  // The bar's icons and the picker's icons go with their owners; the program icons
  // and the menu lines likewise.
  pickerIcons_.clear();
  // The dialogs may outlive the window whose language they speak.
  dialogs_.SetTranslator(nullptr);
}

void TBarMain::CreateComponents() {
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

  Buttonbar =
      Place(new QLabel(QStringLiteral("&Button bar:"), this), "Buttonbar", QRect(11, 3, 546, 13));
  Label1 = Place(new QFrame(this), "Label1", QRect(0, 82, 585, 2));
  Label1->setAutoFillBackground(true);
  Label1->setBackgroundRole(QPalette::WindowText);
  id_btn_bar =
      Place(new TOwnerDrawList(14, ui::Px(36), this), "id_btn_bar", QRect(90, 23, 493, 56));
  Buttonbar->setBuddy(id_btn_bar);
  // Its caption ends in the bar's path, which may be longer than any window.
  ui::KeepDesignedWidth(Buttonbar);
  id_btn_barfilesearch = Place(new QPushButton(QStringLiteral(">>"), this), "id_btn_barfilesearch",
                               QRect(566, 0, 20, 21));
  id_btn_add =
      Place(new QPushButton(QStringLiteral("&Add"), this), "id_btn_add", QRect(9, 24, 77, 23));
  id_btn_delete = Place(new QPushButton(QStringLiteral("&Delete"), this), "id_btn_delete",
                        QRect(9, 51, 77, 23));
  Frame11 = Place(new TFrame1(this), "Frame11", QRect(0, 88, 593, 193));
  btnAbout =
      Place(new QPushButton(QStringLiteral("About"), this), "btnAbout", QRect(499, 255, 76, 20));
  chktop = Place(new QCheckBox(this), "chktop", QRect(558, 87, 26, 100));
  ui::SetWrappedCaption(chktop, QStringLiteral("On top"));
  btnDefLib =
      Place(new QPushButton(QStringLiteral("DIL"), this), "btnDefLib", QRect(414, 170, 24, 21));
  tmr1 = new QTimer(this);
  tmr1->setObjectName(QStringLiteral("tmr1"));
  tmr1->setInterval(300);
  tmr1->setSingleShot(true);
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
  connect(chktop, &QCheckBox::clicked, this, [this] { RunGuarded([this] { chktopClick(); }); });
  connect(btnAbout, &QPushButton::clicked, this,
          [this] { RunGuarded([this] { btnAboutClick(); }); });
  connect(tmr1, &QTimer::timeout, this, [this] { RunGuarded([this] { tmr1Timer(); }); });
  ui::Layout(this);
  if (const QScreen *screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

void TBarMain::CreateCacheControls() {
  using ui::Place;
  chkcache =
      Place(new QCheckBox(QStringLiteral("Cache"), this), "chkcache", QRect(392, 200, 106, 14));
  chkcache->setEnabled(false);
  Panel1 = Place(new QWidget(this), "Panel1", QRect(392, 216, 106, 35));
  Panel1->setEnabled(false);
  RadioButton1 = Place(new QRadioButton(QStringLiteral("Links to icl"), Panel1), "RadioButton1",
                       QRect(0, 3, 105, 14));
  RadioButton2 = Place(new QRadioButton(QStringLiteral("With TCMenu"), Panel1), "RadioButton2",
                       QRect(0, 19, 105, 14));
  // The platform runs these handlers whenever the state changes, also when the program
  // sets it.
  connect(chkcache, &QCheckBox::toggled, this, [this] { RunGuarded([this] { chkcacheClick(); }); });
  connect(RadioButton1, &QRadioButton::toggled, this,
          [this] { RunGuarded([this] { RadioButton1Click(); }); });
  connect(RadioButton2, &QRadioButton::toggled, this,
          [this] { RunGuarded([this] { RadioButton2Click(); }); });
}

void TBarMain::CreateMenus() {
  pm1 = new QMenu(this);
  pm1->setObjectName(QStringLiteral("pm1"));
  Copy1 = pm1->addAction(QStringLiteral("Copy"));
  Copy1->setObjectName(QStringLiteral("Copy1"));
  paste1 = pm1->addAction(QStringLiteral("Paste"));
  paste1->setObjectName(QStringLiteral("paste1"));
  N1 = pm1->addSeparator();
  N1->setObjectName(QStringLiteral("N1"));
  Duble1 = pm1->addAction(QStringLiteral("Clone"));
  Duble1->setObjectName(QStringLiteral("Duble1"));
  pmPRM = new QMenu(this);
  pmPRM->setObjectName(QStringLiteral("pmPRM"));
  pmPAth = new QMenu(this);
  pmPAth->setObjectName(QStringLiteral("pmPAth"));
}

void TBarMain::SetTabOrder() {
  // The window's own controls, then the editor's, then the default icon library beside
  // the Icon file field. Chained one after another, the order closes into a ring: Tab
  // after the last comes back to the bar list.
  std::vector<QWidget *> order = {id_btn_bar, btnAbout,      id_btn_barfilesearch,
                                  id_btn_add, id_btn_delete, chktop,
                                  chkcache,   RadioButton1,  RadioButton2};
  for (QWidget *control : Frame11->TabOrder())
    order.push_back(control);
  order.push_back(btnDefLib);
  for (size_t i = 0; i + 1 < order.size(); ++i)
    setTabOrder(order[i], order[i + 1]);
}

void TBarMain::CreateShortcuts() {
  // Outside a dialog Qt has no default and cancel buttons: Return and Enter press OK
  // (or the push button that has the focus), Escape presses Cancel.
  auto pressDefault = [this] {
    auto *focused = qobject_cast<QPushButton *>(focusWidget());
    if (focused && focused != Frame11->Ok) {
      focused->click();
      return;
    }
    // Taking the focus first commits the field being edited, as a click on OK does.
    Frame11->Ok->setFocus(Qt::OtherFocusReason);
    Frame11->Ok->click();
  };
  for (int key : {Qt::Key_Return, Qt::Key_Enter})
    connect(new QShortcut(QKeySequence(key), this), &QShortcut::activated, this, pressDefault);
  connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
          [this] { Frame11->Cancel->click(); });
}

void TBarMain::FillMenu(QMenu *menu, const std::vector<std::string> &lines,
                        void (TBarMain::*handler)(QAction *)) {
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

void TBarMain::FormCreate() {
  PathLines.clear();
  ParamLines.clear();
  const std::string icl = ExtractFilePath(exeFileName_) + "corvane.icl";
  if (platform::FileExists(icl)) {
    ProgramIcons = std::make_unique<icons::TIconLibrary>();
    ProgramIcons->LoadFromFile(icl);
  }
  ParamLines = ParamMenuLines(exeFileName_);
  FillMenu(pmPRM, ParamLines, &TBarMain::ParamItemClick);
  PathLines = PathMenuLines(exeFileName_);
  FillMenu(pmPAth, PathLines, &TBarMain::PathItemClick);
}

std::string TBarMain::Translate(const std::string &key) const {
  return ::Translate(TranslationTable, key);
}

Translator TBarMain::TranslateFunction() const {
  return [this](const std::string &key) { return Translate(key); };
}

void TBarMain::AttachCommandBrowser(TForm2 &browser) {
  Form2 = &browser;
  connect(&browser, &TForm2::CommandChosen, this,
          [this](const CommandChoice &choice) { RunGuarded([&] { Form2CommandChosen(choice); }); });
}

void TBarMain::showEvent(QShowEvent *event) {
  QWidget::showEvent(event);
  if (!bar_)
    RunGuarded([this] { FormShow(); });
}

void TBarMain::changeEvent(QEvent *event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ActivationChange)
    RunGuarded([this] { isActiveWindow() ? FormActivate() : FormDeactivate(); });
}

void TBarMain::FormShow() {
  if (bar_)
    return;
  std::string arg = arguments_.isEmpty() ? std::string() : arguments_.first().toStdString();
  // A host path on the command line is named the way the core names files; any other
  // name is the core's text for what was typed.
  arg = (!arg.empty() && arg[0] == '/') ? platform::WindowsName(arg) : platform::Utf8ToText(arg);
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
    Buttonbar->setText(ui::ToDisplay("Button Bar: " + arg));
    CurrentFileName = arg;
    id_btn_bar->SetCount(bar_->Count());
  } else {
    bar_ = ButtonsList::Create(std::string(), exeFileName_);
    history_.Attach(*bar_);
    bar_->CacheMode = defaultCache;
    CurrentFileName.clear();
    id_btn_addClick();
  }
  id_btn_bar->SetItemIndex(0);
  id_btn_barClick();
  // The keys first move through the buttons: the list has the focus when the window opens.
  id_btn_bar->setFocus(Qt::OtherFocusReason);
  SetCacheControlsAtStart(arg);
  // A new bar's first button is no edit to take back.
  history_.Attach(*bar_);
  if (TranslatesBarCaption(TranslationTable))
    TranslateCaptions(arg);
  RenewDoctor();
}

void TBarMain::SetCacheControlsAtStart(const std::string &arg) {
  if (!platform::FileExists(ChangeFileExt(arg, ".icl")))
    chkcache->setEnabled(true);
  chkcache->setChecked(bar_->CacheMode > 0);
  Panel1->setEnabled(bar_->CacheMode > 0 && chkcache->isEnabled());
  if (bar_->CacheMode == 1)
    RadioButton1->setChecked(true);
  if (bar_->CacheMode == 2)
    RadioButton2->setChecked(true);
}

void TBarMain::SelectLanguage() {
  LanguageChoice language = ::SelectLanguage(exeFileName_);
  LanguageFileName = std::move(language.FileName);
  TranslationTable = std::move(language.Table);
  dialogs_.SetTranslator(TranslateFunction());
}

void TBarMain::TranslateCaptions(const std::string &barPath) {
  auto tr = [this](const char *key) { return ui::ToDisplay(Translate(key)); };
  Buttonbar->setText(ui::ToDisplay(Translate("5065") + " " + barPath));
  id_btn_add->setText(tr("5067"));
  id_btn_delete->setText(tr("5068"));
  Frame11->Command->setText(tr("5069"));
  Frame11->Parameters->setText(tr("5070"));
  Frame11->Startpath->setText(tr("5071"));
  Frame11->Iconfile->setText(tr("5072"));
  Frame11->Icon->setText(tr("5073"));
  Frame11->Tooltip->setText(tr("5074"));
  Frame11->d_btn_assymbol->setText(tr("5076"));
  Frame11->id_btn_maximized->setText(tr("5077"));
  Frame11->id_btn_Normal->setText(tr("Default"));
  chkcache->setText(tr("Cache"));
  // The key's own text breaks into "On", "t" and "op": a language file without a text of
  // its own for it shows the caption the key stands for.
  const std::string onTop = Translate("On  t op");
  ui::SetWrappedCaption(chktop,
                        onTop == "On  t op" ? QStringLiteral("On top") : ui::ToDisplay(onTop));
  RadioButton1->setText(tr("Links To Icl"));
  RadioButton2->setText(tr("With TCMenu"));
  Copy1->setText(tr("Copy"));
  paste1->setText(tr("Paste"));
  Duble1->setText(tr("Clone"));
  Frame11->Ok->setText(tr("Ok"));
  Frame11->Cancel->setText(tr("Cancel"));
  btnAbout->setText(tr("About"));
  btnDefLib->setText(tr("DIL"));
  Frame11->btnPrmList->setText(tr("P"));
  ui::Layout(this);
}

void TBarMain::FormActivate() {
  Frame11->update();
}

void TBarMain::FormDeactivate() {
  Frame11->update();
}

void TBarMain::chktopClick() {
  setWindowFlag(Qt::WindowStaysOnTopHint, chktop->isChecked());
  // Changing the flags hides the window; the platform keeps it on screen.
  show();
}

void TBarMain::btnAboutClick() {
  if (Form3)
    dialogs_.ShowModal(Form3);
}

void TBarMain::tmr1Timer() {
  pmPAth->popup(QCursor::pos());
  tmr1->stop();
}

void TBarMain::chkcacheClick() {
  if (chkcache->isChecked()) {
    Panel1->setEnabled(true);
    if (bar_ && bar_->CacheMode == CacheOff) {
      SetCacheMode(CacheAlternative);
      RadioButton2->setChecked(true);
    }
    return;
  }
  Panel1->setEnabled(false);
  SetCacheMode(CacheOff);
  // An exclusive pair refuses to have no choice; it is lifted for the moment.
  for (QRadioButton *choice : {RadioButton1, RadioButton2}) {
    choice->setAutoExclusive(false);
    choice->setChecked(false);
    choice->setAutoExclusive(true);
  }
}

void TBarMain::RadioButton1Click() {
  if (RadioButton1->isChecked())
    SetCacheMode(CacheLinks);
}

void TBarMain::RadioButton2Click() {
  if (RadioButton2->isChecked())
    SetCacheMode(CacheAlternative);
}
