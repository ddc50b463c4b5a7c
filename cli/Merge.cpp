#include "cli/Cli.h"
#include "document/BarCompare.h"
#include "document/ButtonList.h"
#include "platform/HostFiles.h"
#include "platform/HostPathText.h"
#include "platform/Profile.h"
#include "platform/TextRules.h"

#include <cstdio>
#include <filesystem>

namespace cli {

namespace {

const char *const MergeUsage =
    "usage: corvane-cli merge BASE OURS THEIRS [-o OUT] [--bytes]\n"
    "Merges the changes OURS and THEIRS made to BASE, button by button, and writes the\n"
    "result to OUT (by default OURS) in OURS' encoding and line ends. A change of one side\n"
    "is taken; changes of different buttons or of different fields of one button combine;\n"
    "buttons added on either side keep their places. The same field changed to different\n"
    "values on both sides, a button deleted on one side and changed on the other, or a\n"
    "change next to equal buttons (separators, twins) of which it cannot be told which\n"
    "one the other side changed, is a conflict: the result keeps OURS' version of it,\n"
    "and each conflict is listed on stderr. The result is always a bar Total Commander\n"
    "can read: no conflict markers. Other sections merge key by key. The icon cache is\n"
    "not part of the merge: no .icl is written and the section \"AlternativeCache\"\n"
    "stays OURS'.\n"
    "As a git merge driver: corvane-cli merge %O %A %B -o %A\n"
    "Exit status: 0 merged, 1 merged with conflicts, 2 a bad argument, 3 a file that\n"
    "cannot be read.\n";

std::string Quoted(const std::optional<std::string> &text, TextForm form) {
  return text ? platform::JoinTexts({"\"", ShownText(*text, form), "\""}) : "(none)";
}

// The button as named in a conflict: its position and tooltip (else command).
std::string ButtonName(int position, const barcompare::BarContent &bar, const char *where,
                       TextForm form) {
  std::string name = "button " + std::to_string(position + 1) + where;
  if (position >= 0 && size_t(position) < bar.Buttons.size()) {
    const auto &button = bar.Buttons[size_t(position)];
    name += ' ';
    name += Quoted(button[bfTooltip].empty() ? button[bfCommand] : button[bfTooltip], form);
  }
  return name;
}

void ReportConflict(const barcompare::Conflict &conflict, const barcompare::BarContent &base,
                    const barcompare::BarContent &merged, TextForm form) {
  using barcompare::Conflict;
  std::string what;
  switch (conflict.What) {
  case Conflict::FieldChanged:
    what = ButtonName(conflict.Position, merged, "", form) + ", " +
           barcompare::FieldKeyName(conflict.Field) + ": ours " + Quoted(conflict.Ours, form) +
           ", theirs " + Quoted(conflict.Theirs, form);
    break;
  case Conflict::DeletedByOurs:
    what = ButtonName(conflict.Position, base, " of the base", form) +
           ": ours deleted it, theirs changed it (left deleted)";
    break;
  case Conflict::DeletedByTheirs:
    what = ButtonName(conflict.Position, merged, "", form) +
           ": ours changed it, theirs deleted it (kept)";
    break;
  case Conflict::MovedBoth:
    what = ButtonName(conflict.Position, merged, "", form) +
           ": moved to different places (ours' place kept)";
    break;
  case Conflict::Uncertain:
    what = ButtonName(conflict.Position, base, " of the base", form) +
           ": equal buttons nearby leave open which one a side changed (ours' version kept)";
    break;
  case Conflict::KeyChanged:
    what = platform::JoinTexts(
        {"[", ShownText(conflict.Section, form), "] ", ShownText(conflict.Key, form), ": ours ",
         Quoted(conflict.Ours, form), ", theirs ", Quoted(conflict.Theirs, form)});
    break;
  }
  std::fprintf(stderr, "corvane-cli merge: conflict: %s\n", what.c_str());
}

// OUT starts as a byte copy of OURS, so that everything the merge does not change stays
// as OURS has it: encoding, line ends, other sections, comments. It is written as every
// file is, atomically: a failed copy leaves OUT as it was.
void CopyOurs(const std::string &ours, const std::string &out) {
  std::error_code ec;
  const auto oursPath = platform::HostFsPath(ours), outPath = platform::HostFsPath(out);
  if (std::filesystem::exists(outPath, ec) && std::filesystem::equivalent(oursPath, outPath, ec))
    return;
  const auto bytes = platform::ReadFileBytes(WindowsNameOfArgument(ours));
  if (!bytes)
    throw Failure("cannot read " + ours);
  platform::WriteFileAtomic(WindowsNameOfArgument(out), *bytes);
  platform::FlushProfileCache();
}

} // namespace

int Merge(const Context &, const Args &args) {
  const ParsedArgs parsed = ParseArgs(args, {{"--bytes"}, {"-o"}});
  if (parsed.help) {
    std::fputs(MergeUsage, stdout);
    return 0;
  }
  parsed.RequirePositional(3, 3, {"BASE bar", "OURS bar", "THEIRS bar"});
  const auto base = ReadBarArgument(parsed.positional[0]);
  const auto ours = ReadBarArgument(parsed.positional[1]);
  const auto theirs = ReadBarArgument(parsed.positional[2]);
  const auto merged = barcompare::MergeBars(base, ours, theirs);
  const std::string out = parsed.Value("-o").value_or(parsed.positional[1]);
  CopyOurs(parsed.positional[1], out);
  barcompare::WriteMergedBar(merged, ours, WindowsNameOfArgument(out));
  for (const auto &conflict : merged.Conflicts)
    ReportConflict(conflict, base, merged.Bar, parsed.Form());
  return merged.Conflicts.empty() ? 0 : 1;
}

} // namespace cli
