#include "icons/IconList.h"

#include "icons/IconLibrary.h" // EListError

namespace icons {

int TIconList::AddIcon(std::string name, std::unique_ptr<TAdvancedIcon> icon) {
  if (!icon)
    return -1;
  if (name.empty())
    name = "Icon " + std::to_string(Count() + 1);
  items_.emplace_back(std::move(name), std::move(icon));
  return Count() - 1;
}

void TIconList::Clear() {
  items_.clear();
}

void TIconList::Delete(int index) {
  if (index < 0 || index >= Count())
    throw EListError(index);
  items_.erase(items_.begin() + index);
}

void TIconList::Assign(TNamedIcons source) {
  Clear();
  items_ = std::move(source);
}

const std::string &TIconList::Strings(int index) const {
  if (index < 0 || index >= Count())
    throw EListError(index);
  return items_[static_cast<size_t>(index)].first;
}

TAdvancedIcon *TIconList::Objects(int index) const {
  if (index < 0 || index >= Count())
    throw EListError(index);
  return items_[static_cast<size_t>(index)].second.get();
}

} // namespace icons
