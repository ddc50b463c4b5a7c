#include "icons/IconLibrary.h"

#include "icons/Pe32Writer.h"
#include "platform/HostFiles.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

namespace icons {

namespace {

using platform::kGroupDirEntrySize;
using platform::kIconDirHeaderSize;
using platform::kNeIntegerId;
using platform::kNeResourceEntrySize;

constexpr uint64_t NeHeaderPos = 0x80; // where the writer puts the NE header
constexpr uint16_t NeTypeIcon = kNeIntegerId | RT_ICON;
constexpr uint16_t NeTypeGroupIcon = kNeIntegerId | RT_GROUP_ICON;
constexpr uint16_t NeResourceFlags = 0x1C30; // movable, shareable, discardable

// Image numbers of the writer are NE integer identifiers, so they must stay below the
// top bit; the icon numbers likewise.
constexpr size_t MaxLibraryIcons = 32767;
constexpr size_t MaxLibraryImages = 32767;
// Offsets and lengths of the resource table count units of 2^shift bytes; beyond this
// shift the file would pass 2 GiB.
constexpr uint16_t MaxAlignShift = 15;

// A file's name without directory, with its extension (the last dot and at most 30
// characters from it) removed.
std::string BaseNameOf(const std::string &fileName) {
  const size_t slash = fileName.find_last_of("\\/:");
  std::string name = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos)
    name.erase(dot, 30);
  return name;
}

uint64_t AlignUp(uint64_t position, uint16_t shift) {
  const uint64_t unit = uint64_t{1} << shift;
  return (position + unit - 1) & ~(unit - 1);
}

} // namespace

// ---- Module test ----

bool CheckModuleHeader(const ByteReader &bytes, bool &is32Bit) {
  auto header = platform::ReadNewHeader(bytes);
  is32Bit = header && header->kind == platform::NewHeaderKind::PE;
  return header.has_value();
}

bool CheckModuleHeader(const std::string &fileName, bool &is32Bit) {
  auto file = platform::ReadOnlyFile::Open(fileName);
  if (!file)
    throw platform::EFileReadError::CannotOpen(fileName);
  auto header = platform::ReadNewHeader(*file);
  is32Bit = header && header->kind == platform::NewHeaderKind::PE;
  return header.has_value();
}

// ---- TIconLibrary ----

namespace {

// The reader of a 32-bit module's icons. A module without group icons holds no icons
// and is passed over. (A 16-bit module without them is refused by its reader, which
// leaves the list as it is too.)
std::unique_ptr<TICLReader> Reader32(const std::string &fileName,
                                     std::optional<ResourceModule> module) {
  if (!module || module->IconGroups().empty())
    return nullptr;
  return std::make_unique<T32BitReader>(fileName, std::move(*module));
}

// The reader of a module file's icons: a 32-bit module is read by range (its headers and
// resource directory, then the resources its icons use), a 16-bit one whole, as its
// reader takes it. None for a file that cannot be read or is no module.
std::unique_ptr<TICLReader> ReaderOfFile(const std::string &fileName) {
  auto file = platform::ReadOnlyFile::Open(fileName);
  auto header = file ? platform::ReadNewHeader(*file) : std::nullopt;
  if (!header)
    return nullptr;
  if (header->kind == platform::NewHeaderKind::PE)
    return Reader32(fileName, ResourceModule::Load(*file));
  auto bytes = platform::ReadFileBytes(fileName);
  if (!bytes)
    return nullptr;
  return std::make_unique<T16BitReader>(fileName, std::move(*bytes));
}

std::unique_ptr<TICLReader> ReaderOfBytes(const std::string &fileName, std::string bytes) {
  bool is32Bit = false;
  if (!CheckModuleHeader(ByteReader(bytes), is32Bit))
    return nullptr;
  if (is32Bit)
    return Reader32(fileName, ResourceModule::FromBytes(std::move(bytes)));
  return std::make_unique<T16BitReader>(fileName, std::move(bytes));
}

// The library takes the icons of a reader that read them; the file is named either way.
void TakeIcons(TIconLibrary &library, const std::string &fileName,
               std::unique_ptr<TICLReader> reader) {
  if (!reader)
    return; // a file that cannot be read, or is no module, holds no icons
  const std::string previous = library.FileName;
  library.FileName = fileName;
  if (!reader->Read())
    return;
  // A module whose every icon the end of a cut file took counts no icons, and such a
  // file is passed over, as one without icons.
  if (reader->Icons.empty()) {
    library.FileName = previous;
    return;
  }
  library.Icons.Assign(std::move(reader->Icons));
}

} // namespace

void TIconLibrary::LoadFromFile(const std::string &fileName) {
  TakeIcons(*this, fileName, ReaderOfFile(fileName));
}

void TIconLibrary::LoadFromBytes(const std::string &fileName, std::string bytes) {
  TakeIcons(*this, fileName, ReaderOfBytes(fileName, std::move(bytes)));
}

void TIconLibrary::ForEachIcon(const std::string &fileName, const TIconVisitor &take) {
  if (auto reader = ReaderOfFile(fileName))
    reader->ReadEach(take);
}

void TIconLibrary::SaveToFile(const std::string &fileName) const {
  platform::WriteFileAtomic(fileName, SaveToBytes());
}

void TIconLibrary::SaveToFile(const std::string &fileName, TLibraryFormat format) const {
  platform::WriteFileAtomic(fileName, SaveToBytes(format));
}

std::string TIconLibrary::SaveToBytes(TLibraryFormat format) const {
  if (format == TLibraryFormat::PE32)
    return TPe32Writer(*this).WriteToBytes();
  return SaveToBytes();
}

std::vector<int> TIconLibrary::WrittenOrder(TLibraryFormat format) const {
  if (format == TLibraryFormat::PE32)
    return TPe32Writer::GroupOrder(*this);
  std::vector<int> order(static_cast<size_t>(Icons.Count()));
  std::iota(order.begin(), order.end(), 0);
  return order;
}

namespace {

// A 16-bit library holds images below 256 pixels only. The format dates from before
// large icons: the tools of its time read a size field of 0 as a broken entry, and a
// 256-pixel bitmap (270 KB) is beyond the 64 KiB segment a 16-bit resource was loaded
// into. A library holding such an image is refused rather than written as a file they
// cannot read. (Smaller PNG images are kept: they are read back here and by the shell
// of every Windows that knows PNG icons.)
// The size of an image too large for a 16-bit library, or nothing when it fits.
std::optional<platform::ImageFacts> BeyondSixteenBit(const TIconImage &image) {
  if (!image.Data)
    return std::nullopt;
  const auto facts = ReadImageFacts(std::span<const uint8_t>(image.Data->data(), image.BytesInRes));
  if (facts && (facts->width >= 256 || facts->height >= 256))
    return facts;
  return std::nullopt;
}

void CheckImages16(const TIconList &icons) {
  for (int i = 0; i < icons.Count(); ++i) {
    const TAdvancedIcon *icon = icons.Objects(i);
    for (size_t k = 0; icon && k < icon->Images.Count(); ++k) {
      if (const auto facts = BeyondSixteenBit(*icon->Images.Items(k)))
        throw EICLReadError("A 16-bit icon library cannot hold the " +
                            std::to_string(facts->width) + "x" + std::to_string(facts->height) +
                            (facts->png ? " PNG" : "") + " image of the icon \"" +
                            icons.Strings(i) + "\"");
    }
  }
}

} // namespace

void TIconLibrary::DropImagesBeyond16Bit(TAdvancedIcon &icon) {
  for (size_t k = icon.Images.Count(); k-- > 0;)
    if (BeyondSixteenBit(*icon.Images.Items(k)))
      icon.Images.Delete(k);
}

std::string TIconLibrary::SaveToBytes() const {
  if (Icons.Count() == 0)
    throw EICLReadError("Unable to write Iconlibrary with no icons");
  if (static_cast<size_t>(Icons.Count()) > MaxLibraryIcons)
    throw EICLReadError("Iconlibraries with more than 32767 are not possible");
  size_t images = 0;
  for (int i = 0; i < Icons.Count(); ++i)
    if (const TAdvancedIcon *icon = Icons.Objects(i))
      images += icon->Images.Count();
  if (images > MaxLibraryImages)
    throw EICLReadError("Iconlibraries with more than 32767 images are not possible");
  CheckImages16(Icons);
  T16BitWriter writer(*this);
  return writer.WriteToBytes();
}

// ---- TICLReader ----

bool TICLReader::ReadEach(const TIconVisitor &take) {
  if (!Read())
    return false;
  for (TNamedIcon &icon : Icons)
    take(std::move(icon));
  Icons.clear();
  return true;
}

// ---- T32BitReader ----

bool T32BitReader::Read() {
  return ReadEach([this](TNamedIcon icon) { Icons.push_back(std::move(icon)); });
}

bool T32BitReader::ReadEach(const TIconVisitor &take) {
  // The module given, else its bytes, else the file, read by range.
  if (given_)
    Module = std::move(given_);
  else if (bytes_)
    Module = ResourceModule::FromBytes(std::move(*bytes_));
  else
    Module = ResourceModule::Load(FileName);
  given_.reset();
  bytes_.reset();
  if (!Module)
    return false;
  ModuleLoaded = true;
  TLoadBudget budget(Module->Size());
  // The groups the shell counts: a group the end of a cut file took is left out.
  for (const ResourceName &name : Module->IconGroups())
    take(GroupIcon(name, budget));
  return true;
}

TNamedIcon T32BitReader::GroupIcon(const ResourceName &name, TLoadBudget &budget) {
  auto icon = std::make_unique<TAdvancedIcon>();
  icon->LoadFromResource(*Module, name, &budget);
  return {name.IsId() ? std::to_string(name.Id()) : name.Name(), std::move(icon)};
}

// ---- TICL16Icon and its images ----

std::unique_ptr<TICL16IconImage>
TICL16IconImage::CreateFromEntry(const platform::IconDirEntry &entry, std::vector<uint8_t> data) {
  auto image = std::make_unique<TICL16IconImage>();
  image->CopyEntry(entry);
  image->Data = std::move(data);
  image->FitDepthToImage();
  return image;
}

bool TICL16Icon::LoadGroup(T16BitReader &reader, uint16_t index) {
  if (!reader.HoldsBytes(index, true, kIconDirHeaderSize))
    return false;
  const std::vector<uint8_t> group = reader.ReadResource(index, true, Name);
  TByteStream stream{ByteReader(group)};
  uint16_t count = 0;
  if (!ReadDirectory(stream, count))
    return true; // not an icon directory: an icon without images, as the shell counts it
  // The group's bytes run to the end of the file at most: a directory shorter than its
  // count of entries was cut by it.
  if (!reader.HoldsBytes(index, true, kIconDirHeaderSize + uint64_t{count} * kGroupDirEntrySize))
    return false;
  bool cut = false;
  for (uint16_t i = 0; i < count; ++i)
    if (!LoadImage(reader, stream))
      cut = true;
  return !cut || Images.Count() > 0;
}

bool TICL16Icon::LoadImage(T16BitReader &reader, TByteStream &group) {
  const platform::IconDirEntry entry = ReadDirEntry(group, platform::IconDirKind::Group);
  const uint16_t index = reader.FindResource(entry.id, false);
  // The resource's length covers the fill after the image; an image that does not
  // even find its own bytes there was cut off by the end of the file.
  if (!reader.HoldsBytes(index, false, entry.bytesInRes))
    return false;
  std::string unused;
  std::vector<uint8_t> data = reader.ReadResource(index, false, unused);
  Images.Add(TICL16IconImage::CreateFromEntry(entry, std::move(data)));
  return true;
}

// ---- T16BitReader ----

T16BitReader::T16BitReader(std::string fileName) : TICLReader(std::move(fileName)) {
  auto bytes = platform::ReadFileBytes(FileName);
  if (!bytes)
    throw platform::EFileReadError::CannotOpen(FileName);
  bytes_ = std::move(*bytes);
  Stream = TByteStream(ByteReader(bytes_));
  BaseName = BaseNameOf(FileName);
}

T16BitReader::T16BitReader(std::string fileName, std::string bytes)
    : TICLReader(std::move(fileName)), bytes_(std::move(bytes)) {
  Stream = TByteStream(ByteReader(bytes_));
  BaseName = BaseNameOf(FileName);
}

bool T16BitReader::Read() {
  try {
    IconEntries.reset();
    GroupIconEntries.reset();
    iconIndex_.clear();
    Icons.clear();
    LastError.clear();
    budget_ = TLoadBudget(bytes_.size());
    ReadHeaders();
    const std::vector<std::string> names = ReadResourceTable();
    const uint16_t groups = GroupIconCount;
    const bool storedNames = names.size() == groups;
    TNamedIcons icons;
    icons.reserve(groups);
    for (uint16_t i = 0; i < groups; ++i) {
      auto icon = std::make_unique<TICL16Icon>();
      if (!icon->LoadGroup(*this, i))
        continue; // the end of a cut file took it
      std::string name = storedNames ? names[i] : icon->Name;
      icons.emplace_back(std::move(name), std::move(icon));
    }
    Icons = std::move(icons);
    return true;
  } catch (const std::exception &error) {
    Icons.clear();
    LastError = error.what();
    return false;
  }
}

void T16BitReader::ReadHeaders() {
  const ByteReader &file = Stream.Bytes();
  if (!platform::HasMzSignature(file))
    throw EICLReadError("Not a valid ICL File");
  auto offset = platform::NewHeaderOffset(file);
  if (!offset)
    throw EReadError();
  HeaderOffset = *offset;
  if (HeaderOffset < platform::kNewHeaderField)
    throw EICLReadError("Invalid Windows 16 Offset");
  auto header = platform::ReadNeHeader(file, HeaderOffset);
  if (!header)
    throw EICLReadError("Invalid Windows 16 Header");
  if (header->resourceTable == 0)
    throw EICLReadError("No Resources in file");
  ResourceTableOffset = uint64_t{header->resourceTable} + HeaderOffset;
  if (header->residentNames == 0)
    throw EICLReadError("Names Table not found");
  NameTableOffset = uint64_t{header->residentNames} + HeaderOffset;
}

std::vector<std::string> T16BitReader::ReadResourceTable() {
  auto table = platform::ReadNeResourceTable(Stream.Bytes(), ResourceTableOffset);
  // A table the end of the file cuts off before its terminating 0 is not read at all.
  if (!table || !table->complete)
    throw EReadError();
  AlignShift = table->alignShift;
  for (const platform::NeResourceType &type : table->types)
    ReadTypeInfo(type);
  if (!GroupIconEntries || !IconEntries)
    throw EICLReadError("ResourceTable has an Error");
  return ReadNames(table->namesOffset);
}

// A later entry of a type replaces an earlier one; one without resources leaves none.
void T16BitReader::ReadTypeInfo(const platform::NeResourceType &type) {
  const auto count = static_cast<uint16_t>(type.entries.size());
  if (type.type == NeTypeIcon) {
    IconCount = count;
    IconEntries.reset();
    iconIndex_.clear();
    if (count == 0)
      return;
    IconEntries = type.entries;
    for (uint16_t i = 0; i < count; ++i)
      iconIndex_.emplace((*IconEntries)[i].id, i); // the first entry of an id wins
  } else if (type.type == NeTypeGroupIcon) {
    GroupIconCount = count;
    GroupIconEntries.reset();
    if (count != 0)
      GroupIconEntries = type.entries;
  }
}

std::vector<std::string> T16BitReader::ReadNames(uint64_t offset) const {
  std::vector<std::string> names;
  for (;;) {
    auto name = platform::ReadNeName(Stream.Bytes(), offset);
    if (!name)
      throw EReadError();
    if (name->empty())
      return names;
    offset += 1 + name->size();
    // The module's own name comes first; it is dropped only until a name was kept.
    if (names.empty() && *name == "ICL")
      continue;
    names.push_back(std::move(*name));
  }
}

uint16_t T16BitReader::FindResource(uint16_t id, bool group) const {
  const uint16_t stored = id ^ kNeIntegerId;
  if (!group) {
    auto found = iconIndex_.find(stored);
    if (found != iconIndex_.end())
      return found->second;
  } else if (GroupIconEntries) {
    const auto &table = *GroupIconEntries;
    for (size_t i = 0; i < table.size(); ++i)
      if (table[i].id == stored)
        return static_cast<uint16_t>(i);
  }
  throw EICLReadError("Icon Resource Not Found");
}

std::span<const uint8_t> T16BitReader::ResourceBytes(uint16_t index, bool group,
                                                     std::string &name) {
  const auto &table = group ? GroupIconEntries : IconEntries;
  if (!table || index >= table->size())
    throw EICLReadError("Icon Resource Not Found");
  char number[8];
  std::snprintf(number, sizeof number, "%03u", static_cast<unsigned>(index) + 1);
  name = BaseName + " " + number;
  // The last resource of a file may lack its fill; the bytes that are there are given
  // and the caller decides whether its data is complete.
  auto bytes = platform::NeResourceBytes(Stream.Bytes(), (*table)[index], AlignShift);
  if (!bytes || !budget_.Take(bytes->size()))
    throw EReadError();
  return *bytes;
}

bool T16BitReader::HoldsBytes(uint16_t index, bool group, uint64_t needed) const {
  const auto &table = group ? GroupIconEntries : IconEntries;
  if (!table || index >= table->size())
    throw EICLReadError("Icon Resource Not Found");
  auto bytes = platform::NeResourceBytes(Stream.Bytes(), (*table)[index], AlignShift);
  return bytes && bytes->size() >= needed;
}

std::vector<uint8_t> T16BitReader::ReadResource(uint16_t index, bool group, std::string &name) {
  const auto bytes = ResourceBytes(index, group, name);
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

void T16BitReader::CopyResource(uint16_t index, bool group, std::string &name, TByteWriter &dest) {
  dest.WriteBytes(ResourceBytes(index, group, name));
}

// ---- T16BitWriter ----

T16BitWriter::T16BitWriter(const TIconLibrary &library) : Library(library) {
  ImageCount = static_cast<uint32_t>(AllImages().size());
  GroupEntryPos.resize(static_cast<size_t>(Library.Icons.Count()));
  IconEntryPos.resize(ImageCount);
}

std::vector<const TIconImage *> T16BitWriter::AllImages() const {
  std::vector<const TIconImage *> images;
  for (int i = 0; i < Library.Icons.Count(); ++i)
    if (const TAdvancedIcon *icon = Library.Icons.Objects(i))
      for (size_t k = 0; k < icon->Images.Count(); ++k)
        images.push_back(icon->Images.Items(k));
  return images;
}

void T16BitWriter::WriteToFile(const std::string &fileName) {
  platform::WriteFileAtomic(fileName, WriteToBytes());
}

std::string T16BitWriter::WriteToBytes() {
  WriteHeaders();
  WriteResourceTable();
  WriteNames();
  ComputeAlignShift();
  WriteResources();
  return Stream.Take();
}

void T16BitWriter::WriteHeaders() {
  // The stub: only "MZ", the new header's offset and the two bytes "IM" before it.
  Stream.WriteWord(platform::kMzSignature);
  Stream.WriteZeros(58);
  Stream.WriteWord(static_cast<uint16_t>(NeHeaderPos));
  Stream.WriteZeros(64);
  Stream.WriteByte('I');
  Stream.WriteByte('M');
  // The NE header: no code, no entries, only the resource and resident-name tables.
  Stream.WriteWord(platform::kNeSignature);
  Stream.WriteZeros(32);
  Stream.WriteWord(0x0040); // segment table: empty, right after the header
  Stream.WriteWord(0x0040); // resource table
  NameTableFieldPos = Stream.Position();
  Stream.WriteWord(0);      // resident-name table, patched by WriteNames
  Stream.WriteWord(0);      // module reference table
  Stream.WriteWord(0);      // imported names table
  Stream.WriteDWord(0);     // non-resident name table
  Stream.WriteWord(0);      // movable entry points
  Stream.WriteWord(0);      // segment alignment shift
  Stream.WriteWord(0);      // resource segments
  Stream.WriteByte(2);      // target operating system: Windows
  Stream.WriteByte(0);      // other flags
  Stream.WriteZeros(6);     // fast-load area, minimum code swap area
  Stream.WriteWord(0x0300); // expected Windows version 3.0
}

void T16BitWriter::WriteResourceTable() {
  ResourceTablePos = Stream.Position();
  Stream.WriteWord(0); // alignment shift, patched by ComputeAlignShift
  auto writeType = [this](uint16_t type, size_t count, std::vector<uint64_t> &positions) {
    Stream.WriteWord(type);
    Stream.WriteWord(static_cast<uint16_t>(count));
    Stream.WriteDWord(0);
    for (size_t n = 1; n <= count; ++n) {
      positions[n - 1] = Stream.Position();
      Stream.WriteWord(0x00FF); // offset and length placeholders, patched by PatchEntry
      Stream.WriteWord(0xFF00);
      Stream.WriteWord(NeResourceFlags);
      Stream.WriteWord(static_cast<uint16_t>(kNeIntegerId | n));
      Stream.WriteWord(0);
      Stream.WriteWord(0);
    }
  };
  writeType(NeTypeGroupIcon, GroupEntryPos.size(), GroupEntryPos);
  writeType(NeTypeIcon, IconEntryPos.size(), IconEntryPos);
  Stream.WriteWord(0);
}

void T16BitWriter::WriteNames() {
  // A capped offset would point into the resource table and the file would be damaged;
  // such a library is refused instead.
  const uint64_t nameTable = Stream.Position() - NeHeaderPos;
  if (nameTable > 0xFFFF)
    throw EICLReadError(TooManyEntriesMessage(nameTable));
  Stream.PatchWord(NameTableFieldPos, static_cast<uint16_t>(nameTable));
  Stream.WriteByte(3);
  Stream.WriteBytes(std::string_view("ICL"));
  for (int i = 0; i < Library.Icons.Count(); ++i) {
    const std::string &name = Library.Icons.Strings(i);
    const uint8_t length = static_cast<uint8_t>(name.size() % 256);
    Stream.WriteByte(length);
    Stream.WriteBytes(std::string_view(name).substr(0, length));
  }
  Stream.WriteByte(0);
}

// The offset to the names counts from the NE header in 16 bits, and the resource table
// before them grows by one entry per icon and one per image: the message names how many
// of both together still fit.
std::string T16BitWriter::TooManyEntriesMessage(uint64_t nameTable) const {
  const uint64_t icons = GroupEntryPos.size();
  const uint64_t fixedPart = nameTable - (icons + ImageCount) * kNeResourceEntrySize;
  const uint64_t most = (0xFFFF - fixedPart) / kNeResourceEntrySize;
  return "Iconlibraries with more than " + std::to_string(most) +
         " icons and images together are not possible (" + std::to_string(icons) + " icons, " +
         std::to_string(ImageCount) + " images)";
}

void T16BitWriter::ComputeAlignShift() {
  uint64_t estimate = Stream.Position();
  for (int i = 0; i < Library.Icons.Count(); ++i)
    if (const TAdvancedIcon *icon = Library.Icons.Objects(i)) {
      estimate += kIconDirHeaderSize;
      for (size_t k = 0; k < icon->Images.Count(); ++k)
        estimate += kGroupDirEntrySize + icon->Images.Items(k)->BytesInRes;
    } else {
      estimate += kIconDirHeaderSize;
    }
  uint16_t shift = 0;
  while ((uint64_t{0xFFFF} << shift) < estimate)
    ++shift;
  // The estimate leaves out the fill; a layout whose fill carries an offset or a length
  // past 16 bits takes the next shift.
  while (!LayoutFits(shift)) {
    if (++shift > MaxAlignShift)
      throw EICLReadError("Iconlibrary is too large to be written");
  }
  AlignShift = shift;
  Stream.PatchWord(ResourceTablePos, AlignShift);
  Stream.Reserve(estimate + (GroupEntryPos.size() + IconEntryPos.size() + 1) * (1u << shift));
}

bool T16BitWriter::LayoutFits(uint16_t shift) const {
  uint64_t position = AlignUp(Stream.Position(), shift);
  auto place = [&](uint64_t size) {
    const uint64_t end = AlignUp(position + size, shift);
    const bool fits = (position >> shift) <= 0xFFFF && ((end - position) >> shift) <= 0xFFFF;
    position = end;
    return fits;
  };
  for (int i = 0; i < Library.Icons.Count(); ++i) {
    const TAdvancedIcon *icon = Library.Icons.Objects(i);
    const uint64_t images = icon ? icon->Images.Count() : 0;
    if (!place(kIconDirHeaderSize + kGroupDirEntrySize * images))
      return false;
  }
  for (const TIconImage *image : AllImages())
    if (!place(image->Data ? image->BytesInRes : 0))
      return false;
  return true;
}

void T16BitWriter::WriteResources() {
  PadToAlignment();
  uint16_t imageNumber = 0;
  for (int i = 0; i < Library.Icons.Count(); ++i) {
    const TAdvancedIcon *icon = Library.Icons.Objects(i);
    const uint16_t count = icon ? icon->Images.Count() : 0;
    const uint64_t start = Stream.Position();
    Stream.WriteWord(0); // reserved
    Stream.WriteWord(1); // type: icon
    Stream.WriteWord(count);
    for (uint16_t k = 0; k < count; ++k) {
      const TIconImage &image = *icon->Images.Items(k);
      Stream.WriteByte(image.Width);
      Stream.WriteByte(image.Height);
      Stream.WriteByte(image.ColorCount);
      Stream.WriteByte(image.Reserved);
      Stream.WriteWord(image.Planes);
      Stream.WriteWord(image.BitCount);
      Stream.WriteDWord(image.BytesInRes);
      Stream.WriteWord(++imageNumber);
    }
    PadToAlignment();
    PatchEntry(GroupEntryPos[static_cast<size_t>(i)], start, Stream.Position());
  }
  size_t k = 0;
  for (const TIconImage *image : AllImages()) {
    const uint64_t start = Stream.Position();
    image->SaveToStream(Stream);
    PadToAlignment();
    PatchEntry(IconEntryPos[k++], start, Stream.Position());
  }
  Stream.WriteWord(0);
}

void T16BitWriter::PadToAlignment() {
  Stream.WriteZeros(AlignUp(Stream.Position(), AlignShift) - Stream.Position());
}

void T16BitWriter::PatchEntry(uint64_t entryPos, uint64_t start, uint64_t end) {
  Stream.PatchWord(entryPos, static_cast<uint16_t>(start >> AlignShift));
  Stream.PatchWord(entryPos + 2, static_cast<uint16_t>((end - start) >> AlignShift));
}

} // namespace icons
