// Bars carried to Double Commander's toolbar and back.
#include "document/DcExchange.h"

#include "document/BarDoctor.h"
#include "document/ButtonList.h"
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
    if (!StartsWithName(name, "cm_")) {
      Leave(barFile, position,
            (StartsWithName(name, "em_") ? "the user command " : "the command ") + name);
      return false;
    }
    const auto dcName = DcCommandName(name);
    if (!dcName) {
      Leave(barFile, position, "the command " + name + ", which Double Commander does not have");
      return false;
    }
    item.Kind = ItemKind::Command;
    item.Command = *dcName;
    if (const std::string params = JoinWords(ArgumentsOf(button.Command, name), button.Params);
        !params.empty())
      item.Params.push_back(params);
    return true;
  }

  void ProgramItem(const std::string &barFile, int position, const Button &button, Item &item) {
    item.Kind = ItemKind::Program;
    const std::string program =
        doctor::CommandFileOf(options_.ProgramFile, button).value_or(button.Command);
    const std::string params =
        JoinWords(ArgumentsOf(button.Command, ButtonBar::ProgramOf(button.Command)), button.Params);
    if (options_.Wine && IsWindowsProgram(program)) {
      item.Command = "wine";
      item.Params.push_back(JoinWords("\"" + program + "\"", params));
    } else {
      item.Command = HostName(program);
      if (item.Command.empty()) {
        // The program is carried by its Windows name, which Double Commander cannot start.
        item.Command = program;
        Leave(barFile, position, "the program " + program + ", which names no host file");
      }
      if (!params.empty())
        item.Params.push_back(params);
    }
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
      // Started through Wine: the program is the first parameter, a Windows name.
      const std::string program = params.front() == '"' ? params.substr(1, params.find('"', 1) - 1)
                                                        : params.substr(0, params.find(' '));
      button.Command = Portable(program);
      button.Params = ArgumentsOf(params, program);
    } else {
      button.Command = Portable(WindowsNameOf(item.Command));
      button.Params = params;
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
