// Every window at the scale factors 1, 1.5 and 2, in English and in German: each caption
// fits its control and reads as words, never broken inside one; the bar list and the icon
// picker draw every icon, and the bar list its placeholders, from the image made for the
// size it is drawn at.
// A screen's logical dpi is settled when the application starts, so the suite runs itself
// once for each scale factor, in a child process that sees a screen of 96, 144 or 192
// dpi (QT_FONT_DPI, with Qt's own device-pixel scaling off).
#include "UiHarness.h"

#include "support/TcInstallation.h"
#include "ui/ButtonEditor.h"
#include "ui/CommandBrowser.h"
#include "ui/IconPaint.h"

#include "icons/IconLibrary.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyleOptionButton>
#include <QToolButton>

#include <cstdio>

using namespace uitest;

namespace {

constexpr char ScaleVariable[] = "CORVANE_TEST_SCALE";

fs::path SourceFolder() {
  return fs::path(CORVANE_TEST_DATA).parent_path().parent_path();
}

// A caption, the flags it is drawn with and the room its control leaves it: a label's
// contents, a check box or radio button less its indicator and the gap after it, a push
// button less its frame and margins.
struct TRoom {
  QString caption;
  int flags = 0;
  QSize room;
};

std::optional<TRoom> RoomOf(QWidget *control) {
  if (auto *label = qobject_cast<QLabel *>(control))
    return TRoom{label->text(),
                 (label->buddy() ? Qt::TextShowMnemonic : 0) |
                     (label->wordWrap() ? Qt::TextWordWrap : 0),
                 label->contentsRect().size()};
  QStyleOptionButton option;
  option.initFrom(control);
  auto metric = [&](QStyle::PixelMetric m) {
    return control->style()->pixelMetric(m, &option, control);
  };
  QSize inset(0, 0);
  if (qobject_cast<QCheckBox *>(control))
    inset.rwidth() = metric(QStyle::PM_IndicatorWidth) + metric(QStyle::PM_CheckBoxLabelSpacing);
  else if (qobject_cast<QRadioButton *>(control))
    inset.rwidth() =
        metric(QStyle::PM_ExclusiveIndicatorWidth) + metric(QStyle::PM_RadioButtonLabelSpacing);
  else if (qobject_cast<QPushButton *>(control))
    inset = QSize(metric(QStyle::PM_ButtonMargin), 0) +
            2 * QSize(1, 1) * metric(QStyle::PM_DefaultFrameWidth);
  else
    return std::nullopt;
  return TRoom{static_cast<QAbstractButton *>(control)->text(), Qt::TextShowMnemonic,
               control->size() - inset};
}

// The labels, buttons, fields and lists of the window (not of the windows it owns).
QList<QWidget *> Controls(QWidget *window) {
  QList<QWidget *> controls;
  for (QWidget *widget : window->findChildren<QWidget *>())
    if (widget->window() == window &&
        (qobject_cast<QLabel *>(widget) || qobject_cast<QAbstractButton *>(widget) ||
         qobject_cast<QLineEdit *>(widget) || qobject_cast<QAbstractScrollArea *>(widget)))
      controls << widget;
  return controls;
}

// The words of a caption: what lies between blanks and line breaks; a name's parts end
// at its path separators, where a long name may be broken.
QStringList Words(const QString &caption) {
  static const QRegularExpression breaks(QStringLiteral(R"([\s\x{200B}]+|(?<=[\\/]))"));
  return caption.split(breaks, Qt::SkipEmptyParts);
}

// How far two controls lie over each other: the narrower side of their common part. The
// design lets its stacked radio buttons share a pixel row, which scaling may widen.
int Overlap(QWidget *window, QWidget *a, QWidget *b) {
  auto place = [window](QWidget *control) {
    return QRect(control->mapTo(window, QPoint(0, 0)), control->size());
  };
  const QRect common = place(a).intersected(place(b));
  return std::min(common.width(), common.height());
}

// The controls of the window whose caption needs more room than they have, each with
// what it needs and what it has, those with a word wider than their room (which a
// control that wraps its caption would break inside the word), and those that lie over
// another control. A caption broken into lines needs its widest line and all of its lines.
QStringList Misfits(QWidget *window) {
  QStringList misfits;
  const QList<QWidget *> controls = Controls(window);
  for (QWidget *control : controls) {
    const auto room = RoomOf(control);
    if (!room || room->caption.isEmpty())
      continue;
    const QFontMetrics metrics = control->fontMetrics();
    for (const QString &word : Words(room->caption))
      if (metrics.size(room->flags & ~Qt::TextWordWrap, word).width() > room->room.width())
        misfits << QStringLiteral("%1 breaks the word \"%2\"").arg(control->objectName(), word);
    const QSize needed = room->flags & Qt::TextWordWrap
                             ? metrics
                                   .boundingRect(QRect(0, 0, room->room.width(), 1 << 16),
                                                 room->flags, room->caption)
                                   .size()
                             : metrics.size(room->flags, room->caption);
    if (needed.width() > room->room.width() || needed.height() > room->room.height())
      misfits << QStringLiteral("%1 \"%2\" needs %3 x %4, has %5 x %6")
                     .arg(control->objectName(), room->caption)
                     .arg(needed.width())
                     .arg(needed.height())
                     .arg(room->room.width())
                     .arg(room->room.height());
    for (QWidget *other : controls)
      if (other != control && Overlap(window, control, other) > ui::Px(2))
        misfits << control->objectName() + " lies over " + other->objectName();
  }
  return misfits;
}

enum class TWindow { Main, About, Browser };

// An icon file of a 32 x 32 image and a 64 x 64 one, of different colours.
constexpr uint32_t Colour32 = 0xFFC00000;
constexpr uint32_t Colour64 = 0xFF0000C0;

std::string TwoSizeIco() {
  std::vector<fixtures::IconEntry> entries;
  for (auto [size, colour] : {std::pair{32, Colour32}, std::pair{64, Colour64}}) {
    fixtures::IconEntry entry;
    entry.image = fixtures::SolidDib(size, 32, colour);
    entry.width = static_cast<uint8_t>(size);
    entry.height = static_cast<uint8_t>(size);
    entries.push_back(entry);
  }
  return fixtures::MakeIcoFile(entries);
}

// The colours of a list's first cell at the middle of the large-icon size and just
// beyond its right edge.
std::pair<QRgb, QRgb> IconColours(TOwnerDrawList &list) {
  const QImage image = list.viewport()->grab().toImage();
  const int size = ui::LargeIconSize();
  const QPoint topLeft = list.ItemRect(0).topLeft();
  return {image.pixel(topLeft + QPoint(size / 2, size / 2)) | 0xFF000000u,
          image.pixel(topLeft + QPoint(size + 1, size / 2)) | 0xFF000000u};
}

// The image of the icon whose side is `size`; a null image when the icon has none.
QImage ImageOfSize(const icons::TAdvancedIcon &icon, int size) {
  for (size_t i = 0; i < icon.Images.Count(); ++i) {
    const QImage image = ui::IconToImage(icon.Images.Items(i)->Handle());
    if (image.width() == size)
      return image;
  }
  return QImage();
}

// The largest difference of a colour channel between two images of the same size.
int Difference(const QImage &a, const QImage &b) {
  int most = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      most = std::max({most, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                       std::abs(qBlue(p) - qBlue(q))});
    }
  return most;
}

} // namespace

class TestScales : public QObject {
  Q_OBJECT
private slots:
  void initTestCase();
  void captionsFitTheirControls_data();
  void captionsFitTheirControls();
  void iconsAreDrawnFromTheImageOfTheirSize();
  void placeholdersAreDrawnFromTheImageOfTheirSize();
};

void TestScales::initTestCase() {
  // Without this the suite would quietly run every scale at the screen's own.
  QCOMPARE(ui::ScaleFactor(), qEnvironmentVariable(ScaleVariable).toDouble());
}

void TestScales::captionsFitTheirControls_data() {
  QTest::addColumn<QString>("language");
  QTest::addColumn<TWindow>("window");
  // What the main window's check box of the key "On  t op" reads, line after line.
  QTest::addColumn<QString>("onTop");
  for (auto [language, onTop] : {std::pair{"English", "On top"}, {"Deutsch", "Im Vordergrund"}}) {
    QTest::addRow("%s main window", language) << language << TWindow::Main << onTop;
    QTest::addRow("%s About window", language) << language << TWindow::About << "";
    QTest::addRow("%s command browser", language) << language << TWindow::Browser << "";
  }
  // An older language file, or Total Commander's own, has no text for the key.
  QTest::newRow("language without the key main window") << "Bare" << TWindow::Main << "On top";
}

void TestScales::captionsFitTheirControls() {
  QFETCH(QString, language);
  QFETCH(TWindow, window);
  QFETCH(QString, onTop);
  TEditor e;
  // A Total Commander of one command, so that the browser opens and translates.
  const testsupport::TcInstallation tc(
      e.file("tc"), {.commandList = "[_____Files_____]=1\r\ncm_Copy=3101;Copy files\r\n"});
  const std::string lng = language.toStdString() + ".lng";
  if (language == QLatin1String("Bare"))
    WriteText(e.bin() / lng, "5065=&Button bar:\r\n");
  else
    fs::copy_file(SourceFolder() / "data" / lng, e.bin() / lng);
  e.Ini("[main]\r\nLanguage=" + language.toStdString() + "\r\n");
  MainWindow &main = e.StartWithBar({{"", "cm_Copy", "", "", "Copy", ""}});
  QWidget *shown = &main;
  if (window == TWindow::About) {
    QTest::mouseClick(main.aboutButton, Qt::LeftButton);
    shown = e.about.get();
  } else if (window == TWindow::Browser) {
    QTest::mouseClick(main.editor->browseCommandsButton, Qt::LeftButton);
    shown = e.browser.get();
  }
  QVERIFY(QTest::qWaitForWindowExposed(shown));
  QVERIFY2(e.dialogs.errors.empty(), e.dialogs.errors.empty() ? "" : e.dialogs.errors[0].c_str());
  const QStringList misfits = Misfits(shown);
  QVERIFY2(misfits.isEmpty(), qPrintable(misfits.join(QLatin1String("; "))));
  if (!onTop.isEmpty())
    QCOMPARE(main.onTopBox->text().split(QLatin1Char('\n')).join(QLatin1Char(' ')), onTop);
}

void TestScales::iconsAreDrawnFromTheImageOfTheirSize() {
  TEditor e;
  WriteText(e.file("two.ico"), TwoSizeIco());
  MainWindow &w = e.StartWithBar({{WinName(e.file("two.ico")) + ",0", "cm_Copy", "", "", "", ""}});
  // Drawn 48 pixels large, both images are 16 pixels off; the larger one is shrunk.
  const QRgb expected = ui::ScaleFactor() > 1 ? Colour64 : Colour32;
  for (TOwnerDrawList *list : {w.barList, w.editor->iconList}) {
    const auto [inside, beyond] = IconColours(*list);
    QCOMPARE(inside, QRgb(expected));
    QVERIFY2(beyond != inside, "the icon is drawn larger than the large-icon size");
  }
}

void TestScales::placeholdersAreDrawnFromTheImageOfTheirSize() {
  TEditor e;
  // The placeholders the program ships.
  fs::copy_file(SourceFolder() / "data" / "corvane.icl", e.bin() / "corvane.icl",
                fs::copy_options::overwrite_existing);
  // Placeholder 0: no icon; 1: the program is missing; 2: the icon file is missing. The
  // first button holds the selection.
  MainWindow &w = e.StartWithBar({{"", "cm_First", "", "", "", ""},
                                  {"", "cm_Copy", "", "", "", ""},
                                  {"", WinName(e.file("gone.exe")), "", "", "", ""},
                                  {WinName(e.file("gone.ico")) + ",0", "cm_Copy", "", "", "", ""}});
  icons::TIconLibrary library;
  library.LoadFromFile(WinName(e.bin() / "corvane.icl"));
  TOwnerDrawList &list = *w.barList;
  const QImage cells = list.viewport()->grab().toImage();
  const int size = ui::LargeIconSize();
  for (int n = 0; n < 3; ++n) {
    const QImage made = ImageOfSize(*library.Icons.Objects(n), size);
    QVERIFY2(!made.isNull(), "the program's icon library has no image of the size drawn");
    QImage expected(size, size, QImage::Format_RGB32);
    expected.fill(list.palette().color(QPalette::Base));
    QPainter(&expected).drawImage(0, 0, made);
    // Left of the red corner that marks a button with problems.
    const QRect compared(0, 0, list.ItemRect(0).width() - ui::Px(10), size);
    const QImage drawn = cells.copy(compared.translated(list.ItemRect(n + 1).topLeft()));
    QVERIFY2(Difference(drawn.convertToFormat(QImage::Format_RGB32), expected.copy(compared)) <= 2,
             qPrintable(
                 QStringLiteral("placeholder %1 is not its image of %2 pixels").arg(n).arg(size)));
  }
}

namespace {

// Runs this program once for each scale factor; fails when any run fails.
int RunAtEveryScale(int argc, char *argv[]) {
  QCoreApplication app(argc, argv);
  int failed = 0;
  for (const char *scale : {"1", "1.5", "2"}) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(ScaleVariable), QString::fromLatin1(scale));
    QProcess run;
    run.setProcessEnvironment(environment);
    run.setProcessChannelMode(QProcess::ForwardedChannels);
    std::printf("*** scale factor %s\n", scale);
    std::fflush(stdout);
    run.start(QCoreApplication::applicationFilePath(), app.arguments().mid(1));
    const bool passed =
        run.waitForFinished(-1) && run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0;
    if (!passed) {
      std::printf("*** scale factor %s FAILED\n", scale);
      ++failed;
    }
  }
  return failed;
}

} // namespace

int main(int argc, char *argv[]) {
  const QByteArray scale = qgetenv(ScaleVariable);
  if (scale.isEmpty())
    return RunAtEveryScale(argc, argv);
  qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
  qputenv("QT_FONT_DPI", QByteArray::number(qRound(96 * scale.toDouble())));
  QApplication app(argc, argv);
  TestScales test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_scales.moc"
