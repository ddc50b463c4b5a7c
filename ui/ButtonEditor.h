#pragma once
// Unit Frm1, TFrame1: the button editor panel, the controls only. The main window embeds one as
// Frame11 and gives it all of its behaviour through its own Frame11... handlers.
#include <QWidget>

#include <vector>

class QLabel;
class QPushButton;
class QRadioButton;
class QToolButton;
class TFieldEdit;
class TOwnerDrawList;

class TFrame1 : public QWidget {
  Q_OBJECT
public:
  explicit TFrame1(QWidget *parent = nullptr);

  QLabel *Command = nullptr;
  QLabel *Parameters = nullptr;
  QLabel *Startpath = nullptr;
  QLabel *Iconfile = nullptr;
  QLabel *Icon = nullptr;
  QLabel *id_btn_iconindex = nullptr;
  QLabel *Tooltip = nullptr;
  TFieldEdit *id_btn_command = nullptr;
  QPushButton *id_btn_find1 = nullptr;
  TFieldEdit *id_btn_param = nullptr;
  TFieldEdit *id_btn_startpath = nullptr;
  TFieldEdit *id_btn_iconfilename = nullptr;
  QPushButton *id_btn_iconfile = nullptr;
  QRadioButton *d_btn_assymbol = nullptr;
  QRadioButton *id_btn_maximized = nullptr;
  QRadioButton *id_btn_Normal = nullptr;
  QToolButton *BitBtn1 = nullptr;
  QPushButton *btnPrmList = nullptr;
  TOwnerDrawList *id_btn_icon = nullptr;
  TFieldEdit *id_btn_ToolTip = nullptr;
  QPushButton *Ok = nullptr;
  QPushButton *Cancel = nullptr;

  // The controls that take the focus, in the order Tab visits them: as they are read, from
  // top to bottom and, on one line, from left to right.
  std::vector<QWidget *> TabOrder() const;
  // Enables the controls that show or change the selected button: there is none while
  // no button is selected, and nothing is to be typed or chosen for it.
  void EnableButtonControls(bool enabled);

private:
  void CreateLabels();
  void CreateControls();
};
