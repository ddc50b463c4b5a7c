// Double Commander's toolbar written to and read from the XML of its configuration, with
// pugixml.
#include "document/DcToolbar.h"

#include "platform/CodePage.h"

#include <pugixml.hpp>
#include <sstream>

namespace dctoolbar {

namespace {

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

bool HandlesToolbarXml() {
  return true;
}

} // namespace dctoolbar
