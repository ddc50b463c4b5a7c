#include "icons/IconImage.h"

#include "icons/IconTools.h"
#include "platform/ModuleResources.h"

#include <algorithm>
#include <array>

namespace icons {

using platform::RT_GROUP_ICON;
using platform::RT_ICON;

namespace {

constexpr std::array<uint8_t, 8> PngSignature = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

// A DIB begins with BITMAPINFOHEADER (40 bytes) or one of its longer successors; the
// 12-byte core header of OS/2 bitmaps has 16-bit sizes and is not used in icons.
constexpr uint32_t MinInfoHeaderSize = 40;

uint32_t BigEndian32(std::span<const uint8_t> bytes, size_t offset) {
  return uint32_t{bytes[offset]} << 24 | uint32_t{bytes[offset + 1]} << 16 |
         uint32_t{bytes[offset + 2]} << 8 | bytes[offset + 3];
}

std::optional<ImageFacts> ReadPngFacts(std::span<const uint8_t> data) {
  // Signature, then the IHDR chunk: length, "IHDR", width, height, depth, colour type.
  if (data.size() < 26 || !std::equal(PngSignature.begin(), PngSignature.end(), data.begin()))
    return std::nullopt;
  if (data[12] != 'I' || data[13] != 'H' || data[14] != 'D' || data[15] != 'R')
    return std::nullopt;
  ImageFacts facts;
  facts.png = true;
  facts.width = BigEndian32(data, 16);
  facts.height = BigEndian32(data, 20);
  facts.planes = 1;
  const uint16_t depth = data[24];
  switch (data[25]) {
  case 0: // grey
  case 3: // palette indices
    facts.bitCount = depth;
    break;
  case 2: // RGB
    facts.bitCount = static_cast<uint16_t>(depth * 3);
    break;
  case 4: // grey and alpha
    facts.bitCount = static_cast<uint16_t>(depth * 2);
    break;
  case 6: // RGBA
    facts.bitCount = static_cast<uint16_t>(depth * 4);
    break;
  default:
    facts.bitCount = 0;
  }
  return facts;
}

std::optional<ImageFacts> ReadDibFacts(std::span<const uint8_t> data) {
  ByteReader reader(data);
  auto headerSize = reader.u32le(0);
  if (!headerSize || *headerSize < MinInfoHeaderSize || !reader.has(0, 16))
    return std::nullopt;
  ImageFacts facts;
  facts.width = static_cast<int32_t>(*reader.u32le(4));
  facts.height = *reader.u32le(8) >> 1; // the height covers the XOR and the AND mask
  facts.planes = *reader.u16le(12);
  facts.bitCount = *reader.u16le(14);
  return facts;
}

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

std::optional<ImageFacts> ReadImageFacts(std::span<const uint8_t> data) {
  if (auto png = ReadPngFacts(data))
    return png;
  return ReadDibFacts(data);
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

std::unique_ptr<TIconImage> TIconImage::CreateCopy(const TIconImage &Source) {
  auto copy = std::make_unique<TIconImage>();
  copy->Width = Source.Width;
  copy->Height = Source.Height;
  copy->ColorCount = Source.ColorCount;
  copy->Reserved = Source.Reserved;
  copy->Planes = Source.Planes;
  copy->BitCount = Source.BitCount;
  copy->BytesInRes = Source.BytesInRes;
  copy->Data.emplace(Source.BytesInRes, uint8_t{0});
  if (Source.Data) {
    const size_t size = std::min<size_t>(Source.BytesInRes, Source.Data->size());
    std::copy_n(Source.Data->begin(), size, copy->Data->begin());
  }
  if (const auto &handle = Source.Handle())
    copy->handle_ = platform::CopyIcon(handle);
  copy->FitSizeToBitmap();
  return copy;
}

void TIconImage::SaveToStream(TByteWriter &Stream) const {
  if (!Data)
    return;
  const size_t held = std::min<size_t>(BytesInRes, Data->size());
  Stream.WriteBytes(std::span<const uint8_t>(Data->data(), held));
  Stream.WriteZeros(BytesInRes - held);
}

void TIconImage::CopyEntry(std::span<const uint8_t> entry) {
  ByteReader fields(entry);
  Width = fields.u8(0, "icon directory entry");
  Height = fields.u8(1, "icon directory entry");
  ColorCount = fields.u8(2, "icon directory entry");
  Reserved = fields.u8(3, "icon directory entry");
  Planes = fields.u16le(4, "icon directory entry");
  BitCount = fields.u16le(6, "icon directory entry");
  BytesInRes = fields.u32le(8, "icon directory entry");
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

std::unique_ptr<TFileIconImage> TFileIconImage::FromStream(TByteStream &Stream,
                                                           TLoadBudget &Budget) {
  const auto entry = Stream.ReadBuffer(FileDirEntrySize);
  auto image = std::make_unique<TFileIconImage>();
  image->CopyEntry(entry);
  const uint32_t imageOffset = ByteReader(entry).u32le(12, "icon directory entry");
  const uint64_t afterEntry = Stream.Position();
  Stream.Seek(imageOffset);
  auto bytes = Stream.TryRead(image->BytesInRes);
  Stream.Seek(afterEntry);
  if (!bytes || !Budget.Take(bytes->size()))
    return nullptr;
  image->Data.emplace(bytes->begin(), bytes->end());
  image->FitSizeToBitmap();
  image->FitDepthToImage();
  return image;
}

std::unique_ptr<TResourceIconImage> TResourceIconImage::FromStream(TByteStream &Stream,
                                                                   const ResourceModule &Instance,
                                                                   TLoadBudget &Budget) {
  const auto entry = Stream.ReadBuffer(GroupDirEntrySize);
  auto image = std::make_unique<TResourceIconImage>();
  image->CopyEntry(entry);
  const uint16_t id = ByteReader(entry).u16le(12, "group directory entry");
  auto bytes = Instance.FindResource(RT_ICON, ResourceName(id));
  if (!bytes)
    throw EResNotFound(std::to_string(id));
  if (!Budget.Take(bytes->size()))
    return nullptr;
  image->Data.emplace(bytes->begin(), bytes->end());
  image->BytesInRes = static_cast<uint32_t>(std::min<uint64_t>(image->BytesInRes, bytes->size()));
  image->FitSizeToBitmap();
  image->FitDepthToImage();
  return image;
}

} // namespace icons
