// Unit Unit3, TForm3: the About window.
#include "ui/AboutWindow.h"

#include "ui/Dialogs.h"
#include "ui/ErrorGuard.h"
#include "ui/Scale.h"
#include "ui/TextCodec.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>

TForm3::TForm3(Translator translate, ui::TDialogs &dialogs, QWidget *parent)
    : QDialog(parent), translate_(std::move(translate)), dialogs_(dialogs) {
  using ui::Place;
  setObjectName(QStringLiteral("Form3"));
  setWindowTitle(QStringLiteral("About"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
  setFont(ui::DesignFont());
  ui::SetDesignedSize(this, QSize(324, 164));
  mmo1 = Place(new QPlainTextEdit(NoticeText(), this), "mmo1", QRect(16, 8, 297, 97));
  mmo1->setReadOnly(true);
  Label1 = Place(new QLabel(this), "Label1", QRect(8, 113, 313, 13));
  Label1->setAlignment(Qt::AlignCenter);
  Label1->setCursor(Qt::PointingHandCursor);
  Label1->installEventFilter(this);
  btnOk = Place(new QPushButton(QStringLiteral("Close"), this), "btnOk", QRect(96, 136, 129, 23));
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
