#pragma once
// The lines of a bar's "Buttonbar" section as a save of the same file rewrites them: only
// what changed changes. Users keep their bars under version control, where every line a
// save rewrites for nothing is noise in a diff, a blame and a merge. So:
// - a button whose keys read as its fields keeps its lines byte for byte (key spelling
//   and letter case, order, quoting, empty and zero keys, comments among them);
// - a key whose value changed is rewritten in its own line; a new key goes after the
//   button's last line; a key emptied goes;
// - a button inserted, deleted or moved renumbers the keys of the buttons after it,
//   their values kept; a moved button's lines move with it;
// - the count's line changes only when the count does, in the file's own spelling.
// Every reader sees the same bar as after writing the section anew.
#include "platform/Profile.h"

#include <array>
#include <string>
#include <utility>
#include <vector>

namespace barlines {

constexpr int KeyCount = 6; // the keys of a button, by field number

// The field (ButtonField) and the 0-based position a key of the section names ("cmd3"
// is the command of position 2), as lookups match it: letter case aside, the number
// without leading zeros; -1 as field for any other key.
std::pair<int, int> ParseButtonKey(std::string_view key);

// What a button's keys must read as after the save.
struct ButtonKeys {
  // The button's place among the file's buttons (Button::Origin), or -1.
  int origin = -1;
  // Per field, what a reader must get (empty: no key is needed) and the value that a
  // line rewritten for it holds. The run mode is read as a number: "" stands for 0.
  std::array<std::string, KeyCount> read;
  std::array<std::string, KeyCount> written;
};

// The section's new lines, given its lines as they stand, how many buttons the origins
// count (keys of higher numbers belong to no loaded button: they go once the count
// reaches them, as a reader would take them for keys of new buttons), the buttons in
// their order and the count to write.
std::vector<platform::ProfileLineEdit>
RewriteBarLines(const std::vector<platform::ProfileLine> &lines, int originCount,
                const std::vector<ButtonKeys> &buttons, int count);

} // namespace barlines
