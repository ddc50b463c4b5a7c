// Double Commander's toolbar: the name table of its internal commands. Its XML is read
// and written by DcToolbarXml_pugixml.cpp, or refused where pugixml is not built
// (DcToolbarXml_none.cpp).
#include "document/DcToolbar.h"

#include "platform/CodePage.h"

#include <algorithm>
#include <array>
#include <sstream>

namespace dctoolbar {

namespace {

// The internal commands of Double Commander 1.0, as its main window lists them (1.0.10
// for Linux: commands of later versions and of its Windows build are not among them).
// clang-format off
constexpr std::array<std::string_view, 206> DcCommands = {
    "cm_About", "cm_ActivateTabByIndex", "cm_AddFilenameToCmdLine", "cm_AddNewSearch",
    "cm_AddPathAndFilenameToCmdLine", "cm_AddPathToCmdLine", "cm_AddPlugin", "cm_Benchmark",
    "cm_BriefView", "cm_CalculateSpace", "cm_ChangeDir", "cm_ChangeDirToHome",
    "cm_ChangeDirToParent", "cm_ChangeDirToRoot", "cm_CheckSumCalc", "cm_CheckSumVerify",
    "cm_ClearLogFile", "cm_ClearLogWindow", "cm_CloseAllTabs", "cm_CloseDuplicateTabs",
    "cm_CloseTab", "cm_CmdLineNext", "cm_CmdLinePrev", "cm_ColumnsView", "cm_CompareContents",
    "cm_CompareDirectories", "cm_ConfigArchivers", "cm_ConfigDirHotList",
    "cm_ConfigFavoriteTabs", "cm_ConfigFolderTabs", "cm_ConfigHotKeys", "cm_ConfigPlugins",
    "cm_ConfigSavePos", "cm_ConfigSaveSettings", "cm_ConfigSearches", "cm_ConfigToolbars",
    "cm_ConfigTooltips", "cm_ConfigTreeViewMenus", "cm_ConfigTreeViewMenusColors",
    "cm_ContextMenu", "cm_Copy", "cm_CopyAllTabsToOpposite", "cm_CopyFileDetailsToClip",
    "cm_CopyFullNamesToClip", "cm_CopyNamesToClip", "cm_CopyNoAsk",
    "cm_CopyPathNoSepOfFilesToClip", "cm_CopyPathOfFilesToClip", "cm_CopySamePanel",
    "cm_CopyToClipboard", "cm_CountDirContent", "cm_CutToClipboard",
    "cm_DebugShowCommandParameters", "cm_Delete", "cm_DeleteSearches", "cm_DirHistory",
    "cm_DirHotList", "cm_DoAnyCmCommand", "cm_Edit", "cm_EditComment", "cm_EditNew",
    "cm_EditPath", "cm_Exchange", "cm_ExecuteScript", "cm_Exit", "cm_ExtractFiles",
    "cm_FileAssoc", "cm_FileLinker", "cm_FileProperties", "cm_FileSpliter", "cm_FlatView",
    "cm_FlatViewSel", "cm_FocusCmdLine", "cm_FocusSwap", "cm_FocusTreeView", "cm_GoToFirstEntry",
    "cm_GoToFirstFile", "cm_GoToLastEntry", "cm_GoToLastFile", "cm_GoToNextEntry",
    "cm_GoToPrevEntry", "cm_HardLink", "cm_HelpIndex", "cm_HorizontalFilePanels", "cm_Keyboard",
    "cm_LeftBriefView", "cm_LeftColumnsView", "cm_LeftEqualRight", "cm_LeftFlatView",
    "cm_LeftOpenDrives", "cm_LeftReverseOrder", "cm_LeftSortByAttr", "cm_LeftSortByDate",
    "cm_LeftSortByExt", "cm_LeftSortByName", "cm_LeftSortBySize", "cm_LeftThumbView",
    "cm_LoadFavoriteTabs", "cm_LoadSelectionFromClip", "cm_LoadSelectionFromFile",
    "cm_LoadTabs", "cm_MakeDir", "cm_MarkCurrentExtension", "cm_MarkCurrentName",
    "cm_MarkCurrentNameExt", "cm_MarkCurrentPath", "cm_MarkInvert", "cm_MarkMarkAll",
    "cm_MarkMinus", "cm_MarkPlus", "cm_MarkUnmarkAll", "cm_Minimize", "cm_MultiRename", "cm_NetworkConnect", "cm_NetworkDisconnect",
    "cm_NewTab", "cm_NextFavoriteTabs", "cm_NextTab", "cm_Open", "cm_OpenArchive", "cm_OpenBar",
    "cm_OpenDirInNewTab", "cm_OpenDriveByIndex", "cm_OpenVirtualFileSystemList",
    "cm_OperationsViewer", "cm_Options", "cm_PackFiles", "cm_PanelsSplitterPerPos",
    "cm_PasteFromClipboard", "cm_PreviousFavoriteTabs", "cm_PrevTab", "cm_QuickFilter",
    "cm_QuickSearch", "cm_QuickView", "cm_Refresh", "cm_ReloadFavoriteTabs", "cm_Rename",
    "cm_RenameNoAsk", "cm_RenameOnly", "cm_RenameTab", "cm_ResaveFavoriteTabs",
    "cm_RestoreSelection", "cm_ReverseOrder", "cm_RightBriefView", "cm_RightColumnsView",
    "cm_RightEqualLeft", "cm_RightFlatView", "cm_RightOpenDrives", "cm_RightReverseOrder",
    "cm_RightSortByAttr", "cm_RightSortByDate", "cm_RightSortByExt", "cm_RightSortByName",
    "cm_RightSortBySize", "cm_RightThumbView", "cm_RunTerm", "cm_SaveFavoriteTabs",
    "cm_SaveSelection", "cm_SaveSelectionToFile", "cm_SaveTabs", "cm_Search",
    "cm_SetAllTabsOptionDirsInNewTab", "cm_SetAllTabsOptionNormal",
    "cm_SetAllTabsOptionPathLocked", "cm_SetAllTabsOptionPathResets", "cm_SetFileProperties",
    "cm_SetTabOptionDirsInNewTab", "cm_SetTabOptionNormal", "cm_SetTabOptionPathLocked",
    "cm_SetTabOptionPathResets", "cm_ShellExecute", "cm_ShowButtonMenu", "cm_ShowCmdLineHistory",
    "cm_ShowMainMenu", "cm_ShowSysFiles", "cm_SortByAttr", "cm_SortByDate", "cm_SortByExt",
    "cm_SortByName", "cm_SortBySize", "cm_SrcOpenDrives", "cm_SwitchIgnoreList", "cm_SymLink",
    "cm_SyncChangeDir", "cm_SyncDirs", "cm_TargetEqualSource", "cm_TestArchive",
    "cm_ThumbnailsView", "cm_ToggleFullscreenConsole", "cm_TransferLeft", "cm_TransferRight",
    "cm_TreeView", "cm_UniversalSingleDirectSort", "cm_UnmarkCurrentExtension",
    "cm_UnmarkCurrentName", "cm_UnmarkCurrentNameExt", "cm_UnmarkCurrentPath", "cm_View",
    "cm_ViewHistory", "cm_ViewHistoryNext", "cm_ViewHistoryPrev", "cm_ViewLogFile",
    "cm_ViewSearches", "cm_VisitHomePage", "cm_Wipe", "cm_WorkWithDirectoryHotlist",
};
// clang-format on

// Total Commander's names of commands Double Commander has under another name. A name
// both programs share is not listed. Where Total Commander has several names for one
// command, the usual one comes first: the way back takes the first one Total Commander's
// command list holds.
constexpr std::pair<std::string_view, std::string_view> DifferingNames[] = {
    {"cm_SrcBrief", "cm_BriefView"},
    {"cm_SrcFull", "cm_ColumnsView"},
    {"cm_SrcThumbs", "cm_ThumbnailsView"},
    {"cm_SrcTree", "cm_TreeView"},
    {"cm_SrcQuickview", "cm_QuickView"},
    {"cm_SearchFor", "cm_Search"},
    {"cm_DirectoryHotlist", "cm_DirHotList"},
    {"cm_Config", "cm_Options"},
    {"cm_RenMov", "cm_Rename"},
    {"cm_Move", "cm_Rename"},
    {"cm_List", "cm_View"},
    {"cm_MkDir", "cm_MakeDir"},
    {"cm_UnpackFiles", "cm_ExtractFiles"},
    {"cm_RereadSource", "cm_Refresh"},
    {"cm_MultiRenameFiles", "cm_MultiRename"},
    {"cm_ExecuteDOS", "cm_RunTerm"},
    {"cm_SelectAll", "cm_MarkMarkAll"},
    {"cm_ClearAll", "cm_MarkUnmarkAll"},
    {"cm_InvertSelection", "cm_MarkInvert"},
    {"cm_SpreadSelection", "cm_MarkPlus"},
    {"cm_ShrinkSelection", "cm_MarkMinus"},
    {"cm_SelectCurrentExtension", "cm_MarkCurrentExtension"},
    {"cm_UnselectCurrentExtension", "cm_UnmarkCurrentExtension"},
    {"cm_GoToRoot", "cm_ChangeDirToRoot"},
    {"cm_GoToParent", "cm_ChangeDirToParent"},
    {"cm_OpenNewTab", "cm_NewTab"},
    {"cm_CloseCurrentTab", "cm_CloseTab"},
    {"cm_SwitchHidSys", "cm_ShowSysFiles"},
    {"cm_CompareFilesByContent", "cm_CompareContents"},
    {"cm_Properties", "cm_FileProperties"},
    {"cm_SwapPanels", "cm_Exchange"},
    {"cm_SrcShort", "cm_BriefView"},
    {"cm_SrcLong", "cm_ColumnsView"},
    {"cm_SrcByName", "cm_SortByName"},
    {"cm_SrcByExt", "cm_SortByExt"},
    {"cm_SrcBySize", "cm_SortBySize"},
    {"cm_SrcByDateTime", "cm_SortByDate"},
    {"cm_SrcNegOrder", "cm_ReverseOrder"},
    {"cm_LeftShort", "cm_LeftBriefView"},
    {"cm_LeftLong", "cm_LeftColumnsView"},
    {"cm_LeftThumbs", "cm_LeftThumbView"},
    {"cm_LeftByName", "cm_LeftSortByName"},
    {"cm_LeftByExt", "cm_LeftSortByExt"},
    {"cm_LeftBySize", "cm_LeftSortBySize"},
    {"cm_LeftByDateTime", "cm_LeftSortByDate"},
    {"cm_LeftNegOrder", "cm_LeftReverseOrder"},
    {"cm_LeftDirBranch", "cm_LeftFlatView"},
    {"cm_RightShort", "cm_RightBriefView"},
    {"cm_RightLong", "cm_RightColumnsView"},
    {"cm_RightThumbs", "cm_RightThumbView"},
    {"cm_RightByName", "cm_RightSortByName"},
    {"cm_RightByExt", "cm_RightSortByExt"},
    {"cm_RightBySize", "cm_RightSortBySize"},
    {"cm_RightByDateTime", "cm_RightSortByDate"},
    {"cm_RightNegOrder", "cm_RightReverseOrder"},
    {"cm_RightDirBranch", "cm_RightFlatView"},
    {"cm_VerticalPanels", "cm_HorizontalFilePanels"},
    {"cm_DirBranch", "cm_FlatView"},
    {"cm_DirBranchSel", "cm_FlatViewSel"},
    {"cm_GotoPreviousDir", "cm_ViewHistoryPrev"},
    {"cm_GotoNextDir", "cm_ViewHistoryNext"},
    {"cm_DirectoryHistory", "cm_DirHistory"},
    {"cm_CompareDirs", "cm_CompareDirectories"},
    {"cm_FileSync", "cm_SyncDirs"},
    {"cm_SetAttrib", "cm_SetFileProperties"},
    {"cm_MatchSrc", "cm_TargetEqualSource"},
    {"cm_Split", "cm_FileSpliter"},
    {"cm_Combine", "cm_FileLinker"},
    {"cm_IntCompareFilesByContent", "cm_CompareContents"},
    {"cm_CRCcreate", "cm_CheckSumCalc"},
    {"cm_CRCcheck", "cm_CheckSumVerify"},
    {"cm_ButtonConfig", "cm_ConfigToolbars"},
    {"cm_InternalAssociate", "cm_FileAssoc"},
    {"cm_NetConnect", "cm_NetworkConnect"},
    {"cm_NetDisconnect", "cm_NetworkDisconnect"},
    {"cm_GetFileSpace", "cm_CalculateSpace"},
    {"cm_Return", "cm_Open"},
    {"cm_ExchangeSelection", "cm_MarkInvert"},
    {"cm_SelectCurrentName", "cm_MarkCurrentName"},
    {"cm_UnselectCurrentName", "cm_UnmarkCurrentName"},
    {"cm_SelectCurrentNameExt", "cm_MarkCurrentNameExt"},
    {"cm_UnselectCurrentNameExt", "cm_UnmarkCurrentNameExt"},
    {"cm_SelectCurrentPath", "cm_MarkCurrentPath"},
    {"cm_UnselectCurrentPath", "cm_UnmarkCurrentPath"},
    {"cm_SwitchToNextTab", "cm_NextTab"},
    {"cm_SwitchToPreviousTab", "cm_PrevTab"},
    {"cm_NextCommand", "cm_CmdLineNext"},
    {"cm_PrevCommand", "cm_CmdLinePrev"},
};

// Command names are ASCII; letter case does not tell them apart.
bool SameName(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

std::optional<std::string_view> KnownDcCommand(std::string_view name) {
  for (std::string_view known : DcCommands)
    if (SameName(known, name))
      return known;
  return std::nullopt;
}

} // namespace

std::optional<std::string> DcCommandName(std::string_view tcName) {
  for (const auto &[tc, dc] : DifferingNames)
    if (SameName(tc, tcName))
      return std::string(dc);
  if (auto known = KnownDcCommand(tcName))
    return std::string(*known);
  return std::nullopt;
}

std::vector<std::string> TcCommandNames(std::string_view dcName) {
  std::vector<std::string> names;
  for (const auto &[tc, dc] : DifferingNames)
    if (SameName(dc, dcName))
      names.emplace_back(tc);
  // Last, the name as it stands, for a command list that holds it under Double
  // Commander's name.
  names.emplace_back(dcName);
  return names;
}

bool IsDcCommand(std::string_view name) {
  return KnownDcCommand(name).has_value();
}

} // namespace dctoolbar
