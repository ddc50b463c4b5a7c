// Figures of the editor on generated files, and pictures of its windows for review.
// The medians are printed; the bounds checked are generous, for slow (sanitizer) builds.
// CORVANE_SCREENSHOT_DIR names the folder for the pictures (default: the current one).
#include "UiHarness.h"

#include "fixtures/LargeModules.h"
#include "fixtures/PeBuilder.h"
#include "ui/ButtonEditor.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>

using namespace uitest;

namespace {

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

std::vector<TButtonSpec> IconButtons(int count, const std::string &icons, int iconCount) {
  std::vector<TButtonSpec> buttons;
  for (int i = 0; i < count; ++i)
    buttons.push_back({icons + "," + std::to_string(i % iconCount), "cm_" + std::to_string(i), "",
                       "", "Button " + std::to_string(i), ""});
  return buttons;
}

QString ShotFile(const char *name) {
  const QString dir = qEnvironmentVariable("CORVANE_SCREENSHOT_DIR", QStringLiteral("."));
  return dir + "/" + name;
}

} // namespace

class TestFigures : public QObject {
  Q_OBJECT
private slots:
  void startupToFirstPaintWithHundredButtons();
  void fillIconListOfThreeHundredIcons();
  void firstRowOfTheIconsOfASystemDll();
  void scrollingALongBarDrawsTheLoadedIcons();
  void screenshotsOfTheWindows();
};

void TestFigures::startupToFirstPaintWithHundredButtons() {
  TEditor e;
  WriteText(e.file("icons.dll"), fixtures::BuildIconModule(20));
  WriteBar(e.file("t.bar"), IconButtons(100, WinName(e.file("icons.dll")), 20));
  std::vector<double> times;
  for (int run = 0; run < 5; ++run) {
    QElapsedTimer clock;
    clock.start();
    MainWindow &w = e.Start({QString::fromStdString(e.file("t.bar").string())});
    w.repaint();
    times.push_back(double(clock.nsecsElapsed()) / 1e6);
    QCOMPARE(e.Bar().Count(), 100);
    e.Stop();
  }
  qInfo("start-up to the first painted window, 100 buttons: median %.1f ms", Median(times));
  QVERIFY(Median(times) < 4000);
}

void TestFigures::fillIconListOfThreeHundredIcons() {
  TEditor e;
  WriteText(e.file("many.dll"), fixtures::BuildIconModule(300));
  MainWindow &w = e.StartWithBar({{WinName(e.file("many.dll")) + ",0", "cm_A", "", "", "", ""}});
  std::vector<double> times;
  for (int run = 0; run < 7; ++run) {
    QElapsedTimer clock;
    clock.start();
    w.FillIconList(0);
    times.push_back(double(clock.nsecsElapsed()) / 1e6);
  }
  QCOMPARE(w.editor->iconList->Count(), 300);
  // The picker shows its first eight icons, the last one once scrolled there.
  QVERIFY(w.PickerIcon(0));
  QVERIFY(w.PickerIcon(299));
  std::vector<double> paints;
  for (int run = 0; run < 7; ++run) {
    w.FillIconList(0);
    QElapsedTimer clock;
    clock.start();
    w.editor->iconList->viewport()->repaint();
    paints.push_back(double(clock.nsecsElapsed()) / 1e6);
  }
  qInfo("FillIconList of a 300-icon module: median %.1f ms; its first painting %.1f ms",
        Median(times), Median(paints));
  QVERIFY(Median(times) < 2000);
}

// Opening a module the size of a system DLL in the picker, from the file not yet read to
// its first row painted.
void TestFigures::firstRowOfTheIconsOfASystemDll() {
  TEditor e;
  MainWindow &w = e.StartWithBar({{WinName(e.file("system.dll")) + ",0", "cm_A", "", "", "", ""}});
  // Written once the bar is open, so that the first run below is the first look at it.
  WriteText(e.file("system.dll"),
            fixtures::PaddedIconModule(fixtures::kSystemDllGroups, fixtures::kSystemDllSize));
  std::vector<double> times;
  for (int run = 0; run < 7; ++run) {
    QElapsedTimer clock;
    clock.start();
    w.FillIconList(0);
    // The first row's icons, taken here too in case the picker is not on screen.
    for (int i = 0; i < 8; ++i)
      QVERIFY(w.PickerIcon(i));
    w.editor->iconList->viewport()->repaint();
    times.push_back(double(clock.nsecsElapsed()) / 1e6);
  }
  QCOMPARE(w.editor->iconList->Count(), fixtures::kSystemDllGroups);
  // The first run reads the module's directory; the others find it parsed already.
  qInfo("the picker's first row of a %d-icon module of %.1f MB: first %.1f ms, median %.1f ms",
        fixtures::kSystemDllGroups * 10, double(fs::file_size(e.file("system.dll"))) / 1e6,
        times[0], Median(times));
  QVERIFY(Median(times) < 4000);
}

void TestFigures::scrollingALongBarDrawsTheLoadedIcons() {
  TEditor e;
  WriteText(e.file("solid.ico"), SolidIco(0xFF204080));
  MainWindow &w = e.StartWithBar(IconButtons(1000, WinName(e.file("solid.ico")), 1));
  // With the file gone, only the icons loaded with the bar can still be drawn: a
  // drawing that extracted them again would show the "icon file missing" placeholder.
  fs::remove(e.file("solid.ico"));
  TOwnerDrawList &list = *w.barList;
  QElapsedTimer clock;
  clock.start();
  for (int top = 0; top <= 1000 - 14; top += 7) {
    list.horizontalScrollBar()->setValue(top);
    list.viewport()->repaint();
  }
  qInfo("scrolling a 1000-button bar cell page by half page: %.1f ms", clock.nsecsElapsed() / 1e6);
  list.horizontalScrollBar()->setValue(1000 - 14);
  QCOMPARE(CellColour(list, 999), QRgb(0xFF204080));
  QCOMPARE(CellColour(list, 990), QRgb(0xFF204080));
}

void TestFigures::screenshotsOfTheWindows() {
  TEditor e;
  const fs::path top = fs::path(CORVANE_TEST_DATA).parent_path().parent_path();
  const fs::path example = top / "examples";
  if (!fs::exists(example / "bars" / "tools.bar"))
    QSKIP("the example installation is not beside the tests");
  testsupport::ScopedEnv commander("COMMANDER_PATH", (example / "totalcmd").string().c_str());
  for (const char *name : {"Corvane.ini", "English.lng", "Deutsch.lng", "corvane.icl"})
    fs::copy_file(top / "data" / name, e.bin() / name, fs::copy_options::overwrite_existing);
  const QString bar = QString::fromStdString((example / "bars" / "tools.bar").string());
  // The German window first; the window shows no other setting than the language.
  e.Ini("[main]\r\nLanguage=Deutsch\r\n");
  QVERIFY(e.Start({bar}).grab().save(ShotFile("corvane-main-de.png"), "PNG"));
  fs::copy_file(top / "data" / "Corvane.ini", e.bin() / "Corvane.ini",
                fs::copy_options::overwrite_existing);
  platform::FlushProfileCache();
  MainWindow &w = e.Start({bar});
  QVERIFY(w.grab().save(ShotFile("corvane-main.png"), "PNG"));
  QTest::mouseClick(w.aboutButton, Qt::LeftButton);
  QVERIFY(QTest::qWaitForWindowExposed(e.about.get()));
  QVERIFY(e.about->grab().save(ShotFile("corvane-about.png"), "PNG"));
  qInfo("pictures written to %s", qPrintable(ShotFile("")));
}

QTEST_MAIN(TestFigures)
#include "test_figures.moc"
