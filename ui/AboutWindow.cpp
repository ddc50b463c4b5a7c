// Unit Unit3, TForm3: the About window.
#include "ui/AboutWindow.h"

#include "document/Globals.h"
#include "document/HostPaths.h"
#include "ui/Dialogs.h"
#include "ui/ErrorGuard.h"
#include "ui/Scale.h"
#include "ui/TextCodec.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>

#include <algorithm>

TForm3::TForm3(Translator translate, ui::TDialogs &dialogs, QWidget *parent)
    : QDialog(parent), translate_(std::move(translate)), dialogs_(dialogs) {
  using ui::Place;
  setObjectName(QStringLiteral("Form3"));
  setWindowTitle(QStringLiteral("About"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
  setFont(ui::DesignFont());
  ui::SetDesignedSize(this, QSize(324, 190));
  mmo1 = Place(new QPlainTextEdit(NoticeText(), this), "mmo1", QRect(16, 8, 297, 97));
  mmo1->setReadOnly(true);
  Label1 = Place(new QLabel(this), "Label1", QRect(8, 113, 313, 13));
  Label1->setAlignment(Qt::AlignCenter);
  Label1->setCursor(Qt::PointingHandCursor);
  Label1->installEventFilter(this);
  lblHost = Place(new QLabel(this), "lblHost", QRect(8, 130, 313, 26));
  ui::KeepDesignedWidth(lblHost);
  btnOk = Place(new QPushButton(QStringLiteral("Close"), this), "btnOk", QRect(96, 162, 129, 23));
  btnOk->setDefault(true);
  // Escape closes a dialog, which is what the Close button does.
  connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
  ui::Layout(this);
}

QString TForm3::NoticeText() {
  return QStringLiteral("Corvane - button bar editor for Total Commander\n"
                        "\n"
                        "============================\n"
                        "This software is provided as is, without warranty of any kind.\n"
                        "You use it entirely at your own risk.\n"
                        "Its author is not responsible for any data loss or damages.\n"
                        "============================");
}

void TForm3::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  ui::RunGuarded(dialogs_, this, [this] { FormShow(); });
}

void TForm3::FormShow() {
  btnOk->setText(ui::ToDisplay(translate_("Close")));
  Label1->setText(ui::ToDisplay(translate_("mailto:") + MakerAddress));
  setWindowTitle(ui::ToDisplay(translate_("About")));
  const std::string license = translate_("license");
  if (license != "license")
    mmo1->setPlainText(ui::ToDisplay(license));
  ui::Layout(this);
  ShowHost();
}

TForm3::HostLine TForm3::DescribeHost(const char *caption, const HostLocation &found) const {
  const QString name = ui::ToDisplay(found.Name.empty() ? translate_("not found") : found.Name);
  const QString before = ui::ToDisplay(translate_(caption)) + " ";
  const QString how = ui::ToDisplay(translate_(FoundByText(found.How)));
  const QString source = found.Source.empty() ? QString() : ": " + ui::ToDisplay(found.Source);
  // The name gives way, so that the caption and how it was found stay readable.
  const QFontMetrics metrics = lblHost->fontMetrics();
  const int room = lblHost->width() - metrics.horizontalAdvance(before + " (" + how + ")");
  const QString shortName = metrics.elidedText(name, Qt::ElideMiddle, std::max(room, 0));
  return {before + shortName + " (" + how + ")", before + name + " (" + how + source + ")"};
}

// Looked up at every showing: the settings or the prefix may have changed meanwhile.
void TForm3::ShowHost() {
  const HostLine lines[] = {DescribeHost("Total Commander:", LocateCommanderPath(ExeFileName)),
                            DescribeHost("wincmd.ini:", LocateWincmdIni(ExeFileName))};
  lblHost->setText(lines[0].text + '\n' + lines[1].text);
  lblHost->setToolTip(lines[0].detail + '\n' + lines[1].detail);
}

bool TForm3::eventFilter(QObject *watched, QEvent *event) {
  if (watched == Label1 && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
    Label1Click();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TForm3::Label1Click() {
  dialogs_.OpenUrl(QStringLiteral("mailto:%1?SUBJECT=Corvane").arg(QLatin1String(MakerAddress)));
}

void TForm3::btnOkClick() {
  close();
}
