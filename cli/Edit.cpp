#include "cli/Cli.h"
#include "document/BarEdits.h"

#include <cstdio>
#include <functional>
#include <map>

namespace cli {

namespace {

const char *const EditUsage =
    "usage: corvane-cli edit BAR OPERATION... [--save-as FILE] [--cache off|links|tcmenu]\n"
    "                        [--new] [--bytes]\n"
    "Applies the operations in order, then saves BAR (or writes FILE). Positions are 1-based.\n"
    "BAR must exist unless --new is given, which starts a new, empty bar of that name.\n"
    "The icon cache mode of the save is --cache, else \"DefaultCache\" of Corvane.ini.\n"
    "With the cache off no BAR.icl is written; a file BAR.icl that is not a cache a save\n"
    "wrote is kept, and the bar is saved without a cache (stderr says so).\n"
    "A value cannot hold a line break. Values are taken as UTF-8 and stored in the system\n"
    "code page, or as UTF-8 marked by a byte order mark when the code page lacks one of\n"
    "their characters; --bytes stores them as the bytes given.\n"
    "operations:\n"
    "  --add                    append an empty button\n"
    "  --insert POS             insert an empty button at POS (1..count+1)\n"
    "  --delete POS             delete the button at POS\n"
    "  --move FROM TO           move the button at FROM to TO\n"
    "  --set POS FIELD VALUE    set a field: 0-5 or icon, command, params, path, tooltip,\n"
    "                           runmode\n"
    "Without operations the bar is saved again as it is.\n";

// An operation on the bar: the edit it makes of the bar as it is by then; the form tells
// how a value given is taken.
using Operation = std::function<edits::Edit(const ButtonBar &, TextForm)>;

int FieldNumber(const std::string &name) {
  static const std::map<std::string, int> fields = {
      {"0", bfIconRef},     {"1", bfCommand},      {"2", bfParams},        {"3", bfStartPath},
      {"4", bfTooltip},     {"5", bfRunMode},      {"icon", bfIconRef},    {"command", bfCommand},
      {"params", bfParams}, {"path", bfStartPath}, {"tooltip", bfTooltip}, {"runmode", bfRunMode}};
  auto found = fields.find(name);
  if (found == fields.end())
    throw UsageError("unknown field '" + name + "'");
  return found->second;
}

class OperationParser {
public:
  explicit OperationParser(const Args &args) : args_(args) {}

  // Returns the operations; fills bar and saveAs. Throws UsageError.
  std::vector<Operation> Parse(std::string &bar, std::string &saveAs, bool &help) {
    std::vector<Operation> operations;
    while (next_ < args_.size()) {
      const std::string arg = args_[next_++];
      if (arg == "--help")
        help = true;
      else if (arg == "--new")
        isNew = true;
      else if (arg == "--bytes")
        form = TextForm::Bytes;
      else if (arg == "--save-as")
        saveAs = Take("--save-as", "FILE");
      else if (arg == "--cache")
        cache = ParseCacheMode(Take("--cache", "off, links or tcmenu"));
      else if (arg == "--add")
        operations.push_back([](const ButtonBar &, TextForm) { return edits::Add(std::nullopt); });
      else if (arg == "--insert")
        operations.push_back(Insert(Take(arg, "POS")));
      else if (arg == "--delete")
        operations.push_back(Delete(Take(arg, "POS")));
      else if (arg == "--move")
        operations.push_back(MoveOp(TakeAll(arg, {"FROM", "TO"})));
      else if (arg == "--set")
        operations.push_back(Set(TakeAll(arg, {"POS", "FIELD", "VALUE"})));
      else if (bar.empty() && (arg.empty() || arg[0] != '-'))
        bar = arg;
      else
        throw UsageError("unexpected argument '" + arg + "'");
    }
    return operations;
  }

  std::optional<uint8_t> cache;         // --cache, when given
  bool isNew = false;                   // --new: BAR need not exist
  TextForm form = TextForm::Characters; // --bytes: values are taken as bytes

private:
  std::string Take(const std::string &option, const char *what) {
    if (next_ >= args_.size())
      throw UsageError(option + " needs " + what);
    return args_[next_++];
  }

  static Operation Insert(std::string pos) {
    return [pos](const ButtonBar &b, TextForm) {
      return edits::Insert(ParsePosition(pos, b.Count() + 1, "position") - 1);
    };
  }
  // Unlike the editor's, this bar may lose its last button: later operations see none.
  static Operation Delete(std::string pos) {
    return [pos](const ButtonBar &b, TextForm) {
      return edits::Delete(ParsePosition(pos, b.Count(), "position") - 1, false);
    };
  }
  // The option's arguments in command-line order.
  std::vector<std::string> TakeAll(const std::string &option,
                                   std::initializer_list<const char *> what) {
    std::vector<std::string> values;
    for (const char *name : what)
      values.push_back(Take(option, name));
    return values;
  }

  static Operation MoveOp(const std::vector<std::string> &values) {
    return [from = values[0], to = values[1]](const ButtonBar &b, TextForm) {
      const int f = ParsePosition(from, b.Count(), "position");
      const int t = ParsePosition(to, b.Count(), "position");
      return edits::Move(f - 1, t - 1);
    };
  }
  static Operation Set(const std::vector<std::string> &values) {
    const int number = FieldNumber(values[1]);
    if (values[2].find_first_of("\r\n") != std::string::npos)
      throw UsageError("a value cannot hold a line break");
    return [pos = values[0], number, value = values[2]](const ButtonBar &b, TextForm form) {
      return edits::SetField(ParsePosition(pos, b.Count(), "position") - 1, number,
                             TakenText(value, form, "the value"));
    };
  }

  const Args &args_;
  size_t next_ = 0;
};

} // namespace

int Edit(const Context &context, const Args &args) {
  std::string file, saveAs;
  bool help = false;
  OperationParser parser(args);
  auto operations = parser.Parse(file, saveAs, help);
  if (help) {
    std::fputs(EditUsage, stdout);
    return 0;
  }
  if (file.empty())
    throw UsageError("no bar file given");
  // A mistyped name must not quietly become a new bar.
  ButtonBar bar(parser.isNew ? WindowsNameOfArgument(file) : ExistingFile(file),
                context.ExeFileName);
  bar.CacheMode = parser.cache.value_or(DefaultCacheMode(context));
  // Every operation runs before anything is written, so an error leaves the files as
  // they were.
  edits::History history(bar);
  for (auto &operation : operations)
    history.Do(operation(bar, parser.form), -1);
  SaveBar(bar, saveAs.empty() ? bar.FileName : WindowsNameOfArgument(saveAs));
  return 0;
}

} // namespace cli
