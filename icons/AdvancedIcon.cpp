#include "icons/AdvancedIcon.h"

#include "platform/ModuleResources.h"
#include "platform/HostFiles.h"

#include <algorithm>

namespace icons {

using platform::RT_GROUP_ICON;
using platform::RT_ICON;

namespace {

// Slots presized from a count a file states are capped: the list still grows one by
// one past it, but a bogus count cannot make a large allocation on its own.
constexpr uint16_t MaxPresizedSlots = 1024;

std::string DescribeName(const ResourceName &name) {
  return name.IsId() ? std::to_string(name.Id()) : name.Name();
}

} // namespace

void TIconImageList::SetCapacity(uint16_t N) {
  N = std::max(N, Count());
  items_.reserve(std::min(N, MaxPresizedSlots));
  capacity_ = N;
}

bool TIconImageList::Add(std::unique_ptr<TIconImage> Image) {
  if (items_.size() >= UINT16_MAX)
    return false;
  items_.push_back(std::move(Image));
  if (Count() > capacity_)
    SetCapacity(Count());
  return true;
}

TIconImage *TIconImageList::Items(size_t Index) const {
  return Index < items_.size() ? items_[Index].get() : nullptr;
}

void TIconImageList::Clear() {
  items_.clear();
  items_.shrink_to_fit();
  capacity_ = 0;
}

void TAdvancedIcon::Assign(const TAdvancedIcon &Source) {
  if (&Source == this)
    return;
  Images.Clear();
  Images.SetCapacity(Source.Images.Count());
  for (size_t index = 0; index < Source.Images.Count(); ++index)
    if (const TIconImage *image = Source.Images.Items(index))
      Images.Add(TIconImage::CreateCopy(*image));
}

bool TAdvancedIcon::LoadFromFile(const std::string &FileName) {
  Images.Clear();
  auto bytes = platform::ReadFileBytes(FileName);
  if (!bytes)
    throw EFOpenError(FileName);
  return LoadFromBytes(*bytes);
}

bool TAdvancedIcon::LoadFromBytes(std::string_view Bytes) {
  Images.Clear();
  TByteStream stream{ByteReader(Bytes)};
  TLoadBudget budget(Bytes.size());
  uint16_t count = 0;
  if (!ReadDirectory(stream, count))
    return false;
  // Entries cut off by the end of the file end the list; an entry whose image bytes
  // are not all in the file is passed over.
  for (uint16_t index = 0; index < count && stream.Remaining() >= FileDirEntrySize; ++index)
    if (auto image = TFileIconImage::FromStream(stream, budget))
      Images.Add(std::move(image));
  return true;
}

bool TAdvancedIcon::LoadFromResource(const ResourceModule &Instance, const ResourceName &ResName,
                                     TLoadBudget *Budget) {
  auto group = Instance.FindResource(RT_GROUP_ICON, ResName);
  if (!group)
    throw EResNotFound(DescribeName(ResName));
  TByteStream stream{ByteReader(*group)};
  TLoadBudget ownBudget(group->size());
  TLoadBudget &budget = Budget ? *Budget : ownBudget;
  uint16_t count = 0;
  if (!ReadDirectory(stream, count))
    return false;
  // A directory cut short by the end of the resource ends the list.
  for (uint16_t index = 0; index < count && stream.Remaining() >= GroupDirEntrySize; ++index) {
    auto image = TResourceIconImage::FromStream(stream, Instance, budget);
    if (!image)
      break;
    Images.Add(std::move(image));
  }
  return true;
}

bool TAdvancedIcon::ReadDirectory(TByteStream &Stream, uint16_t &Count) {
  auto header = Stream.TryRead(IconDirHeaderSize);
  if (!header)
    return false;
  ByteReader fields(*header);
  if (*fields.u16le(0) != 0 || *fields.u16le(2) != 1)
    return false;
  Count = *fields.u16le(4);
  Images.SetCapacity(Count);
  return true;
}

} // namespace icons
