// Unit Frm1, TFrame1 (ButtonEditor): the button editor panel's controls at their designed places.
#include "ui/ButtonEditor.h"

#include "ui/FieldEdit.h"
#include "ui/OwnerDrawList.h"
#include "ui/Scale.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>

namespace {

QLabel *MakeLabel(QWidget *parent, const char *name, const char *caption, QRect place) {
  auto *label = new QLabel(QString::fromLatin1(caption), parent);
  return ui::Place(label, name, place);
}

} // namespace

ButtonEditor::ButtonEditor(QWidget *parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Frame11"));
  CreateLabels();
  CreateControls();
}

void ButtonEditor::CreateLabels() {
  using ui::Place;
  Command = MakeLabel(this, "Command", "&Command:", QRect(9, 9, 81, 13));
  Parameters = MakeLabel(this, "Parameters", "&Parameters:", QRect(9, 37, 81, 13));
  Startpath = MakeLabel(this, "Startpath", "&Start path:", QRect(9, 62, 81, 13));
  Iconfile = MakeLabel(this, "Iconfile", "Icon &file:", QRect(9, 87, 81, 13));
  Icon = MakeLabel(this, "Icon", "Ic&on:", QRect(9, 112, 49, 13));
  iconIndexLabel = MakeLabel(this, "id_btn_iconindex", "0", QRect(59, 112, 25, 14));
  Tooltip = MakeLabel(this, "Tooltip", "&Tooltip:", QRect(9, 170, 81, 14));
}

void ButtonEditor::CreateControls() {
  using ui::Place;
  commandEdit = Place(new TFieldEdit(this), "id_btn_command", QRect(90, 8, 277, 21));
  chooseProgramButton = Place(new QPushButton(">>", this), "id_btn_find1", QRect(388, 8, 23, 21));
  paramsEdit = Place(new TFieldEdit(this), "id_btn_param", QRect(90, 33, 298, 21));
  startPathEdit = Place(new TFieldEdit(this), "id_btn_startpath", QRect(90, 58, 298, 21));
  iconFileEdit = Place(new TFieldEdit(this), "id_btn_iconfilename", QRect(90, 83, 298, 21));
  chooseIconFileButton =
      Place(new QPushButton(">>", this), "id_btn_iconfile", QRect(388, 82, 24, 21));
  runMinimized =
      Place(new QRadioButton("Run mi&nimized", this), "d_btn_assymbol", QRect(409, 31, 128, 17));
  runMaximized =
      Place(new QRadioButton("Run ma&ximized", this), "id_btn_maximized", QRect(409, 47, 128, 17));
  runNormal = Place(new QRadioButton("Default", this), "id_btn_Normal", QRect(409, 63, 128, 17));
  runNormal->setChecked(true);
  browseCommandsButton = Place(new QToolButton(this), "BitBtn1", QRect(366, 7, 21, 22));
  browseCommandsButton->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
  paramMenuButton = Place(new QPushButton("P", this), "btnPrmList", QRect(388, 33, 15, 21));
  iconList = Place(new TOwnerDrawList(8, ui::Px(36), this), "id_btn_icon", QRect(90, 108, 298, 54));
  tooltipEdit = Place(new TFieldEdit(this), "id_btn_ToolTip", QRect(90, 167, 298, 21));
  Ok = Place(new QPushButton("OK", this), "Ok", QRect(499, 111, 76, 23));
  Cancel = Place(new QPushButton("Cancel", this), "Cancel", QRect(499, 137, 76, 23));
  Ok->setDefault(true);

  Command->setBuddy(commandEdit);
  Parameters->setBuddy(paramsEdit);
  Startpath->setBuddy(startPathEdit);
  Iconfile->setBuddy(iconFileEdit);
  Icon->setBuddy(iconList);
  Tooltip->setBuddy(tooltipEdit);
}

std::vector<QWidget *> ButtonEditor::TabOrder() const {
  // The fields from top to bottom, each followed by its buttons; then the run mode beside
  // them, and OK and Cancel last.
  return {commandEdit,
          browseCommandsButton,
          chooseProgramButton,
          paramsEdit,
          paramMenuButton,
          startPathEdit,
          iconFileEdit,
          chooseIconFileButton,
          iconList,
          tooltipEdit,
          runMinimized,
          runMaximized,
          runNormal,
          Ok,
          Cancel};
}

void ButtonEditor::EnableButtonControls(bool enabled) {
  for (QWidget *control : TabOrder())
    if (control != Ok && control != Cancel)
      control->setEnabled(enabled);
}
