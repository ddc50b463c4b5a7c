#pragma once
// Unit Frm1, TFrame1 (ButtonEditor): the button editor panel, the controls only. The main window
// embeds one (its editor, object name "Frame11") and gives it all of its behaviour through its own
// handlers.
#include <QWidget>

#include <vector>

class QLabel;
class QPushButton;
class QRadioButton;
class QToolButton;
class TFieldEdit;
class TOwnerDrawList;

class ButtonEditor : public QWidget {
  Q_OBJECT
public:
  explicit ButtonEditor(QWidget *parent = nullptr);

  QLabel *Command = nullptr;
  QLabel *Parameters = nullptr;
  QLabel *Startpath = nullptr;
  QLabel *Iconfile = nullptr;
  QLabel *Icon = nullptr;
  QLabel *iconIndexLabel = nullptr;
  QLabel *Tooltip = nullptr;
  TFieldEdit *commandEdit = nullptr;
  QPushButton *chooseProgramButton = nullptr;
  TFieldEdit *paramsEdit = nullptr;
  TFieldEdit *startPathEdit = nullptr;
  TFieldEdit *iconFileEdit = nullptr;
  QPushButton *chooseIconFileButton = nullptr;
  QRadioButton *runMinimized = nullptr;
  QRadioButton *runMaximized = nullptr;
  QRadioButton *runNormal = nullptr;
  QToolButton *browseCommandsButton = nullptr;
  QPushButton *paramMenuButton = nullptr;
  TOwnerDrawList *iconList = nullptr;
  TFieldEdit *tooltipEdit = nullptr;
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
