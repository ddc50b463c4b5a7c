#pragma once
// The toolbar of Double Commander, the file manager Total Commander's users on Linux move
// to: its items as its configuration file "doublecmd.xml" holds them, and the names of its
// internal commands beside Total Commander's.
//
// Format facts, as Double Commander 1.0 writes and reads them back:
// - the toolbar is <doublecmd><Toolbars><MainToolbar><Row>, its items the children of
//   the row, in order; an element it does not know is dropped when it saves;
// - an item is <Separator>, <Command> (an internal command), <Program> or <Menu> (a
//   drop-down of further items in <MenuItems>);
// - every item but a separator has <Text> (its caption, shown in a drop-down menu and
//   with captions on), <Hint> (its tooltip) and <Icon> (a theme icon name such as
//   "cm_copy", or a file); a command item has <Command> (its name) and one <Param> per
//   parameter; a program item <Command> (the program), <Params> and <StartPath>;
// - an item without <ID> gets a new one at the next start.
//
// Texts of the items are texts of the core (code page bytes, or marked UTF-8); the XML is
// UTF-8, converted where it is written and read.
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace dctoolbar {

enum class ItemKind { Separator, Command, Program, Menu };

struct Item {
  ItemKind Kind = ItemKind::Separator;
  std::string Text;
  std::string Hint;
  std::string Icon;
  std::string Command;             // a command item's name, a program item's program
  std::vector<std::string> Params; // a command item's <Param>s; a program item's one <Params>
  std::string StartPath;
  std::vector<Item> Items; // a menu's items
};

// A document that holds no toolbar Double Commander could have written; the message says
// what is wrong (UTF-8, from the parser or naming the element).
class EToolbarError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Menus nested deeper than this are refused when read: no toolbar comes near it, and a
// crafted file must not exhaust the stack.
constexpr int MaxMenuDepth = 32;
// Nor more items than this, menus' items included: each menu becomes a bar of its own when
// imported, and no toolbar comes near it either.
constexpr size_t MaxToolbarItems = 100000;

// The items as a "doublecmd.xml" holding only the toolbar, which Double Commander reads as
// its configuration (every other setting at its default) and which its toolbar section
// can be copied from.
std::string ToolbarXml(const std::vector<Item> &items);
// Whether the document is a toolbar ToolbarXml wrote, as every version of it has written
// them: the root <doublecmd> with no attribute but "ConfigVersion", holding nothing but
// <Toolbars><MainToolbar> and its rows, and no <ID> in them (Double Commander gives every
// item it saves one). A configuration Double Commander saved, even over such a file, is
// not one, nor is a malformed document.
bool IsToolbarExport(std::string_view xml);
// The configuration with the items in its first <MainToolbar> (the one ReadToolbarXml
// reads) in place of what it held: every other node, attribute, comment and the
// whitespace between them stay as they are, and the new toolbar is indented as the
// document is (line ends and indentation of its root's first child). Where the root has no
// <MainToolbar>, one is added in its <Toolbars> (added too when missing). Throws
// EToolbarError for malformed XML or a document whose root is not <doublecmd>.
std::string ReplaceMainToolbar(std::string_view configuration, const std::vector<Item> &items);
// The items of the first <MainToolbar> of a document (its rows one after the other):
// a "doublecmd.xml", or any document holding that element. No DTD or entity of the
// document is expanded. Throws EToolbarError for malformed XML, a document without
// <MainToolbar>, or menus nested beyond MaxMenuDepth.
std::vector<Item> ReadToolbarXml(std::string_view xml);
// Whether this build reads and writes the toolbars' XML at all.
bool HandlesToolbarXml();

// Double Commander's name of an internal command of Total Commander (letter case
// ignored): the same name where it has one of that name, its own where the names differ;
// nothing when it has no such command.
std::optional<std::string> DcCommandName(std::string_view tcName);
// Total Commander's names of an internal command of Double Commander, the other way
// through the same table: the names that map to it, in the table's order (Total
// Commander has several names for some commands), then the name as it stands.
std::vector<std::string> TcCommandNames(std::string_view dcName);
// Whether Double Commander 1.0 has an internal command of that name (letter case ignored).
bool IsDcCommand(std::string_view name);

} // namespace dctoolbar
