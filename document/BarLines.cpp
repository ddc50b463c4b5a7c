#include "document/BarLines.h"

#include "platform/CodePage.h"
#include "platform/TextRules.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <optional>

namespace barlines {

namespace {

const std::array<const char *, KeyCount> KeyNames = {"button", "cmd",  "param",
                                                     "path",   "menu", "iconic"};
constexpr int RunModeField = 5;

// Whether the value reads as the count: a plain decimal number of that value.
bool ReadsAsCount(const std::optional<std::string> &value, int count) {
  if (!value || value->empty() || value->find_first_not_of("0123456789") != std::string::npos)
    return false;
  const size_t start = std::min(value->find_first_not_of('0'), value->size() - 1);
  return value->substr(start) == std::to_string(count);
}

int RunModeOf(const std::string &text) {
  int value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// Whether a key's line gives a reader the value wanted; a run mode is read as a number.
bool ReadsAs(const platform::ProfileLine &line, int field, const std::string &wanted) {
  if (field == RunModeField)
    return platform::ProfileValueToInt(line.value, 0) == RunModeOf(wanted);
  return line.value.value_or(std::string()) == wanted;
}

// The key renamed for another position: its letters as the file spells them.
std::string Renumbered(const std::string &key, int position) {
  const size_t letters = key.find_last_not_of("0123456789") + 1;
  return key.substr(0, letters) + std::to_string(position + 1);
}

platform::ProfileLineEdit NewLine(int field, int position, const std::string &value) {
  return {std::nullopt, KeyNames[size_t(field)] + std::to_string(position + 1), value};
}

// Which entries with an origin (>= 0) lie on a longest run of increasing origins: those
// keep their lines in place, the others move. O(n log n).
std::vector<bool> OnLongestRun(const std::vector<int> &origins) {
  std::vector<size_t> tails;                         // per run length, its smallest last entry
  std::vector<ptrdiff_t> before(origins.size(), -1); // the entry before each on its run
  for (size_t j = 0; j < origins.size(); ++j) {
    if (origins[j] < 0)
      continue;
    const auto at = std::lower_bound(tails.begin(), tails.end(), origins[j],
                                     [&](size_t t, int o) { return origins[t] < o; });
    if (at != tails.begin())
      before[j] = ptrdiff_t(*(at - 1));
    if (at == tails.end())
      tails.push_back(j);
    else
      *at = j;
  }
  std::vector<bool> on(origins.size(), false);
  for (ptrdiff_t j = tails.empty() ? -1 : ptrdiff_t(tails.back()); j >= 0; j = before[size_t(j)])
    on[size_t(j)] = true;
  return on;
}

class Planner {
public:
  Planner(const std::vector<platform::ProfileLine> &lines, int originCount,
          const std::vector<ButtonKeys> &buttons, int count)
      : lines_(lines), buttons_(buttons), count_(count), owner_(lines.size(), -1),
        field_(lines.size(), -1), dropped_(lines.size(), false), edit_(lines.size()),
        linesOf_(size_t(std::max(originCount, 0))), claimant_(linesOf_.size(), -1),
        origin_(buttons.size(), -1), added_(buttons.size()), after_(lines.size()) {}

  std::vector<platform::ProfileLineEdit> Plan() {
    ClassifyLines();
    ClaimOrigins();
    for (size_t j = 0; j < buttons_.size(); ++j)
      if (origin_[j] >= 0)
        PlanKeys(j);
    PlaceButtons();
    return Emit();
  }

private:
  void ClassifyLines() {
    for (size_t i = 0; i < lines_.size(); ++i) {
      if (!lines_[i].isKey)
        continue;
      if (!countLine_ && platform::EqualNoCase(lines_[i].key, "buttoncount")) {
        countLine_ = i;
        continue;
      }
      const auto [field, position] = ParseButtonKey(lines_[i].key);
      if (field < 0)
        continue;
      if (size_t(position) < linesOf_.size()) {
        owner_[i] = position;
        field_[i] = field;
        linesOf_[size_t(position)].push_back(i);
      } else if (position < count_) {
        dropped_[i] = true; // a reader would take it for a key of a new button
      }
    }
  }

  void ClaimOrigins() {
    for (size_t j = 0; j < buttons_.size(); ++j) {
      const int o = buttons_[j].origin;
      if (o >= 0 && size_t(o) < linesOf_.size() && claimant_[size_t(o)] < 0) {
        claimant_[size_t(o)] = int(j);
        origin_[j] = o;
      }
    }
    stays_ = OnLongestRun(origin_);
  }

  // Which of the origin's lines stay (renamed, or with a new value) and which keys are new.
  void PlanKeys(size_t j) {
    const std::vector<size_t> &own = linesOf_[size_t(origin_[j])];
    std::array<std::optional<size_t>, KeyCount> first;
    for (size_t i : own)
      if (!first[size_t(field_[i])])
        first[size_t(field_[i])] = i;
    std::array<bool, KeyCount> emptied{};
    std::array<std::optional<std::string>, KeyCount> rewritten;
    for (int f = 0; f < KeyCount; ++f) {
      const std::string &read = buttons_[j].read[size_t(f)];
      const std::string &written = buttons_[j].written[size_t(f)];
      if (first[size_t(f)]) {
        if (ReadsAs(lines_[*first[size_t(f)]], f, read))
          continue;
        // Removing the first of a key's lines would bring a later one to light: all go.
        if (written.empty())
          emptied[size_t(f)] = true;
        else
          rewritten[size_t(f)] = written;
      } else if (!written.empty()) {
        added_[j].push_back(NewLine(f, int(j), written));
      }
    }
    for (size_t i : own) {
      const size_t f = size_t(field_[i]);
      if (emptied[f])
        continue;
      platform::ProfileLineEdit &edit = edit_[i].emplace();
      edit.line = i;
      if (origin_[j] != int(j))
        edit.key = Renumbered(lines_[i].key, int(j));
      if (first[f] == i)
        edit.value = rewritten[f];
    }
  }

  // The lines of a button that do not stay in place: its own, in file order, then its new
  // keys; a new button's keys in the usual order.
  std::vector<platform::ProfileLineEdit> Block(size_t j) const {
    std::vector<platform::ProfileLineEdit> block;
    if (origin_[j] >= 0) {
      for (size_t i : linesOf_[size_t(origin_[j])])
        if (edit_[i])
          block.push_back(*edit_[i]);
      block.insert(block.end(), added_[j].begin(), added_[j].end());
      return block;
    }
    for (int f = 0; f < KeyCount; ++f)
      if (!buttons_[j].written[size_t(f)].empty())
        block.push_back(NewLine(f, int(j), buttons_[j].written[size_t(f)]));
    return block;
  }

  bool StaysInPlace(size_t j) const {
    return origin_[j] >= 0 && stays_[j] && !linesOf_[size_t(origin_[j])].empty();
  }

  // Each button's lines go after the lines of the button before it: a button that stays
  // marks where the next ones go; the first ones go where the buttons' lines begin.
  void PlaceButtons() {
    std::optional<size_t> anchor;
    for (size_t j = 0; j < buttons_.size(); ++j) {
      std::vector<platform::ProfileLineEdit> lines;
      if (StaysInPlace(j)) {
        anchor = linesOf_[size_t(origin_[j])].back();
        lines = added_[j];
      } else {
        lines = Block(j);
      }
      auto &to = anchor ? after_[*anchor] : head_;
      to.insert(to.end(), lines.begin(), lines.end());
    }
  }

  std::optional<platform::ProfileLineEdit> LineAt(size_t i) const {
    if (countLine_ == i) {
      if (ReadsAsCount(lines_[i].value, count_))
        return platform::ProfileLineEdit{i, std::nullopt, std::nullopt};
      return platform::ProfileLineEdit{i, std::nullopt, std::to_string(count_)};
    }
    if (owner_[i] >= 0) {
      const int j = claimant_[size_t(owner_[i])];
      return j >= 0 && stays_[size_t(j)] ? edit_[i] : std::nullopt;
    }
    if (dropped_[i])
      return std::nullopt;
    return platform::ProfileLineEdit{i, std::nullopt, std::nullopt};
  }

  std::vector<platform::ProfileLineEdit> Emit() const {
    std::vector<platform::ProfileLineEdit> out;
    out.reserve(lines_.size() + head_.size());
    if (!countLine_)
      out.push_back({std::nullopt, "ButtonCount", std::to_string(count_)});
    // The first buttons go before the first line of a loaded button, else after the
    // count's line, else at the start.
    constexpr size_t none = std::numeric_limits<size_t>::max();
    const auto firstOwned =
        std::find_if(owner_.begin(), owner_.end(), [](int o) { return o >= 0; });
    const size_t headBefore =
        firstOwned == owner_.end() ? none : size_t(firstOwned - owner_.begin());
    const size_t headAfter = headBefore != none ? none : countLine_.value_or(none);
    if (headBefore == none && headAfter == none)
      out.insert(out.end(), head_.begin(), head_.end());
    for (size_t i = 0; i < lines_.size(); ++i) {
      if (headBefore == i)
        out.insert(out.end(), head_.begin(), head_.end());
      if (auto line = LineAt(i))
        out.push_back(std::move(*line));
      if (headAfter == i)
        out.insert(out.end(), head_.begin(), head_.end());
      out.insert(out.end(), after_[i].begin(), after_[i].end());
    }
    return out;
  }

  const std::vector<platform::ProfileLine> &lines_;
  const std::vector<ButtonKeys> &buttons_;
  const int count_;
  std::optional<size_t> countLine_;
  std::vector<int> owner_;    // per line: the origin whose key it is, or -1
  std::vector<int> field_;    // per line: the key's field
  std::vector<bool> dropped_; // per line: a key of no loaded button that goes
  std::vector<std::optional<platform::ProfileLineEdit>> edit_; // per line of a kept button
  std::vector<std::vector<size_t>> linesOf_; // per origin: its lines in file order
  std::vector<int> claimant_;                // per origin: the button that has it, or -1
  std::vector<int> origin_;                  // per button: its origin, or -1
  std::vector<bool> stays_;                  // per button: its lines stay where they are
  std::vector<std::vector<platform::ProfileLineEdit>> added_; // per button: new keys
  std::vector<std::vector<platform::ProfileLineEdit>> after_; // per line: what follows it
  std::vector<platform::ProfileLineEdit> head_;
};

} // namespace

std::pair<int, int> ParseButtonKey(std::string_view key) {
  // Lookups fold names by the code page's letters; the prefixes are ASCII, which no second
  // byte of a two-byte character can be mistaken for here, as a lead byte never folds to one.
  const auto &lower = platform::LowerCaseBytes(platform::SystemCodePage());
  for (int field = 0; field < KeyCount; ++field) {
    const std::string_view prefix = KeyNames[size_t(field)];
    if (key.size() <= prefix.size() || key.size() > prefix.size() + 9)
      continue;
    bool same = true;
    for (size_t i = 0; i < prefix.size() && same; ++i)
      same = lower[static_cast<unsigned char>(key[i])] == static_cast<unsigned char>(prefix[i]);
    const std::string_view digits = key.substr(prefix.size());
    if (!same || digits[0] == '0')
      continue;
    int number = 0;
    for (char c : digits) {
      if (c < '0' || c > '9')
        return {-1, 0};
      number = number * 10 + (c - '0');
    }
    return {field, number - 1};
  }
  return {-1, 0};
}

std::vector<platform::ProfileLineEdit>
RewriteBarLines(const std::vector<platform::ProfileLine> &lines, int originCount,
                const std::vector<ButtonKeys> &buttons, int count) {
  return Planner(lines, originCount, buttons, count).Plan();
}

} // namespace barlines
