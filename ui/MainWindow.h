#pragma once
// Unit FrmMain, TBarMain: the main window: the open bar, its row of buttons, the embedded button
// editor, the settings of "Corvane.ini" and the translation of every caption. Handlers carry the
// names of the window's events; each is a plain member function that the Qt signal of
// the matching event calls through the guard every window shares (ErrorGuard.h), which shows
// any exception in the application's error box and lets the program go on.
#include "document/BarDoctor.h"
#include "document/BarEdits.h"
#include "document/ButtonList.h"
#include "document/Translation.h"
#include "platform/IconHandle.h"
#include "ui/Dialogs.h"
#include "ui/ErrorGuard.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QMenu;
class QPainter;
class QPushButton;
class QRadioButton;
class QTimer;
class TFieldEdit;
class TForm2;
class TForm3;
class TFrame1;
class TOwnerDrawList;
class TProblemsWindow;
struct CommandChoice;
namespace icons {
class TIconLibrary;
}

class TBarMain : public QWidget {
  Q_OBJECT
public:
  // exeFileName: the executable's full Windows name as the start gave it (StartProgram; its
  // folder holds the program's own files); arguments: the command line without the
  // program's name.
  TBarMain(std::string exeFileName, const QStringList &arguments, ui::TDialogs &dialogs,
           QWidget *parent = nullptr);
  ~TBarMain() override;

  std::string Translate(const std::string &key) const;
  // Translate, for the windows that translate through this one.
  Translator TranslateFunction() const;
  // The executable's full Windows name, known from construction on.
  const std::string &ProgramFile() const { return exeFileName_; }
  ButtonsList *Bar() const { return bar_.get(); }
  ui::TDialogs &Dialogs() const { return dialogs_; }
  // Runs a handler; an exception it raises is shown in the error box.
  template <class F> void RunGuarded(F &&handler) { ui::RunGuarded(dialogs_, this, handler); }
  // Makes browser the command browser the editor opens; its choices go into the selected
  // button (Form2CommandChosen).
  void AttachCommandBrowser(TForm2 &browser);

  // Components, under their designed names.
  QLabel *Buttonbar = nullptr;
  QFrame *Label1 = nullptr;
  TOwnerDrawList *id_btn_bar = nullptr;
  QPushButton *id_btn_barfilesearch = nullptr;
  QPushButton *id_btn_add = nullptr;
  QPushButton *id_btn_delete = nullptr;
  TFrame1 *Frame11 = nullptr;
  QPushButton *btnAbout = nullptr;
  QCheckBox *chktop = nullptr;
  QCheckBox *chkcache = nullptr;
  QWidget *Panel1 = nullptr;
  QRadioButton *RadioButton1 = nullptr;
  QRadioButton *RadioButton2 = nullptr;
  QPushButton *btnDefLib = nullptr;
  QMenu *pm1 = nullptr;
  QAction *Copy1 = nullptr;
  QAction *paste1 = nullptr;
  QAction *N1 = nullptr;
  QAction *Duble1 = nullptr;
  // Undo and redo of the bar's edits, named after the edit they take back or do again.
  QAction *Undo1 = nullptr;
  QAction *Redo1 = nullptr;
  // The bar doctor and the way through sub-bars.
  QAction *CheckBar1 = nullptr;
  QAction *MakePortable1 = nullptr;
  QAction *OpenSubBar1 = nullptr;
  QAction *Back1 = nullptr;
  QMenu *pmPRM = nullptr;
  QMenu *pmPAth = nullptr;
  QTimer *tmr1 = nullptr;
  // The About window and the command browser, created after this one.
  TForm3 *Form3 = nullptr;
  TForm2 *Form2 = nullptr;
  // The list of the bar's problems, made when it is first asked for.
  TProblemsWindow *ProblemsWindow = nullptr;

  // Window state.
  std::string CurrentFileName;
  LocalizedTexts TranslationTable;
  std::string LanguageFileName;
  std::vector<std::string> ParamLines;
  std::vector<std::string> PathLines;
  std::unique_ptr<icons::TIconLibrary> ProgramIcons;
  bool DragActive = false;
  int DragIndex = -1;
  std::string EnteredText;
  int PathMenuTarget = 1; // the tag of pmPAth: 1 Command .. 4 Icon file

  // Window events.
  void FormCreate();
  void FormShow();
  void FormActivate();
  void FormDeactivate();
  void chktopClick();
  void btnAboutClick();
  void tmr1Timer();

  // Bar list.
  void id_btn_barDrawItem(QPainter &canvas, int index, const QRect &rect);
  void id_btn_barMouseDown(Qt::MouseButton button, QPoint pos);
  void id_btn_barMouseMove(QPoint pos);
  void id_btn_barMouseUp(Qt::MouseButton button);
  void id_btn_barKeyDown(int key, Qt::KeyboardModifiers shift);
  void id_btn_addClick();
  void id_btn_deleteClick();
  void ClearEditor();
  // Enables what shows or changes the selected button exactly while one is selected.
  void ShowSelectionState();
  // Icon n of "corvane.icl", or an empty handle.
  const platform::IconHandle &PlaceholderIcon(int n) const;

  // Cache controls.
  void chkcacheClick();
  void RadioButton1Click();
  void RadioButton2Click();

  // Button editor.
  void id_btn_barClick();
  void FillIconList(int position);
  void Frame11id_btn_commandEnter();
  void Frame11id_btn_paramEnter();
  void Frame11id_btn_startpathEnter();
  void Frame11id_btn_iconfilenameEnter();
  void Frame11id_btn_ToolTipEnter();
  void Frame11id_btn_commandExit();
  void Frame11id_btn_paramExit();
  void Frame11id_btn_startpathExit();
  void Frame11id_btn_iconfilenameExit();
  void Frame11id_btn_ToolTipExit();
  void Frame11id_btn_iconClick();
  void Frame11id_btn_iconDrawItem(QPainter &canvas, int index, const QRect &rect);
  void FillFromProgramFile(const std::string &fileName);
  void Frame11id_btn_find1Click();
  void Frame11id_btn_iconfileClick();
  void AddPictureAsIcon(int position, const std::string &picture);
  void ShowChosenIconRef(int position, const std::string &file, int index);
  void Frame11btnPrmListClick();
  void ParamItemClick(QAction *item);
  void PathItemClick(QAction *item);
  void Frame11FieldMouseDown(int target);
  void Frame11FieldMouseUp();
  void Frame11BitBtn1Click();
  // The command browser's choice, written into the selected button.
  void Form2CommandChosen(const CommandChoice &choice);
  void Frame11d_btn_assymbolClick();
  void Frame11id_btn_maximizedClick();
  void Frame11id_btn_NormalClick();
  void Frame11OkClick();
  void Frame11CancelClick();

  // Opening, closing, dropped files, the default icon library.
  void id_btn_barfilesearchClick();
  void FormCloseQuery(bool &canClose);
  // fileNames: Windows names in the order the file manager lists them; cursor: the
  // drop point in the bar list's viewport.
  void WMDropFiles(const std::vector<std::string> &fileNames, QPoint cursor, bool shift);
  void btnDefLibClick();

  // The list's popup menu.
  void Copy1Click();
  void paste1Click();
  void Duble1Click();
  void Undo1Click();
  void Redo1Click();

  // The bar doctor: the problems window, the portable paths, sub-bars and the way back.
  void CheckBar1Click();
  void MakePortable1Click();
  void OpenSubBar1Click();
  void Back1Click();
  // A row of the problems window was chosen: the button is selected as a click on it
  // would select it.
  void ProblemChosen(int button);
  // The open bar's problems as last checked, by button.
  const std::vector<doctor::Problem> &Problems() const { return problems_; }
  // The texts of a button's problems, one a line, as its cell's tooltip shows them; empty
  // for a button without problems.
  QString ProblemTip(int index) const;

  // The icon of picker item index, extracted the first time it is asked for; an empty
  // handle outside the picker.
  const platform::IconHandle &PickerIcon(int index) const;

protected:
  void showEvent(QShowEvent *event) override;
  void changeEvent(QEvent *event) override;
  void closeEvent(QCloseEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void CreateComponents();
  void CreateCacheControls();
  void CreateMenus();
  void CreateUndo();
  void CreateDoctorItems();
  void ConnectBarList();
  void ConnectEditor();
  void ConnectFiles();
  void ConnectClipboard();
  void ConnectEditField(TFieldEdit *field, void (TBarMain::*enter)(), void (TBarMain::*exit)(),
                        int pathTarget);
  void SetTabOrder();
  void CreateShortcuts();
  void FillMenu(QMenu *menu, const std::vector<std::string> &lines,
                void (TBarMain::*handler)(QAction *));

  void SelectLanguage();
  void TranslateCaptions(const std::string &barPath);
  void SetCacheControlsAtStart(const std::string &arg);
  bool FileFound(int index, int useBarIcl) const;
  void DrawPlaceholder(QPainter &canvas, int index, const QRect &rect) const;
  void MoveButton(int from, int to);
  int Selected() const;
  bool CommitField(TFieldEdit *field, int fieldNumber);
  // The editor field that has the focus, or none.
  TFieldEdit *FocusedField() const;
  // Runs the field's Exit step: the commit of its text into the button.
  void ExitField(TFieldEdit *field);
  // Commits the field being edited, as leaving it would. Whatever selects another
  // button, reloads the editor, opens a window over it or closes it runs this first.
  void CommitEditing();
  // Changes a field's text for the user (a menu, a chooser) and commits it at once: the
  // click that opened the menu may have taken the focus from the field, which would then
  // never be left.
  void ChangeAndCommit(TFieldEdit *field, const std::function<void()> &change);
  void WriteIconRef();
  void EnableCacheControls(bool panelToo);
  void InsertIntoField(TFieldEdit *field, QAction *item, bool cutAtDash);
  bool SaveFromOk();
  bool SaveUnderChosenName();
  // After every save: the history learns the saved state, and the user why the save left
  // the icon cache out, if it did.
  void BarSaved();
  // Applies an edit of the bar through the history, so that it can be undone; returns the
  // selection the edit leaves. Every change of the bar goes through here.
  int Edit(edits::Edit edit);
  // Shows the bar as it stands after an edit, an undo or a redo: the list, the selection,
  // the editor and the cache controls.
  void ShowBar(int selection);
  void ShowCacheMode();
  void SetCacheMode(uint8_t mode);
  // The texts of the undo and redo items for the edits there are to take back or redo.
  void NameUndoItems();
  // A drag moves the button along under the pointer; when it ends, the whole drag goes
  // into the history as one move.
  void FinishDrag();
  // The caption names the bar's path, or, on the way through sub-bars, the file name of
  // every bar on it: "main.bar › tools.bar".
  void SetBarCaption(const std::string &path);
  // Offers to save the modified bar before it is given up; false when it is to stay: a
  // closed box, a cancelled save dialog or a failed save keeps it as it is.
  bool OfferToSave();
  // Shows a bar just loaded in place of the open one, with selection selected (the first
  // button when the bar has no such button). An empty name starts a new bar.
  void ShowOpenedBar(std::unique_ptr<ButtonsList> opened, const std::string &name, int selection);
  // A new context for the checks (the files it read may have changed), then a check.
  void RenewDoctor();
  // Checks the bar as it is in memory with the kept context, looking again only at the
  // buttons changed since the last check; the markers and the problems window follow.
  // Run after every change of the bar.
  void CheckOpenBar();
  // Loads a bar to open. When its count cannot be trusted, asks whether to open it with
  // as many buttons as its highest number: on Yes it is opened so, modified; otherwise
  // nothing is opened (nullptr). Other load errors throw as ButtonsList's.
  std::unique_ptr<ButtonsList> LoadBarAsking(const std::string &name);
  void NameDoctorItems();
  void DrawProblemMarker(QPainter &canvas, int index, const QRect &rect) const;
  bool ToolTipEvent(QEvent *event);
  void SetCacheControlsOnOpening(const std::string &fileName);
  bool DropEvent(QEvent *event);
  // A file chosen or dropped, as the bar is to hold it: a drive path into Total
  // Commander's folder written from %COMMANDER_PATH%, as "Make paths portable" writes it.
  std::string PortableName(const std::string &fileName) const;
  // The folder an open dialog starts in: the nearest existing folder of the file a field
  // names (resolved as the checks resolve it), else Total Commander's folder, else the
  // bar's; a folder name ends in a backslash, and is empty when there is none of them.
  std::string StartFolder(const std::optional<std::string> &file) const;

  std::string exeFileName_;
  QStringList arguments_;
  ui::TDialogs &dialogs_;
  std::unique_ptr<ButtonsList> bar_;
  edits::History history_;
  // While an undo or redo is shown, showing a button writes nothing into the bar.
  bool showingHistory_ = false;
  // Where the button being dragged started, and the bar's flags then; -1 outside a drag.
  int dragStart_ = -1;
  bool dragModified_ = false;
  bool dragIconsChanged_ = false;
  // The picker's file and its icons. Extracting an icon reads its module again, so the
  // icons are taken only when an item is first drawn: a module of hundreds of icons
  // fills the picker at once, and only the visible ones cost anything.
  std::string pickerFile_;
  mutable std::vector<platform::IconHandle> pickerIcons_;
  mutable std::vector<bool> pickerLoaded_;
  // Read once per opened bar, save and check; the checks after each edit reuse it.
  std::unique_ptr<doctor::DoctorContext> doctor_;
  // The open bar's check, made with doctor_ and kept between edits.
  std::unique_ptr<doctor::BarChecker> checker_;
  std::vector<doctor::Problem> problems_;
  // The bars the open one was reached from through "Open sub-bar", the first one first,
  // each with the button selected there.
  struct BarOnTheWay {
    std::string file;
    int selection = 0;
  };
  std::vector<BarOnTheWay> wayBack_;
};
