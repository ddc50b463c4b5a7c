#include "icons/IconImage.h"

#include "icons/IconTools.h"
#include "platform/ModuleResources.h"

#include <algorithm>

namespace icons {

using platform::IconDirKind;
using platform::RT_GROUP_ICON;
using platform::RT_ICON;

namespace {

bool IsKnownDepth(uint16_t bits) {
  switch (bits) {
  case 1:
  case 2:
  case 4:
  case 8:
  case 16:
  case 24:
  case 32:
  case 48:
  case 64:
    return true;
  default:
    return false;
  }
}

} // namespace

platform::IconDirEntry ReadDirEntry(TByteStream &stream, IconDirKind kind) {
  return *platform::ReadIconDirEntry(
      ByteReader(stream.ReadBuffer(platform::IconDirEntrySize(kind))), kind);
}

TIconImage::~TIconImage() {
  platform::DestroyIcon(handle_);
}

const platform::IconHandle &TIconImage::Handle() const {
  if (!handle_ && Data) {
    const size_t size = std::min<size_t>(BytesInRes, Data->size());
    handle_ = platform::CreateIconFromResourceEx(Data->data(), size, Width, Height);
  }
  return handle_;
}

std::unique_ptr<THiResIcon> TIconImage::CreateGraphic() const {
  auto graphic = std::make_unique<THiResIcon>();
  graphic->SetHandle(&Handle());
  return graphic;
}

std::unique_ptr<TIconImage> TIconImage::CreateCopy(const TIconImage &source) {
  auto copy = std::make_unique<TIconImage>();
  copy->Width = source.Width;
  copy->Height = source.Height;
  copy->ColorCount = source.ColorCount;
  copy->Reserved = source.Reserved;
  copy->Planes = source.Planes;
  copy->BitCount = source.BitCount;
  copy->BytesInRes = source.BytesInRes;
  copy->Data.emplace(source.BytesInRes, uint8_t{0});
  if (source.Data) {
    const size_t size = std::min<size_t>(source.BytesInRes, source.Data->size());
    std::copy_n(source.Data->begin(), size, copy->Data->begin());
  }
  if (const auto &handle = source.Handle())
    copy->handle_ = platform::CopyIcon(handle);
  copy->FitSizeToBitmap();
  return copy;
}

void TIconImage::SaveToStream(TByteWriter &stream) const {
  if (!Data)
    return;
  const size_t held = std::min<size_t>(BytesInRes, Data->size());
  stream.WriteBytes(std::span<const uint8_t>(Data->data(), held));
  stream.WriteZeros(BytesInRes - held);
}

void TIconImage::CopyEntry(const platform::IconDirEntry &entry) {
  Width = entry.width;
  Height = entry.height;
  ColorCount = entry.colorCount;
  Reserved = entry.reserved;
  Planes = entry.planes;
  BitCount = entry.bitCount;
  BytesInRes = entry.bytesInRes;
}

void TIconImage::FitSizeToBitmap() {
  if (!Data)
    return;
  auto facts = ReadImageFacts(*Data);
  if (!facts)
    return;
  const int64_t size = std::min(facts->width, facts->height);
  Width = static_cast<uint8_t>(size & 0xFF);
  Height = Width;
}

void TIconImage::FitDepthToImage() {
  if (!Data || (Planes != 0 && BitCount != 0))
    return;
  auto facts = ReadImageFacts(*Data);
  if (!facts)
    return;
  if (BitCount == 0 && IsKnownDepth(facts->bitCount))
    BitCount = facts->bitCount;
  if (Planes == 0)
    Planes = 1; // an icon image has one plane; a DIB's header must say so too
}

std::unique_ptr<TFileIconImage> TFileIconImage::FromStream(TByteStream &stream,
                                                           TLoadBudget &budget) {
  const auto entry = ReadDirEntry(stream, IconDirKind::File);
  auto image = std::make_unique<TFileIconImage>();
  image->CopyEntry(entry);
  const uint64_t afterEntry = stream.Position();
  stream.Seek(entry.imageOffset);
  auto bytes = stream.TryRead(image->BytesInRes);
  stream.Seek(afterEntry);
  if (!bytes || !budget.Take(bytes->size()))
    return nullptr;
  image->Data.emplace(bytes->begin(), bytes->end());
  image->FitSizeToBitmap();
  image->FitDepthToImage();
  return image;
}

std::unique_ptr<TResourceIconImage> TResourceIconImage::FromStream(TByteStream &stream,
                                                                   const ResourceModule &instance,
                                                                   TLoadBudget &budget) {
  const auto entry = ReadDirEntry(stream, IconDirKind::Group);
  auto image = std::make_unique<TResourceIconImage>();
  image->CopyEntry(entry);
  // Copied into the image, so the module need not keep what it read.
  auto resource = instance.ReadResource(RT_ICON, ResourceName(entry.id));
  if (!resource)
    throw EResNotFound(std::to_string(entry.id));
  const std::span<const uint8_t> bytes = resource->bytes;
  if (!budget.Take(bytes.size()))
    return nullptr;
  image->Data.emplace(bytes.begin(), bytes.end());
  image->BytesInRes = static_cast<uint32_t>(std::min<uint64_t>(image->BytesInRes, bytes.size()));
  image->FitSizeToBitmap();
  image->FitDepthToImage();
  return image;
}

} // namespace icons
