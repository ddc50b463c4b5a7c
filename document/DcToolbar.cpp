// Double Commander's toolbar: its items written to and read from the XML of its
// configuration, and the name table of internal commands.
#include "document/DcToolbar.h"

#include "platform/CodePage.h"

#include <algorithm>
#include <array>
#include <pugixml.hpp>
#include <sstream>

namespace dctoolbar {

namespace {

// The internal commands of Double Commander 1.0, as its manual lists them.
// clang-format off
constexpr std::array<std::string_view, 210> DcCommands = {
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
    "cm_CopyFullNamesToClip", "cm_CopyNamesToClip", "cm_CopyNetNamesToClip", "cm_CopyNoAsk",
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
    "cm_LoadFavoriteTabs", "cm_LoadList", "cm_LoadSelectionFromClip", "cm_LoadSelectionFromFile",
    "cm_LoadTabs", "cm_MakeDir", "cm_MarkCurrentExtension", "cm_MarkCurrentName",
    "cm_MarkCurrentNameExt", "cm_MarkCurrentPath", "cm_MarkInvert", "cm_MarkMarkAll",
    "cm_MarkMinus", "cm_MarkPlus", "cm_MarkUnmarkAll", "cm_Minimize", "cm_MoveTabLeft",
    "cm_MoveTabRight", "cm_MultiRename", "cm_NetworkConnect", "cm_NetworkDisconnect",
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

const char *ElementName(ItemKind kind) {
  switch (kind) {
  case ItemKind::Command:
    return "Command";
  case ItemKind::Program:
    return "Program";
  case ItemKind::Menu:
    return "Menu";
  case ItemKind::Separator:
    break;
  }
  return "Separator";
}

// A text of the core as the UTF-8 of the XML; empty texts are left out.
void AddText(pugi::xml_node parent, const char *name, const std::string &text) {
  if (!text.empty())
    parent.append_child(name).text().set(platform::TextToUtf8(text).c_str());
}

void WriteItems(pugi::xml_node parent, const std::vector<Item> &items);

void WriteItem(pugi::xml_node parent, const Item &item) {
  pugi::xml_node node = parent.append_child(ElementName(item.Kind));
  if (item.Kind == ItemKind::Separator) {
    node.append_child("Style").text().set("False");
    return;
  }
  AddText(node, "Text", item.Text);
  AddText(node, "Icon", item.Icon);
  AddText(node, "Hint", item.Hint);
  if (item.Kind == ItemKind::Menu) {
    // An empty menu has no <MenuItems>, as Double Commander writes it.
    if (!item.Items.empty())
      WriteItems(node.append_child("MenuItems"), item.Items);
    return;
  }
  AddText(node, "Command", item.Command);
  if (item.Kind == ItemKind::Command) {
    for (const std::string &param : item.Params)
      AddText(node, "Param", param);
    return;
  }
  if (!item.Params.empty())
    AddText(node, "Params", item.Params.front());
  AddText(node, "StartPath", item.StartPath);
}

void WriteItems(pugi::xml_node parent, const std::vector<Item> &items) {
  for (const Item &item : items)
    WriteItem(parent, item);
}

std::string ChildText(pugi::xml_node node, const char *name) {
  return platform::Utf8ToText(node.child(name).text().as_string());
}

std::vector<Item> ReadItems(pugi::xml_node parent, int depth, size_t &count);

std::optional<Item> ReadItem(pugi::xml_node node, int depth, size_t &count) {
  const std::string_view name = node.name();
  if (name == "Separator" || name == "Command" || name == "Program" || name == "Menu")
    if (++count > MaxToolbarItems)
      throw EToolbarError("the toolbar holds more than " + std::to_string(MaxToolbarItems) +
                          " items");
  Item item;
  if (name == "Separator")
    return item;
  if (name == "Command")
    item.Kind = ItemKind::Command;
  else if (name == "Program")
    item.Kind = ItemKind::Program;
  else if (name == "Menu")
    item.Kind = ItemKind::Menu;
  else
    return std::nullopt; // not an item: nothing Double Commander would show
  item.Text = ChildText(node, "Text");
  item.Hint = ChildText(node, "Hint");
  item.Icon = ChildText(node, "Icon");
  if (item.Kind == ItemKind::Menu) {
    if (depth >= MaxMenuDepth)
      throw EToolbarError("menus are nested more than " + std::to_string(MaxMenuDepth) + " deep");
    item.Items = ReadItems(node.child("MenuItems"), depth + 1, count);
    return item;
  }
  item.Command = ChildText(node, "Command");
  if (item.Kind == ItemKind::Command) {
    for (pugi::xml_node param : node.children("Param"))
      item.Params.push_back(platform::Utf8ToText(param.text().as_string()));
  } else {
    if (node.child("Params"))
      item.Params.push_back(ChildText(node, "Params"));
    item.StartPath = ChildText(node, "StartPath");
  }
  return item;
}

std::vector<Item> ReadItems(pugi::xml_node parent, int depth, size_t &count) {
  std::vector<Item> items;
  for (pugi::xml_node child : parent.children())
    if (child.type() == pugi::node_element)
      if (auto item = ReadItem(child, depth, count))
        items.push_back(std::move(*item));
  return items;
}

} // namespace

std::string ToolbarXml(const std::vector<Item> &items) {
  pugi::xml_document document;
  pugi::xml_node declaration = document.append_child(pugi::node_declaration);
  declaration.append_attribute("version") = "1.0";
  declaration.append_attribute("encoding") = "UTF-8";
  // The version of the configuration's layout: without it Double Commander takes the
  // file for one of an old version and converts it.
  pugi::xml_node root = document.append_child("doublecmd");
  root.append_attribute("ConfigVersion") = "13";
  WriteItems(root.append_child("Toolbars").append_child("MainToolbar").append_child("Row"), items);
  std::ostringstream out;
  document.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
  return out.str();
}

std::vector<Item> ReadToolbarXml(std::string_view xml) {
  pugi::xml_document document;
  // The default parse reads no DTD and expands no entity but XML's own five.
  const pugi::xml_parse_result parsed =
      document.load_buffer(xml.data(), xml.size(), pugi::parse_default, pugi::encoding_utf8);
  if (!parsed)
    throw EToolbarError(std::string("the XML is malformed at byte ") +
                        std::to_string(parsed.offset) + ": " + parsed.description());
  const pugi::xml_node toolbar = document.find_node(
      [](pugi::xml_node node) { return std::string_view(node.name()) == "MainToolbar"; });
  if (!toolbar)
    throw EToolbarError("the XML holds no MainToolbar");
  std::vector<Item> items;
  size_t count = 0;
  for (pugi::xml_node row : toolbar.children("Row"))
    for (Item &item : ReadItems(row, 0, count))
      items.push_back(std::move(item));
  return items;
}

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
  if (names.empty())
    names.emplace_back(dcName);
  return names;
}

bool IsDcCommand(std::string_view name) {
  return KnownDcCommand(name).has_value();
}

} // namespace dctoolbar
