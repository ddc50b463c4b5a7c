#pragma once
// Unit FrmMain, TBarMain (MainWindow): the main window: the open bar, its row of buttons, the
// embedded button editor, the settings of "Corvane.ini" and the translation of every caption.
// Handlers carry the names of the window's events; each is a plain member function that the Qt
// signal of the matching event calls through the guard every window shares (ErrorGuard.h), which
// shows any exception in the application's error box and lets the program go on.
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
class CommandBrowser;
class AboutWindow;
class ButtonEditor;
class TOwnerDrawList;
class TProblemsWindow;
struct CommandChoice;
namespace icons {
class TIconLibrary;
}

class MainWindow : public QWidget {
  Q_OBJECT
public:
  // exeFileName: the executable's full Windows name as the start gave it (StartProgram; its
  // folder holds the program's own files); arguments: the command line without the
  // program's name.
  MainWindow(std::string exeFileName, const QStringList &arguments, ui::TDialogs &dialogs,
             QWidget *parent = nullptr);
  ~MainWindow() override;

  std::string Translate(const std::string &key) const;
  // Translate, for the windows that translate through this one.
  Translator TranslateFunction() const;
  // The executable's full Windows name, known from construction on.
  const std::string &ProgramFile() const { return exeFileName_; }
  ButtonBar *Bar() const { return bar_.get(); }
  ui::TDialogs &Dialogs() const { return dialogs_; }
  // Runs a handler; an exception it raises is shown in the error box.
  template <class F> void RunGuarded(F &&handler) { ui::RunGuarded(dialogs_, this, handler); }
  // Makes browser the command browser the editor opens; its choices go into the selected
  // button (BrowserCommandChosen).
  void AttachCommandBrowser(CommandBrowser &browser);

  // Components; each keeps its designed name as its Qt object name, which the layout and
  // the end-to-end test find it by.
  QLabel *barCaption = nullptr;
  QFrame *barRule = nullptr;
  TOwnerDrawList *barList = nullptr;
  QPushButton *openBarButton = nullptr;
  QPushButton *addButton = nullptr;
  QPushButton *deleteButton = nullptr;
  ButtonEditor *editor = nullptr;
  QPushButton *aboutButton = nullptr;
  QCheckBox *onTopBox = nullptr;
  QCheckBox *cacheBox = nullptr;
  QWidget *cacheModePanel = nullptr;
  QRadioButton *cacheLinksRadio = nullptr;
  QRadioButton *cacheTcMenuRadio = nullptr;
  QPushButton *defaultLibraryButton = nullptr;
  QMenu *barMenu = nullptr;
  QAction *copyAction = nullptr;
  QAction *pasteAction = nullptr;
  QAction *menuSeparator = nullptr;
  QAction *cloneAction = nullptr;
  // Undo and redo of the bar's edits, named after the edit they take back or do again.
  QAction *undoAction = nullptr;
  QAction *redoAction = nullptr;
  // The bar doctor and the way through sub-bars.
  QAction *checkBarAction = nullptr;
  QAction *makePortableAction = nullptr;
  QAction *openSubBarAction = nullptr;
  QAction *backAction = nullptr;
  QMenu *paramMenu = nullptr;
  QMenu *pathMenu = nullptr;
  QTimer *pathMenuTimer = nullptr;
  // The About window and the command browser, created after this one.
  AboutWindow *aboutWindow = nullptr;
  CommandBrowser *commandBrowser = nullptr;
  // The list of the bar's problems, made when it is first asked for.
  TProblemsWindow *problemsWindow = nullptr;

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
  int PathMenuTarget = 1; // the tag of pathMenu: 1 Command .. 4 Icon file

  // Window events.
  void FormCreate();
  void FormShow();
  void FormActivate();
  void FormDeactivate();
  void OnTopClick();
  void AboutClick();
  void PathMenuTimeout();

  // Bar list.
  void BarListDrawItem(QPainter &canvas, int index, const QRect &rect);
  void BarListMouseDown(Qt::MouseButton button, QPoint pos);
  void BarListMouseMove(QPoint pos);
  void BarListMouseUp(Qt::MouseButton button);
  void BarListKeyDown(int key, Qt::KeyboardModifiers shift);
  void BarListDoubleClick();
  void AddClick();
  void DeleteClick();
  void ClearEditor();
  // Enables what shows or changes the selected button exactly while one is selected.
  void ShowSelectionState();
  // Icon n of "corvane.icl", or an empty handle.
  const platform::IconHandle &PlaceholderIcon(int n) const;

  // Cache controls.
  void CacheClick();
  void CacheLinksClick();
  void CacheTcMenuClick();

  // Button editor.
  void BarListClick();
  void FillIconList(int position);
  void CommandEnter();
  void ParamsEnter();
  void StartPathEnter();
  void IconFileEnter();
  void TooltipEnter();
  void CommandExit();
  void ParamsExit();
  void StartPathExit();
  void IconFileExit();
  void TooltipExit();
  void IconListClick();
  void IconListDrawItem(QPainter &canvas, int index, const QRect &rect);
  void FillFromProgramFile(const std::string &fileName);
  void ChooseProgramClick();
  void ChooseIconFileClick();
  void AddPictureAsIcon(int position, const std::string &picture);
  void ShowChosenIconRef(int position, const std::string &file, int index);
  void ParamMenuClick();
  // The menu key or Alt+Down in the field: its menu opens below it.
  void ParamsMenuKey();
  void StartPathMenuKey();
  void ParamItemClick(QAction *item);
  void PathItemClick(QAction *item);
  void FieldMouseDown(int target);
  void FieldMouseUp();
  void BrowseCommandsClick();
  // The command browser's choice, written into the selected button.
  void BrowserCommandChosen(const CommandChoice &choice);
  void RunMinimizedClick();
  void RunMaximizedClick();
  void RunNormalClick();
  void OkClick();
  void CancelClick();

  // Opening, closing, dropped files, the default icon library.
  void OpenBarClick();
  void FormCloseQuery(bool &canClose);
  // fileNames: Windows names in the order the file manager lists them; cursor: the
  // drop point in the bar list's viewport.
  void WMDropFiles(const std::vector<std::string> &fileNames, QPoint cursor, bool shift);
  void DefaultLibraryClick();

  // The list's popup menu.
  void CopyClick();
  // Enables Paste while the clipboard holds a button.
  void ShowClipboardState();
  void PasteClick();
  void CloneClick();
  void UndoClick();
  void RedoClick();

  // The bar doctor: the problems window, the portable paths, sub-bars and the way back.
  void CheckBarClick();
  void MakePortableClick();
  void OpenSubBarClick();
  void BackClick();
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
  void ConnectEditField(TFieldEdit *field, void (MainWindow::*enter)(), void (MainWindow::*exit)(),
                        int pathTarget);
  void SetTabOrder();
  void CreateShortcuts();
  void FillMenu(QMenu *menu, const std::vector<std::string> &lines,
                void (MainWindow::*handler)(QAction *));

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
  bool SaveBar();
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
  void ShowOpenedBar(std::unique_ptr<ButtonBar> opened, const std::string &name, int selection);
  // A new context for the checks (the files it read may have changed), then a check.
  void RenewDoctor();
  // Checks the bar as it is in memory with the kept context, looking again only at the
  // buttons changed since the last check; the markers and the problems window follow.
  // Run after every change of the bar.
  void CheckOpenBar();
  // Loads a bar to open. When its count cannot be trusted, asks whether to open it with
  // as many buttons as its highest number: on Yes it is opened so, modified; otherwise
  // nothing is opened (nullptr). Other load errors throw as ButtonBar's.
  std::unique_ptr<ButtonBar> LoadBarAsking(const std::string &name);
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
  std::unique_ptr<ButtonBar> bar_;
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
