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

// The first <MainToolbar> element in document order: the toolbar Double Commander shows.
pugi::xml_node FirstMainToolbar(pugi::xml_node document) {
  return document.find_node([](pugi::xml_node node) {
    return node.type() == pugi::node_element && std::string_view(node.name()) == "MainToolbar";
  });
}

void Load(pugi::xml_document &document, std::string_view xml, unsigned options) {
  const pugi::xml_parse_result parsed =
      document.load_buffer(xml.data(), xml.size(), options, pugi::encoding_utf8);
  if (!parsed)
    throw EToolbarError(std::string("the XML is malformed at byte ") +
                        std::to_string(parsed.offset) + ": " + parsed.description());
}

// The node's only element child when it has that name; none otherwise.
pugi::xml_node OnlyElement(pugi::xml_node node, std::string_view name) {
  pugi::xml_node found;
  for (pugi::xml_node child : node.children())
    if (child.type() == pugi::node_element) {
      if (found || child.name() != name)
        return {};
      found = child;
    }
  return found;
}

bool IsBlank(std::string_view text) {
  return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

// A configuration read to be written back as it stands: every node kept, whitespace and
// line ends included, texts and attribute values left escaped as they are written (and
// written back with format_no_escapes), the whitespace around the root kept by reading
// the document as a fragment (whose one root is checked by hand).
constexpr unsigned kKeepAsWritten =
    ((pugi::parse_full | pugi::parse_ws_pcdata | pugi::parse_fragment) &
     ~(pugi::parse_escapes | pugi::parse_eol | pugi::parse_wconv_attribute));

// Whitespace as a document lays it out: the line end and the indentation step before its
// root's first child; none for a document written on one line, or indented by more than
// any step of a file written to be read (a step is repeated on every line written).
struct Layout {
  std::string LineEnd;
  std::string Step;

  // A line end and the indentation of a node at that depth (the root's children at 1).
  std::string NewLine(int depth) const {
    if (LineEnd.empty())
      return {};
    std::string text = LineEnd;
    for (int level = 0; level < depth; ++level)
      text += Step;
    return text;
  }
};

Layout LayoutOf(pugi::xml_node root) {
  const pugi::xml_node first = root.first_child();
  if (first.type() != pugi::node_pcdata)
    return {};
  const std::string_view text = first.value();
  const size_t end = text.rfind('\n');
  constexpr size_t kWidestStep = 8;
  if (end == std::string_view::npos || text.find_first_not_of(" \t", end + 1) != text.npos ||
      text.size() - end - 1 > kWidestStep)
    return {};
  return {end > 0 && text[end - 1] == '\r' ? "\r\n" : "\n", std::string(text.substr(end + 1))};
}

// Levels below the root element: 0 for the root.
int DepthOf(pugi::xml_node node) {
  int depth = -1;
  for (; node.parent(); node = node.parent())
    ++depth;
  return depth;
}

// Puts each element below node (at depth) on a line of its own, one step deeper.
void IndentChildren(pugi::xml_node node, const Layout &layout, int depth) {
  if (layout.LineEnd.empty())
    return;
  std::vector<pugi::xml_node> elements;
  for (pugi::xml_node child : node.children())
    if (child.type() == pugi::node_element)
      elements.push_back(child);
  if (elements.empty())
    return;
  for (pugi::xml_node element : elements) {
    node.insert_child_before(pugi::node_pcdata, element)
        .set_value(layout.NewLine(depth + 1).c_str());
    IndentChildren(element, layout, depth + 1);
  }
  node.append_child(pugi::node_pcdata).set_value(layout.NewLine(depth).c_str());
}

// Appends the element made elsewhere as parent's last child, laid out as the document is:
// on a line of its own, with the blank that closed parent closing it again.
void AppendLaidOut(pugi::xml_node parent, pugi::xml_node made, const Layout &layout) {
  // Deeper than any configuration nests its toolbar: written on one line rather than
  // indented by ever longer runs of blanks.
  constexpr int kDeepest = 16;
  const int depth = DepthOf(parent);
  const Layout used = depth <= kDeepest ? layout : Layout{};
  if (const pugi::xml_node last = parent.last_child();
      !used.LineEnd.empty() && last.type() == pugi::node_pcdata && IsBlank(last.value()))
    parent.remove_child(last);
  IndentChildren(made, used, depth + 1);
  std::ostringstream text;
  text << used.NewLine(depth + 1);
  made.print(text, "", pugi::format_raw, pugi::encoding_utf8);
  text << used.NewLine(depth);
  const std::string bytes = text.str();
  if (!parent.append_buffer(bytes.data(), bytes.size(), kKeepAsWritten, pugi::encoding_utf8))
    throw EToolbarError("the toolbar cannot be placed in the configuration");
}

// A fragment read as a document must have one root element and nothing but blanks
// beside it.
pugi::xml_node OnlyRoot(const pugi::xml_document &document) {
  pugi::xml_node root;
  for (pugi::xml_node child : document.children()) {
    if (child.type() == pugi::node_element) {
      if (root)
        throw EToolbarError("the XML has more than one root element");
      root = child;
    } else if (child.type() == pugi::node_pcdata && !IsBlank(child.value())) {
      throw EToolbarError("the XML has text outside its root element");
    }
  }
  if (!root)
    throw EToolbarError("the XML has no root element");
  return root;
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

bool IsToolbarExport(std::string_view xml) {
  pugi::xml_document document;
  if (!document.load_buffer(xml.data(), xml.size(), pugi::parse_default, pugi::encoding_utf8))
    return false;
  const pugi::xml_node root = document.document_element();
  if (std::string_view(root.name()) != "doublecmd")
    return false;
  for (pugi::xml_attribute attribute : root.attributes())
    if (std::string_view(attribute.name()) != "ConfigVersion")
      return false;
  const pugi::xml_node toolbar = OnlyElement(OnlyElement(root, "Toolbars"), "MainToolbar");
  if (!toolbar)
    return false;
  for (pugi::xml_node child : toolbar.children())
    if (child.type() == pugi::node_element && std::string_view(child.name()) != "Row")
      return false;
  return !toolbar.find_node([](pugi::xml_node node) {
    return node.type() == pugi::node_element && std::string_view(node.name()) == "ID";
  });
}

std::string ReplaceMainToolbar(std::string_view configuration, const std::vector<Item> &items) {
  pugi::xml_document document;
  Load(document, configuration, kKeepAsWritten);
  const pugi::xml_node root = OnlyRoot(document);
  if (std::string_view(root.name()) != "doublecmd")
    throw EToolbarError(std::string("the XML is no Double Commander configuration: its root is <") +
                        root.name() + ">, not <doublecmd>");
  const Layout layout = LayoutOf(root);

  // What is made: the row, inside the <MainToolbar> and <Toolbars> it lacks.
  pugi::xml_document made;
  pugi::xml_node parent = FirstMainToolbar(document);
  pugi::xml_node top = made;
  if (!parent) {
    parent = root.child("Toolbars");
    if (!parent) {
      parent = root;
      top = top.append_child("Toolbars");
    }
    top = top.append_child("MainToolbar");
  } else {
    while (parent.first_child())
      parent.remove_child(parent.first_child());
  }
  WriteItems(top.append_child("Row"), items);
  AppendLaidOut(parent, made.first_child(), layout);

  unsigned format = pugi::format_raw | pugi::format_no_escapes | pugi::format_no_declaration;
  if (configuration.substr(0, 3) == "\xEF\xBB\xBF")
    format |= pugi::format_write_bom;
  std::ostringstream out;
  document.save(out, "", format, pugi::encoding_utf8);
  std::string written = out.str();
  // Values are written back as they were read, quoted as pugixml quotes them: one that
  // only its own quotes made well-formed would break the document.
  pugi::xml_document check;
  if (!check.load_buffer(written.data(), written.size(), pugi::parse_default, pugi::encoding_utf8))
    throw EToolbarError("the configuration cannot be written back as it stands");
  return written;
}

std::vector<Item> ReadToolbarXml(std::string_view xml) {
  pugi::xml_document document;
  // The default parse reads no DTD and expands no entity but XML's own five.
  Load(document, xml, pugi::parse_default);
  const pugi::xml_node toolbar = FirstMainToolbar(document);
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
