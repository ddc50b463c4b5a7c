// Bars carried to Double Commander's toolbar and back.
#include "document/DcExchange.h"

#include "document/BarDoctor.h"
#include "document/ButtonList.h"
#include "document/CommandCatalog.h"
#include "document/FileNames.h"
#include "document/IconReference.h"
#include "document/Resolve.h"
#include "icons/IconLibrary.h"
#include "icons/PictureIcon.h"
#include "icons/PngEncode.h"
#include "platform/CodePage.h"
#include "platform/HostFiles.h"
#include "platform/IconHandle.h"
#include "platform/TextRules.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <unordered_map>

namespace dctoolbar {

namespace {

std::string TrimBlanks(const std::string &text) {
  const size_t start = text.find_first_not_of(" \t");
  if (start == std::string::npos)
    return {};
  return text.substr(start, text.find_last_not_of(" \t") - start + 1);
}

// The first word of a command without a leading "*" (run as administrator) and quotes:
// where the names of internal and keyword commands stand.
std::string CommandName(const std::string &command) {
  std::string rest = TrimBlanks(command);
  if (!rest.empty() && rest.front() == '*')
    rest = TrimBlanks(rest.substr(1));
  return RemoveQuotes(rest.substr(0, rest.find_first_of(" \t")));
}

// The words of a command after its program (or its name): what it passes before the
// button's parameters.
std::string ArgumentsOf(const std::string &command, const std::string &program) {
  const size_t at = command.find(program);
  if (at == std::string::npos)
    return {};
  std::string rest = command.substr(at + program.size());
  if (!rest.empty() && rest.front() == '"')
    rest.erase(0, 1);
  return TrimBlanks(rest);
}

std::string JoinWords(const std::string &first, const std::string &second) {
  return first.empty() ? second : second.empty() ? first : first + " " + second;
}

bool StartsWithName(const std::string &name, const char *prefix) {
  return platform::LowerText(name.substr(0, 3)) == prefix;
}

// Total Commander's keyword commands, which name no internal command.
bool IsKeyword(const std::string &upperName) {
  static const std::set<std::string> keywords = {"CD",         "OPENBAR",         "OPENTABS",
                                                 "APPENDTABS", "FTPOPEN",         "SYNCOPEN",
                                                 "LOADSEARCH", "OPENLANGUAGEFILE"};
  return keywords.count(upperName) != 0;
}

// An internal command given by its number ("540", "-2").
bool IsCommandNumber(const std::string &name) {
  const size_t digits = name.compare(0, 1, "-") == 0 ? 1 : 0;
  return name.size() > digits && name.find_first_not_of("0123456789", digits) == std::string::npos;
}

// A program Wine runs: Windows' executable kinds.
bool IsWindowsProgram(const std::string &name) {
  static const std::set<std::string> kinds = {".exe", ".com", ".bat", ".cmd"};
  return kinds.count(platform::LowerText(FileExtension(name))) != 0;
}

// The name of a file in a folder, each a Windows name.
std::string InFolder(const std::string &folder, const std::string &file) {
  if (folder.empty() || folder.back() == '\\')
    return folder + file;
  return folder + "\\" + file;
}

// Total Commander's placeholders and what Double Commander's documentation gives for each:
// the file under the cursor and its parts, the panels' folders, the list files and the
// two of the same meaning. Double Commander quotes what it puts in and ends folders
// without a separator unless told otherwise; Total Commander does neither and ends them
// in a backslash, so the translated parameters start with PlaceholderMode.
constexpr std::pair<std::string_view, std::string_view> Placeholders[] = {
    {"%UL", "%LU"}, {"%UF", "%FU"}, {"%WL", "%LW"}, {"%WF", "%FW"}, {"%P", "%Ds"},
    {"%T", "%Dt"},  {"%N", "%fs0"}, {"%M", "%ft0"}, {"%O", "%os0"}, {"%E", "%es0"},
    {"%L", "%L"},   {"%F", "%F"},   {"%?", "%?"},   {"%%", "%%"},
};
constexpr std::string_view PlaceholderMode = "%\"0%/1";

// The placeholder of the table standing at position at of the text, from the side given
// (first: Total Commander's), the longest of those that match.
const std::pair<std::string_view, std::string_view> *PlaceholderAt(std::string_view text, size_t at,
                                                                   bool tcSide) {
  const std::pair<std::string_view, std::string_view> *found = nullptr;
  for (const auto &pair : Placeholders) {
    const std::string_view name = tcSide ? pair.first : pair.second;
    if (text.substr(at, name.size()) == name &&
        (!found || name.size() > (tcSide ? found->first : found->second).size()))
      found = &pair;
  }
  return found;
}

// The length of the %NAME% reference at position at ("%" included), 0 when none stands
// there: a name of letters, digits and "_$()" as the environment's names are written.
size_t ReferenceAt(std::string_view text, size_t at) {
  size_t end = at + 1;
  while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) ||
                               std::string_view("_$()").find(text[end]) != std::string::npos))
    ++end;
  return end < text.size() && text[end] == '%' && end > at + 1 ? end - at + 1 : 0;
}

// A short name between percent signs ("%P%N" pairs up as %P%) is Total Commander's
// placeholder, not a variable.
bool IsPlaceholderName(const std::string &name) {
  return name.size() <= 2;
}

} // namespace

ParameterTranslation ParametersForDc(const std::string &exeFileName, const std::string &params) {
  ParameterTranslation result;
  bool translated = false;
  for (size_t at = 0; at < params.size();) {
    if (params[at] != '%') {
      result.Text += params[at++];
      continue;
    }
    // A variable, set or not, is one by its long name; a short one only when it is set.
    const size_t reference = ReferenceAt(params, at);
    const std::string name = reference != 0 ? params.substr(at + 1, reference - 2) : "";
    const bool variable =
        reference != 0 && (!IsPlaceholderName(name) || !VariableValue(exeFileName, name).empty());
    const auto *placeholder = variable ? nullptr : PlaceholderAt(params, at, true);
    if (placeholder) {
      result.Text += placeholder->second;
      translated = translated || placeholder->first != "%%";
      at += placeholder->first.size();
    } else if (reference != 0) {
      result.Text += params.substr(at, reference);
      at += reference;
    } else {
      // Any other placeholder: Double Commander reads a percent sign before a letter (and
      // before a few signs) as its own variable.
      if (at + 1 < params.size() &&
          (std::isalpha(static_cast<unsigned char>(params[at + 1])) ||
           std::string_view("[\"/#").find(params[at + 1]) != std::string::npos))
        if (const std::string what = params.substr(at, 2);
            std::find(result.ReadOtherwise.begin(), result.ReadOtherwise.end(), what) ==
            result.ReadOtherwise.end())
          result.ReadOtherwise.push_back(what);
      result.Text += params[at++];
    }
  }
  if (translated)
    result.Text = std::string(PlaceholderMode) + result.Text;
  for (std::string &name : UnsetVariables(exeFileName, params))
    if (!IsPlaceholderName(name))
      result.Unset.push_back(std::move(name));
  return result;
}

std::string ParametersForTc(const std::string &params) {
  if (params.compare(0, PlaceholderMode.size(), PlaceholderMode) != 0)
    return params;
  std::string text;
  for (size_t at = PlaceholderMode.size(); at < params.size();) {
    if (const auto *placeholder = params[at] == '%' ? PlaceholderAt(params, at, false) : nullptr) {
      text += placeholder->first;
      at += placeholder->second.size();
    } else {
      text += params[at++];
    }
  }
  return text;
}

namespace {

class Exporter {
public:
  explicit Exporter(const ExportOptions &options)
      : options_(options), context_(options.ProgramFile) {}

  ExportResult Run(const std::string &barFile) {
    ButtonBar bar(barFile, options_.ProgramFile);
    result_.Items = BarItems(barFile, bar);
    return std::move(result_);
  }

private:
  std::vector<Item> BarItems(const std::string &barFile, const ButtonBar &bar) {
    onPath_.push_back(context_.Identity(barFile));
    std::vector<Item> items;
    for (int position = 0; position < bar.Count(); ++position)
      if (auto item = ButtonItem(barFile, position, *bar.Buttons[static_cast<size_t>(position)]))
        items.push_back(std::move(*item));
    onPath_.pop_back();
    return items;
  }

  void Leave(const std::string &barFile, int position, std::string what) {
    result_.LeftOut.push_back({barFile, position, std::move(what)});
  }
  // The item is written, but cannot work as the button did.
  void Warn(const std::string &barFile, int position, std::string what) {
    result_.LeftOut.push_back({barFile, position, std::move(what), true});
  }

  std::optional<Item> ButtonItem(const std::string &barFile, int position, const Button &button) {
    ++items_;
    if (TrimBlanks(button.Command).empty())
      return Item{};
    Item item;
    if (auto subBar = doctor::SubBarOf(options_.ProgramFile, button)) {
      if (!SubBarItem(barFile, position, button, *subBar, item))
        return std::nullopt;
    } else if (doctor::SpecialCommand(button.Command)) {
      if (!CommandItem(barFile, position, button, item))
        return std::nullopt;
    } else {
      ProgramItem(barFile, position, button, item);
    }
    item.Text = item.Hint = button.Tooltip;
    if (!button.IconRef.empty()) {
      if (auto icon = IconOf(button.IconRef))
        item.Icon = *icon;
      else
        Leave(barFile, position, "the icon " + button.IconRef + " cannot be read");
    }
    if (button.RunMode != 0)
      Leave(barFile, position, "the window state (iconic=" + std::to_string(button.RunMode) + ")");
    return item;
  }

  bool SubBarItem(const std::string &barFile, int position, const Button &button,
                  const std::string &subBar, Item &item) {
    const std::string name = RemoveQuotes(button.Command);
    if (!options_.Recursive) {
      Leave(barFile, position, "the sub-bar " + name + " (sub-bars are not followed)");
      return false;
    }
    const std::string identity = context_.Identity(subBar);
    if (identity.empty()) {
      Leave(barFile, position, "the sub-bar " + name + " does not exist");
      return false;
    }
    if (std::find(onPath_.begin(), onPath_.end(), identity) != onPath_.end()) {
      Leave(barFile, position, "the sub-bar " + name + " leads back to a bar on the way to it");
      return false;
    }
    // A menu holds a copy of its bar wherever it is opened: bars opened from many places
    // of a deep tree would multiply, and a toolbar this deep or large is no one's.
    if (onPath_.size() > static_cast<size_t>(MaxMenuDepth) || items_ >= MaxToolbarItems) {
      Leave(barFile, position, "the sub-bar " + name + ", beyond the menus a toolbar can hold");
      return false;
    }
    try {
      ButtonBar bar(subBar, options_.ProgramFile);
      item.Kind = ItemKind::Menu;
      item.Items = BarItems(subBar, bar);
      return true;
    } catch (const EBarLoadError &e) {
      Leave(barFile, position, "the sub-bar " + name + " cannot be read: " + e.what());
      return false;
    }
  }

  bool CommandItem(const std::string &barFile, int position, const Button &button, Item &item) {
    const std::string name = CommandName(button.Command);
    const std::string arguments = JoinWords(ArgumentsOf(button.Command, name), button.Params);
    const std::string keyword = platform::UpperText(name);
    if (keyword == "CD")
      return ChangeDirItem(barFile, position, arguments, item);
    if (keyword == "CONTROL")
      return WindowsToolItem(barFile, position, "control", arguments, item);
    if (IsKeyword(keyword)) {
      Leave(barFile, position, "the keyword " + keyword + " has no Double Commander command");
      return false;
    }
    std::string tcName = name;
    if (IsCommandNumber(name)) {
      tcName = NameOfNumber(name);
      if (tcName.empty()) {
        Leave(barFile, position,
              "the command number " + name +
                  " has no Double Commander command (Total Commander's command list names "
                  "no command of that number)");
        return false;
      }
    } else if (!StartsWithName(name, "cm_")) {
      Leave(barFile, position,
            (StartsWithName(name, "em_") ? "the user command " : "the command ") + name);
      return false;
    }
    const auto dcName = DcCommandName(tcName);
    if (!dcName) {
      Leave(barFile, position,
            "the command " + (tcName == name ? name : name + " (" + tcName + ")") +
                ", which Double Commander does not have");
      return false;
    }
    item.Kind = ItemKind::Command;
    item.Command = *dcName;
    if (!arguments.empty())
      item.Params.push_back(arguments);
    return true;
  }

  // "cd DIR": Double Commander's cm_ChangeDir with the folder's host path, which it takes
  // only as a full path.
  bool ChangeDirItem(const std::string &barFile, int position, const std::string &arguments,
                     Item &item) {
    const std::string folder = RemoveQuotes(arguments);
    if (!LeaveUnset(barFile, position, "the folder of cd", folder).empty())
      return false;
    const std::string path = ExpandEnvironmentReference(options_.ProgramFile, folder);
    std::string host = path.empty() ? std::string() : HostName(path);
    if (host.empty()) {
      Leave(barFile, position,
            "cd " + folder + ": Double Commander's cm_ChangeDir takes only a full path");
      return false;
    }
    if (path.back() == '\\' && host.back() != '/')
      host += '/';
    item.Kind = ItemKind::Command;
    item.Command = "cm_ChangeDir";
    item.Params.push_back(host);
    return true;
  }

  // Windows' own tool of Control Panel items and consoles: only Wine has it on the host.
  bool WindowsToolItem(const std::string &barFile, int position, const std::string &tool,
                       const std::string &arguments, Item &item) {
    if (!options_.Wine) {
      Leave(barFile, position,
            "the command " + JoinWords(tool, arguments) +
                " runs only on Windows (with --wine: through wine " + tool + ")");
      return false;
    }
    item.Kind = ItemKind::Program;
    item.Command = "wine";
    item.Params.push_back(JoinWords(tool, arguments));
    return true;
  }

  // The variables nothing sets in a field, each listed; the names.
  std::vector<std::string> LeaveUnset(const std::string &barFile, int position,
                                      const std::string &field, const std::string &text) {
    std::vector<std::string> names = UnsetVariables(options_.ProgramFile, text);
    for (const std::string &name : names)
      Leave(barFile, position, field + " holds %" + name + "%, which nothing sets");
    return names;
  }

  // The name Total Commander's command list gives a command number; empty when it names
  // none. The list is read once, when the first number is met.
  std::string NameOfNumber(const std::string &number) {
    if (!numbers_) {
      numbers_.emplace();
      CommandCatalog catalog;
      catalog.Load(options_.ProgramFile);
      for (const std::string &line : catalog.CommandLines())
        if (!line.empty() && line.front() != ';' && line.find("__") == std::string::npos)
          numbers_->emplace(TrimBlanks(SplitCommandLine(line, 2)), SplitCommandLine(line, 1));
    }
    const auto found = numbers_->find(number);
    return found == numbers_->end() ? std::string() : found->second;
  }

  void ProgramItem(const std::string &barFile, int position, const Button &button, Item &item) {
    item.Kind = ItemKind::Program;
    const std::string written = ButtonBar::ProgramOf(button.Command);
    const std::string program =
        doctor::CommandFileOf(options_.ProgramFile, button).value_or(button.Command);
    const ParameterTranslation params = ParametersForDc(
        options_.ProgramFile, JoinWords(ArgumentsOf(button.Command, written), button.Params));
    const std::string extension = platform::LowerText(FileExtension(program));
    const std::string tool = extension == ".cpl" ? "control" : extension == ".msc" ? "mmc" : "";
    bool hostless = false;
    if (options_.Wine && (IsWindowsProgram(program) || !tool.empty())) {
      item.Command = "wine";
      item.Params.push_back(JoinWords(JoinWords(tool, "\"" + program + "\""), params.Text));
    } else {
      item.Command = HostName(program);
      if (item.Command.empty()) {
        // The program is carried by its Windows name, which Double Commander cannot start.
        item.Command = program;
        hostless = true;
        Warn(barFile, position, "the program " + program + ", which names no host file");
      } else if (!tool.empty()) {
        Warn(barFile, position,
             "the " + std::string(tool == "control" ? "Control Panel item " : "console ") +
                 program + " opens only on Windows (with --wine: through wine " + tool + ")");
      }
      if (!params.Text.empty())
        item.Params.push_back(params.Text);
    }
    // A name the host cannot have was said above; any other leads to a file or nowhere.
    const bool bare = written.find_first_of("\\/:%") == std::string::npos;
    if (!hostless && !platform::FileExists(program) && !platform::DirectoryExists(program))
      Warn(barFile, position,
           bare ? "the program " + written +
                      " is found nowhere: not in Total Commander's folder, nor on the search path"
                : "the program " + program + " does not exist");
    for (const std::string &name : params.Unset)
      Warn(barFile, position, "the parameters hold %" + name + "%, which nothing sets");
    for (const std::string &placeholder : params.ReadOtherwise)
      Warn(barFile, position,
           "the parameters hold " + placeholder + ", which Double Commander reads otherwise");
    for (const std::string &name : UnsetVariables(options_.ProgramFile, button.StartPath))
      Warn(barFile, position, "the start path holds %" + name + "%, which nothing sets");
    if (!button.StartPath.empty()) {
      const std::string path =
          ExpandEnvironmentReference(options_.ProgramFile, RemoveQuotes(button.StartPath));
      item.StartPath = HostName(path);
      if (item.StartPath.empty())
        item.StartPath = path;
      else if (path.back() == '\\' && item.StartPath.back() != '/')
        item.StartPath += '/'; // kept as written, so that the way back gives the same text
    }
  }

  // The host path as a text of the core (host paths are UTF-8); empty for a name that
  // leads nowhere on the host: an unmapped drive, or a relative name (left by a variable
  // nothing sets), which the host would take from whatever folder it is in.
  static std::string HostName(const std::string &windowsName) {
    const bool rooted = (windowsName.size() >= 2 && windowsName[1] == ':') ||
                        (!windowsName.empty() && (windowsName[0] == '\\' || windowsName[0] == '/'));
    return rooted ? platform::Utf8ToText(platform::HostPath(windowsName)) : std::string();
  }

  // The host path of the PNG file of an icon reference, written once per icon.
  std::optional<std::string> IconOf(const std::string &reference) {
    const std::optional<int> parsed = IconIndexPart(reference);
    if (!parsed)
      return std::nullopt;
    const int index = *parsed;
    const std::string file = ResolveFile(options_.ProgramFile, IconFileAsWritten(reference));
    const std::string key = platform::LowerText(file) + "," + std::to_string(index);
    if (auto known = icons_.find(key); known != icons_.end())
      return known->second;
    if (!platform::FileExists(file))
      return std::nullopt;
    const platform::IconHandle icon = platform::ExtractIconOfSize(file, index, options_.IconSize);
    if (!icon)
      return std::nullopt;
    const std::string png = InFolder(options_.IconFolder, PictureName(file, index));
    result_.Icons.push_back({png, icons::EncodePng(*icon.Pixels())});
    return icons_[key] = HostName(png);
  }

  // "wcmicons-3.png": the icon file's base name and the index; a number added when two
  // icon files of one base name lie in different folders.
  std::string PictureName(const std::string &file, int index) {
    const std::string base = ExtractFileName(ChangeFileExt(file, ""));
    std::string name = base + "-" + std::to_string(index);
    for (int n = 2; !pictureNames_.insert(platform::LowerText(name)).second; ++n)
      name = base + "-" + std::to_string(index) + "-" + std::to_string(n);
    return name + ".png";
  }

  const ExportOptions &options_;
  doctor::DoctorContext context_;
  ExportResult result_;
  std::vector<std::string> onPath_;                    // identities of the bars on the way
  std::unordered_map<std::string, std::string> icons_; // file,index -> PNG host path
  std::set<std::string> pictureNames_;
  size_t items_ = 0; // items made so far
  // Command numbers of Total Commander's command list and their names, once read.
  std::optional<std::unordered_map<std::string, std::string>> numbers_;
};

// A name Double Commander writes: a host path when it is one (it starts at the root),
// anything else (a program on the search path) as it stands. A folder's closing separator
// is kept, as the bar wrote it. Names are texts of the core on both sides: host paths are
// UTF-8 only on the disk.
std::string WindowsNameOf(const std::string &name) {
  if (name.empty() || name.front() != '/')
    return name;
  std::string windowsName = platform::WindowsName(platform::TextToUtf8(name));
  if (name.back() == '/' && !windowsName.empty() && windowsName.back() != '\\')
    windowsName += '\\';
  return windowsName;
}

class Importer {
public:
  explicit Importer(const ImportOptions &options)
      : options_(options), context_(options.ProgramFile) {}

  ImportResult Run(const std::vector<Item> &items, const std::string &barFile) {
    stem_ = ChangeFileExt(barFile, "");
    // Bars are made first, so that every picture is known before the library is written
    // and the library exists before any bar points into it.
    pending_.push_back({barFile, {}});
    FillBar(0, items);
    RefuseToReplaceOthers();
    if (library_.Icons.Count() > 0)
      library_.SaveToFile(options_.Library, icons::TLibraryFormat::PE32);
    result_.Icons = library_.Icons.Count();
    for (auto &[file, buttons] : pending_) {
      ButtonBar bar("", options_.ProgramFile);
      bar.CacheMode = CacheOff;
      for (Button &button : buttons) {
        bar.Add();
        *bar.Buttons.back() = std::move(button);
      }
      bar.SaveTo(file);
      result_.Bars.push_back(file);
    }
    return std::move(result_);
  }

private:
  // Only the bar asked for may be replaced: a library or a sub-bar of the name the import
  // would give it may be the user's own, so nothing is written when one is there.
  void RefuseToReplaceOthers() const {
    std::vector<std::string> made;
    if (library_.Icons.Count() > 0)
      made.push_back(options_.Library);
    for (size_t bar = 1; bar < pending_.size(); ++bar)
      made.push_back(pending_[bar].first);
    for (const std::string &file : made)
      if (platform::FileExists(file))
        throw platform::EFileWriteError(file + " exists already; it is not replaced");
  }

  void FillBar(size_t bar, const std::vector<Item> &items) {
    for (const Item &item : items) {
      Button button = ButtonOf(bar, item);
      pending_[bar].second.push_back(std::move(button));
    }
  }

  Button ButtonOf(size_t bar, const Item &item) {
    Button button;
    const int position = static_cast<int>(pending_[bar].second.size());
    if (item.Kind == ItemKind::Separator)
      return button;
    button.Tooltip = item.Hint.empty() ? item.Text : item.Hint;
    if (!item.Icon.empty())
      button.IconRef = IconReference(bar, position, item.Icon);
    switch (item.Kind) {
    case ItemKind::Command:
      // A folder, not one of the "name=value" parameters later versions take.
      if (item.Command == "cm_ChangeDir" && item.Params.size() == 1 &&
          item.Params.front().find('=') == std::string::npos) {
        button.Command = "cd " + Portable(WindowsNameOf(item.Params.front()));
        break;
      }
      button.Command = TcName(item.Command);
      // The report names what the bar holds: under another name, the one written.
      if (context_.KnowsInternalCommands() && !context_.IsInternalCommand(button.Command))
        result_.LeftOut.push_back(
            {pending_[bar].first, position,
             "the command " + button.Command + ", which Total Commander does not have " +
                 (button.Command == item.Command
                      ? std::string("(kept as it is)")
                      : "(written for Double Commander's " + item.Command + ")")});
      for (const std::string &param : item.Params)
        button.Params = JoinWords(button.Params, param);
      break;
    case ItemKind::Program:
      ProgramFields(item, button);
      break;
    case ItemKind::Menu: {
      const std::string subBar = stem_ + "-" + std::to_string(pending_.size()) + ".bar";
      button.Command = Portable(subBar);
      pending_.push_back({subBar, {}});
      FillBar(pending_.size() - 1, item.Items);
      break;
    }
    case ItemKind::Separator:
      break;
    }
    return button;
  }

  // The first of Total Commander's names that its command list holds.
  std::string TcName(const std::string &dcName) const {
    const std::vector<std::string> names = TcCommandNames(dcName);
    for (const std::string &name : names)
      if (context_.IsInternalCommand(name))
        return name;
    return names.front();
  }

  void ProgramFields(const Item &item, Button &button) const {
    const std::string params = item.Params.empty() ? std::string() : item.Params.front();
    if (ExtractFileName(RemoveQuotes(item.Command)) == "wine" && !params.empty()) {
      // Started through Wine: the program is the first parameter, a Windows name, after
      // the tool that opens Control Panel items and consoles.
      std::string rest = params;
      for (const char *tool : {"control \"", "mmc \""})
        if (rest.compare(0, std::string(tool).size(), tool) == 0)
          rest.erase(0, std::string(tool).size() - 1);
      const std::string program = rest.front() == '"' ? rest.substr(1, rest.find('"', 1) - 1)
                                                      : rest.substr(0, rest.find(' '));
      button.Command = Portable(program);
      button.Params = ParametersForTc(ArgumentsOf(rest, program));
    } else {
      button.Command = Portable(WindowsNameOf(item.Command));
      button.Params = ParametersForTc(params);
    }
    if (!item.StartPath.empty())
      button.StartPath = Portable(WindowsNameOf(item.StartPath));
  }

  std::string Portable(const std::string &name) const {
    return context_.PortableText(name).value_or(name);
  }

  // The icon of an item as an icon reference: a picture (PNG, SVG, or a theme icon)
  // as its icon in the library, any other file as it stands.
  std::string IconReference(size_t bar, int position, const std::string &icon) {
    const std::string file = IconFile(icon);
    if (file.empty() || !platform::FileExists(file)) {
      result_.LeftOut.push_back(
          {pending_[bar].first, position, "the icon " + icon + " is not found"});
      return {};
    }
    if (!icons::IsPictureFileName(file))
      return Portable(file);
    const std::string key = platform::LowerText(file);
    auto known = pictures_.find(key);
    if (known == pictures_.end()) {
      try {
        auto made = icons::IconFromPictureFile(file, true);
        // Icons named by ascending numbers are listed in that order: the index of each is
        // its position.
        const int index = library_.Icons.Count();
        library_.Icons.AddIcon(std::to_string(index + 1), std::move(made));
        known = pictures_.emplace(key, index).first;
      } catch (const std::exception &e) {
        result_.LeftOut.push_back(
            {pending_[bar].first, position, "the icon " + icon + ": " + e.what()});
        return {};
      }
    }
    return Portable(options_.Library) + "," + std::to_string(known->second);
  }

  // The Windows name of an item's icon: a file, or a theme icon of Double Commander
  // ("cm_copy"), its largest picture.
  std::string IconFile(const std::string &icon) const {
    if (icon.find('/') != std::string::npos)
      return WindowsNameOf(icon);
    if (options_.ThemeFolder.empty() || icon.find('\\') != std::string::npos)
      return {};
    for (const char *size : {"32x32", "24x24", "16x16"}) {
      const std::string file = InFolder(options_.ThemeFolder, std::string("dctheme\\") + size +
                                                                  "\\actions\\" + icon + ".png");
      if (platform::FileExists(file))
        return file;
    }
    return {};
  }

  const ImportOptions &options_;
  doctor::DoctorContext context_;
  ImportResult result_;
  std::string stem_;
  std::vector<std::pair<std::string, std::vector<Button>>> pending_; // bar file, buttons
  icons::TIconLibrary library_;
  std::unordered_map<std::string, int> pictures_; // picture file -> index in the library
};

} // namespace

ExportResult ExportBar(const std::string &barFile, const ExportOptions &options) {
  return Exporter(options).Run(barFile);
}

ImportResult ImportToolbar(const std::vector<Item> &items, const std::string &barFile,
                           const ImportOptions &options) {
  return Importer(options).Run(items, barFile);
}

} // namespace dctoolbar
