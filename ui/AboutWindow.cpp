// Unit Unit3, TForm3 (AboutWindow): the About window.
#include "ui/AboutWindow.h"

#include "document/CommanderLocation.h"
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

namespace {

// Designed geometry below the mail link: the host lines start at HostTop, one designed
// line each, and the Close button follows them.
constexpr int HostTop = 130;
constexpr int LineHeight = 13;
constexpr int ButtonGap = 6;
constexpr int ButtonHeight = 23;
constexpr int BottomMargin = 5;

// The text cut into the pieces a line may end after: each part of a path with its
// separator, each word with its blank.
QStringList BreakablePieces(const QString &text) {
  QStringList pieces;
  QString piece;
  for (const QChar c : text) {
    piece += c;
    if (c == '\\' || c == '/' || c == ' ') {
      pieces << piece;
      piece.clear();
    }
  }
  if (!piece.isEmpty())
    pieces << piece;
  return pieces;
}

// The text as lines no wider than width, broken between the parts of its names and its
// words; a single part wider than a line is broken where the line is full.
QStringList WrapAtParts(const QString &text, const QFontMetrics &metrics, int width) {
  QStringList lines;
  QString line;
  auto fits = [&](const QString &candidate) {
    return metrics.horizontalAdvance(candidate.trimmed()) <= width;
  };
  for (const QString &piece : BreakablePieces(text)) {
    if (!line.isEmpty() && !fits(line + piece)) {
      lines << line.trimmed();
      line.clear();
    }
    if (fits(line + piece)) {
      line += piece;
      continue;
    }
    for (const QChar c : piece) {
      if (!line.isEmpty() && !fits(line + c)) {
        lines << line.trimmed();
        line.clear();
      }
      line += c;
    }
  }
  if (!line.isEmpty())
    lines << line.trimmed();
  return lines;
}

} // namespace

AboutWindow::AboutWindow(Translator translate, ui::TDialogs &dialogs, std::string exeFileName,
                         QWidget *parent)
    : QDialog(parent), translate_(std::move(translate)), dialogs_(dialogs),
      exeFileName_(std::move(exeFileName)) {
  using ui::Place;
  setObjectName(QStringLiteral("Form3"));
  setWindowTitle(QStringLiteral("About"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
  setFont(ui::DesignFont());
  ui::SetDesignedSize(this, QSize(324, 190));
  noticeText = Place(new QPlainTextEdit(NoticeText(), this), "mmo1", QRect(16, 8, 297, 97));
  noticeText->setReadOnly(true);
  mailLink = Place(new QLabel(this), "Label1", QRect(8, 113, 313, 13));
  mailLink->setAlignment(Qt::AlignCenter);
  mailLink->setCursor(Qt::PointingHandCursor);
  mailLink->installEventFilter(this);
  lblHost = Place(new QLabel(this), "lblHost", QRect(8, HostTop, 313, 2 * LineHeight));
  ui::KeepDesignedWidth(lblHost);
  lblHost->setTextInteractionFlags(Qt::TextSelectableByMouse);
  btnOk = Place(new QPushButton(QStringLiteral("Close"), this), "btnOk",
                QRect(96, HostTop + 2 * LineHeight + ButtonGap, 129, ButtonHeight));
  btnOk->setDefault(true);
  // Escape closes a dialog, which is what the Close button does.
  connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
  ui::Layout(this);
}

QString AboutWindow::NoticeText() {
  return QStringLiteral("Corvane - button bar editor for Total Commander\n"
                        "\n"
                        "============================\n"
                        "This software is provided as is, without warranty of any kind.\n"
                        "You use it entirely at your own risk.\n"
                        "Its author is not responsible for any data loss or damages.\n"
                        "============================");
}

void AboutWindow::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  ui::RunGuarded(dialogs_, this, [this] { FormShow(); });
}

void AboutWindow::FormShow() {
  btnOk->setText(ui::ToDisplay(translate_("Close")));
  mailLink->setText(ui::ToDisplay(translate_("mailto:") + MakerAddress));
  setWindowTitle(ui::ToDisplay(translate_("About")));
  const std::string license = translate_("license");
  if (license != "license")
    noticeText->setPlainText(ui::ToDisplay(license));
  ui::Layout(this);
  ShowHost();
}

AboutWindow::HostLine AboutWindow::DescribeHost(const char *caption,
                                                const HostLocation &found) const {
  const QString name = ui::ToDisplay(found.Name.empty() ? translate_("not found") : found.Name);
  const QString before = ui::ToDisplay(translate_(caption)) + " ";
  const QString how = ui::ToDisplay(translate_(FoundByText(found.How)));
  const QString source = found.Source.empty() ? QString() : ": " + ui::ToDisplay(found.Source);
  return {before + name + " (" + how + ")", before + name + " (" + how + source + ")"};
}

// Looked up at every showing: the settings or the prefix may have changed meanwhile.
void AboutWindow::ShowHost() {
  const HostLine lines[] = {DescribeHost("Total Commander:", LocateCommanderPath(exeFileName_)),
                            DescribeHost("wincmd.ini:", LocateWincmdIni(exeFileName_))};
  QStringList shown;
  for (const HostLine &line : lines)
    shown << WrapAtParts(line.text, lblHost->fontMetrics(), lblHost->width());
  lblHost->setText(shown.join('\n'));
  lblHost->setToolTip(lines[0].detail + '\n' + lines[1].detail);
  FitHostLines(static_cast<int>(shown.size()));
}

void AboutWindow::FitHostLines(int lines) {
  const int buttonTop = HostTop + lines * LineHeight + ButtonGap;
  ui::SetDesignedPlace(lblHost, QRect(8, HostTop, 313, lines * LineHeight));
  ui::SetDesignedPlace(btnOk, QRect(96, buttonTop, 129, ButtonHeight));
  ui::SetDesignedSize(this, QSize(324, buttonTop + ButtonHeight + BottomMargin));
  ui::Layout(this);
}

bool AboutWindow::eventFilter(QObject *watched, QEvent *event) {
  if (watched == mailLink && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
    MailLinkClick();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void AboutWindow::MailLinkClick() {
  dialogs_.OpenUrl(QStringLiteral("mailto:%1?SUBJECT=Corvane").arg(QLatin1String(MakerAddress)));
}

void AboutWindow::btnOkClick() {
  close();
}
