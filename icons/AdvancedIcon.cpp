#include "icons/AdvancedIcon.h"

#include "platform/HostFiles.h"
#include "platform/ModuleResources.h"

#include <algorithm>

namespace icons {

using platform::kFileDirEntrySize;
using platform::kGroupDirEntrySize;
using platform::kIconDirHeaderSize;
using platform::RT_GROUP_ICON;

namespace {

// Slots presized from a count a file states are capped: the list still grows one by
// one past it, but a bogus count cannot make a large allocation on its own.
constexpr uint16_t MaxPresizedSlots = 1024;

std::string DescribeName(const ResourceName &name) {
  return name.IsId() ? std::to_string(name.Id()) : name.Name();
}

// True when the group directory entry at the stream's position names an image that the
// module lists but whose bytes the end of a cut file took.
bool NextImageLiesBeyondEnd(const TByteStream &stream, const ResourceModule &instance) {
  const auto entry = platform::ReadIconDirEntry(
      stream.Bytes().sub(stream.Position(), kGroupDirEntrySize), platform::IconDirKind::Group);
  return entry && instance.Presence(platform::RT_ICON, ResourceName(entry->id),
                                    entry->bytesInRes) == platform::ResourcePresence::Incomplete;
}

} // namespace

void TIconImageList::SetCapacity(uint16_t slots) {
  slots = std::max(slots, Count());
  items_.reserve(std::min(slots, MaxPresizedSlots));
  capacity_ = slots;
}

bool TIconImageList::Add(std::unique_ptr<TIconImage> image) {
  if (items_.size() >= UINT16_MAX)
    return false;
  items_.push_back(std::move(image));
  if (Count() > capacity_)
    SetCapacity(Count());
  return true;
}

TIconImage *TIconImageList::Items(size_t index) const {
  return index < items_.size() ? items_[index].get() : nullptr;
}

void TIconImageList::Delete(size_t index) {
  if (index < items_.size())
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
}

void TIconImageList::Clear() {
  items_.clear();
  items_.shrink_to_fit();
  capacity_ = 0;
}

void TAdvancedIcon::Assign(const TAdvancedIcon &source) {
  if (&source == this)
    return;
  Images.Clear();
  Images.SetCapacity(source.Images.Count());
  for (size_t index = 0; index < source.Images.Count(); ++index)
    if (const TIconImage *image = source.Images.Items(index))
      Images.Add(TIconImage::CreateCopy(*image));
}

bool TAdvancedIcon::LoadFromFile(const std::string &fileName) {
  Images.Clear();
  auto bytes = platform::ReadFileBytes(fileName);
  if (!bytes)
    throw platform::EFileReadError::CannotOpen(fileName);
  return LoadFromBytes(*bytes);
}

bool TAdvancedIcon::LoadFromBytes(std::string_view bytes) {
  Images.Clear();
  TByteStream stream{ByteReader(bytes)};
  TLoadBudget budget(bytes.size());
  uint16_t count = 0;
  if (!ReadDirectory(stream, count))
    return false;
  // Entries cut off by the end of the file end the list; an entry whose image bytes
  // are not all in the file is passed over.
  for (uint16_t index = 0; index < count && stream.Remaining() >= kFileDirEntrySize; ++index)
    if (auto image = TFileIconImage::FromStream(stream, budget))
      Images.Add(std::move(image));
  return true;
}

bool TAdvancedIcon::LoadFromResource(const ResourceModule &instance, const ResourceName &name,
                                     TLoadBudget *budget) {
  // Read for this load alone: a module read from its file keeps none of what it reads.
  auto group = instance.ReadResource(RT_GROUP_ICON, name);
  if (!group)
    throw EResNotFound(DescribeName(name));
  TByteStream stream{ByteReader(group->bytes)};
  TLoadBudget ownBudget(group->bytes.size());
  TLoadBudget &taken = budget ? *budget : ownBudget;
  uint16_t count = 0;
  if (!ReadDirectory(stream, count))
    return false;
  // A directory cut short by the end of the resource ends the list; an image the end of
  // the file took is left out, and the icon keeps the others.
  for (uint16_t index = 0; index < count && stream.Remaining() >= kGroupDirEntrySize; ++index) {
    if (NextImageLiesBeyondEnd(stream, instance)) {
      stream.Seek(stream.Position() + kGroupDirEntrySize);
      continue;
    }
    auto image = TResourceIconImage::FromStream(stream, instance, taken);
    if (!image)
      break;
    Images.Add(std::move(image));
  }
  return true;
}

bool TAdvancedIcon::ReadDirectory(TByteStream &stream, uint16_t &count) {
  auto header = stream.TryRead(kIconDirHeaderSize);
  auto stated = header ? platform::ReadIconDirHeader(ByteReader(*header)) : std::nullopt;
  if (!stated)
    return false;
  count = *stated;
  Images.SetCapacity(count);
  return true;
}

} // namespace icons
