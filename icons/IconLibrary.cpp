#include "icons/IconLibrary.h"

#include "platform/HostFiles.h"

#include <algorithm>
#include <cstdio>

namespace icons {

namespace {

constexpr uint16_t MzSignature = 0x5A4D; // "MZ"
constexpr uint16_t NeSignature = 0x454E; // "NE"
constexpr uint16_t PeSignature = 0x4550; // "PE"
constexpr uint64_t NewHeaderField = 60;  // where the stub keeps the new header's offset
constexpr uint64_t NeHeaderPos = 0x80;   // where the writer puts the NE header

constexpr uint16_t NeIntegerId = 0x8000; // top bit of an NE integer identifier
constexpr uint16_t NeTypeIcon = 0x8003;
constexpr uint16_t NeTypeGroupIcon = 0x800E;
constexpr uint64_t NeResourceEntrySize = 12;
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

// The bytes of a count of alignment units; a shift no file can satisfy puts every
// non-empty resource beyond the end.
uint64_t Scaled(uint16_t units, uint16_t shift) {
  if (shift >= 48)
    return units ? UINT64_MAX : 0;
  return uint64_t{units} << shift;
}

std::vector<TNEResourceEntry> DecodeEntries(std::span<const uint8_t> bytes, uint16_t count) {
  ByteReader table(bytes);
  std::vector<TNEResourceEntry> entries(count);
  for (uint16_t i = 0; i < count; ++i) {
    const uint64_t at = i * NeResourceEntrySize;
    entries[i].Offset = table.u16le(at, "resource entry");
    entries[i].Length = table.u16le(at + 2, "resource entry");
    entries[i].Flags = table.u16le(at + 4, "resource entry");
    entries[i].Id = table.u16le(at + 6, "resource entry");
  }
  return entries;
}

uint64_t AlignUp(uint64_t position, uint16_t shift) {
  const uint64_t unit = uint64_t{1} << shift;
  return (position + unit - 1) & ~(unit - 1);
}

} // namespace

// ---- TIconList ----

int TIconList::AddIcon(std::string Name, std::unique_ptr<TAdvancedIcon> Icon) {
  if (!Icon)
    return -1;
  if (Name.empty())
    Name = "Icon " + std::to_string(Count() + 1);
  items_.emplace_back(std::move(Name), std::move(Icon));
  return Count() - 1;
}

void TIconList::Clear() {
  items_.clear();
}

void TIconList::Delete(int Index) {
  if (Index < 0 || Index >= Count())
    throw EListError(Index);
  items_.erase(items_.begin() + Index);
}

void TIconList::Assign(TNamedIcons Source) {
  Clear();
  items_ = std::move(Source);
}

const std::string &TIconList::Strings(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError(Index);
  return items_[static_cast<size_t>(Index)].first;
}

TAdvancedIcon *TIconList::Objects(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError(Index);
  return items_[static_cast<size_t>(Index)].second.get();
}

// ---- Module test ----

bool CheckModuleHeader(const ByteReader &Bytes, bool &Is32Bit) {
  Is32Bit = false;
  if (Bytes.u16le(0) != MzSignature)
    return false;
  auto newHeader = Bytes.u16le(NewHeaderField);
  if (!newHeader)
    return false;
  auto signature = Bytes.u16le(*newHeader);
  if (signature != PeSignature && signature != NeSignature)
    return false;
  Is32Bit = signature == PeSignature;
  return true;
}

bool CheckModuleHeader(const std::string &FileName, bool &Is32Bit) {
  auto bytes = platform::ReadFileBytes(FileName);
  if (!bytes)
    throw EFOpenError(FileName);
  return CheckModuleHeader(ByteReader(*bytes), Is32Bit);
}

// ---- TIconLibrary ----

void TIconLibrary::LoadFromFile(const std::string &FileName) {
  auto bytes = platform::ReadFileBytes(FileName);
  if (!bytes)
    return; // a file that cannot be read holds no icons
  LoadFromBytes(FileName, std::move(*bytes));
}

void TIconLibrary::LoadFromBytes(const std::string &FileName, std::string Bytes) {
  bool is32Bit = false;
  if (!CheckModuleHeader(ByteReader(Bytes), is32Bit))
    return;
  std::unique_ptr<TICLReader> reader;
  if (is32Bit) {
    // A module without group icons holds no icons and is passed over. (A 16-bit module
    // without them is refused by its reader, which leaves the list as it is too.)
    auto module = ResourceModule::FromBytes(Bytes);
    if (!module || module->EnumResourceNames(RT_GROUP_ICON).empty())
      return;
    reader = std::make_unique<T32BitReader>(FileName, std::move(Bytes));
  } else {
    reader = std::make_unique<T16BitReader>(FileName, std::move(Bytes));
  }
  this->FileName = FileName;
  if (reader->Read())
    Icons.Assign(std::move(reader->Icons));
}

void TIconLibrary::SaveToFile(const std::string &FileName) const {
  platform::WriteFileAtomic(FileName, SaveToBytes());
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
  T16BitWriter writer(*this);
  return writer.WriteToBytes();
}

// ---- T32BitReader ----

bool T32BitReader::Read() {
  std::optional<std::string> bytes = std::move(bytes_);
  bytes_.reset();
  if (!bytes)
    bytes = platform::ReadFileBytes(FileName);
  if (!bytes)
    return false;
  TLoadBudget budget(bytes->size());
  Module = ResourceModule::FromBytes(std::move(*bytes));
  if (!Module)
    return false;
  ModuleLoaded = true;
  for (const ResourceName &name : Module->EnumResourceNames(RT_GROUP_ICON))
    AddGroupIcon(name, budget);
  return true;
}

void T32BitReader::AddGroupIcon(const ResourceName &ResName, TLoadBudget &Budget) {
  auto icon = std::make_unique<TAdvancedIcon>();
  icon->LoadFromResource(*Module, ResName, &Budget);
  std::string name = ResName.IsId() ? std::to_string(ResName.Id()) : ResName.Name();
  Icons.emplace_back(std::move(name), std::move(icon));
}

// ---- TICL16Icon and its images ----

std::unique_ptr<TICL16IconImage> TICL16IconImage::CreateFromEntry(std::span<const uint8_t> Entry,
                                                                  std::vector<uint8_t> Data) {
  auto image = std::make_unique<TICL16IconImage>();
  image->CopyEntry(Entry);
  image->Data = std::move(Data);
  image->FitDepthToImage();
  return image;
}

void TICL16Icon::LoadGroup(T16BitReader &Reader, uint16_t Index) {
  const std::vector<uint8_t> group = Reader.ReadResource(Index, true, Name);
  TByteStream stream{ByteReader(group)};
  uint16_t count = 0;
  if (!ReadDirectory(stream, count))
    return;
  for (uint16_t i = 0; i < count; ++i)
    LoadImage(Reader, stream);
}

void TICL16Icon::LoadImage(T16BitReader &Reader, TByteStream &Source) {
  const auto entry = Source.ReadBuffer(GroupDirEntrySize);
  ByteReader fields(entry);
  const uint16_t index = Reader.FindResource(fields.u16le(12, "group directory entry"), false);
  std::string unused;
  std::vector<uint8_t> data = Reader.ReadResource(index, false, unused);
  // The resource's length covers the fill after the image; an image that does not
  // even find its own bytes there was cut off by the end of the file.
  if (data.size() < fields.u32le(8, "group directory entry"))
    throw EReadError();
  Images.Add(TICL16IconImage::CreateFromEntry(entry, std::move(data)));
}

// ---- T16BitReader ----

T16BitReader::T16BitReader(std::string FileName) : TICLReader(std::move(FileName)) {
  auto bytes = platform::ReadFileBytes(this->FileName);
  if (!bytes)
    throw EFOpenError(this->FileName);
  bytes_ = std::move(*bytes);
  Stream = TByteStream(ByteReader(bytes_));
  BaseName = BaseNameOf(this->FileName);
}

T16BitReader::T16BitReader(std::string FileName, std::string Bytes)
    : TICLReader(std::move(FileName)), bytes_(std::move(Bytes)) {
  Stream = TByteStream(ByteReader(bytes_));
  BaseName = BaseNameOf(this->FileName);
}

bool T16BitReader::Read() {
  try {
    IconEntries.reset();
    GroupIconEntries.reset();
    iconIndex_.clear();
    Icons.clear();
    LastError.clear();
    budget_ = TLoadBudget(bytes_.size());
    Stream.Seek(0);
    ReadHeaders();
    const std::vector<std::string> names = ReadResourceTable();
    const uint16_t groups = GroupIconCount;
    const bool storedNames = names.size() == groups;
    TNamedIcons icons;
    icons.reserve(groups);
    for (uint16_t i = 0; i < groups; ++i) {
      auto icon = std::make_unique<TICL16Icon>();
      icon->LoadGroup(*this, i);
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
  Stream.Seek(0);
  if (Stream.ReadWord() != MzSignature)
    throw EICLReadError("Not a valid ICL File");
  Stream.Seek(NewHeaderField);
  HeaderOffset = Stream.ReadWord();
  if (HeaderOffset < NewHeaderField)
    throw EICLReadError("Invalid Windows 16 Offset");
  Stream.Seek(HeaderOffset);
  if (Stream.ReadWord() != NeSignature)
    throw EICLReadError("Invalid Windows 16 Header");
  Stream.Seek(Stream.Position() + 34); // to the resource table field at 0x24
  const uint16_t resourceTable = Stream.ReadWord();
  if (resourceTable == 0)
    throw EICLReadError("No Resources in file");
  ResourceTableOffset = uint32_t{resourceTable} + HeaderOffset;
  const uint16_t nameTable = Stream.ReadWord();
  if (nameTable == 0)
    throw EICLReadError("Names Table not found");
  NameTableOffset = uint32_t{nameTable} + HeaderOffset;
}

std::vector<std::string> T16BitReader::ReadResourceTable() {
  Stream.Seek(ResourceTableOffset);
  AlignShift = Stream.ReadWord();
  // Every type entry moves the stream on by at least its own 8 bytes, and a read past
  // the end raises, so a table without its terminating 0 ends at the end of the file.
  while (Stream.ReadWord() != 0) {
    Stream.Seek(Stream.Position() - 2);
    ReadTypeInfo();
  }
  if (!GroupIconEntries || !IconEntries)
    throw EICLReadError("ResourceTable has an Error");
  return ReadNames();
}

void T16BitReader::ReadTypeInfo() {
  const uint16_t type = Stream.ReadWord();
  const uint16_t count = Stream.ReadWord();
  Stream.ReadBuffer(4);
  const auto entries = Stream.ReadBuffer(count * NeResourceEntrySize);
  const bool integerType = (type & NeIntegerId) != 0;
  if (integerType && (type & 0xFF) == (NeTypeIcon & 0xFF)) {
    IconCount = count;
    IconEntries.reset();
    iconIndex_.clear();
    if (count == 0)
      return;
    IconEntries = DecodeEntries(entries, count);
    for (uint16_t i = 0; i < count; ++i)
      iconIndex_.emplace((*IconEntries)[i].Id, i); // the first entry of an id wins
  } else if (integerType && (type & 0xFF) == (NeTypeGroupIcon & 0xFF)) {
    GroupIconCount = count;
    GroupIconEntries.reset();
    if (count != 0)
      GroupIconEntries = DecodeEntries(entries, count);
  }
}

std::vector<std::string> T16BitReader::ReadNames() {
  std::vector<std::string> names;
  for (uint8_t length = Stream.ReadByte(); length != 0; length = Stream.ReadByte()) {
    const auto bytes = Stream.ReadBuffer(length);
    std::string name(bytes.begin(), bytes.end());
    // The module's own name comes first; it is dropped only until a name was kept.
    if (names.empty() && name == "ICL")
      continue;
    names.push_back(std::move(name));
  }
  return names;
}

uint16_t T16BitReader::FindResource(uint16_t Id, bool Group) const {
  const uint16_t stored = Id ^ NeIntegerId;
  if (!Group) {
    auto found = iconIndex_.find(stored);
    if (found != iconIndex_.end())
      return found->second;
  } else if (GroupIconEntries) {
    const auto &table = *GroupIconEntries;
    for (size_t i = 0; i < table.size(); ++i)
      if (table[i].Id == stored)
        return static_cast<uint16_t>(i);
  }
  throw EICLReadError("Icon Resource Not Found");
}

std::span<const uint8_t> T16BitReader::ResourceBytes(uint16_t Index, bool Group,
                                                     std::string &Name) {
  const auto &table = Group ? GroupIconEntries : IconEntries;
  if (!table || Index >= table->size())
    throw EICLReadError("Icon Resource Not Found");
  const TNEResourceEntry &entry = (*table)[Index];
  char number[8];
  std::snprintf(number, sizeof number, "%03u", static_cast<unsigned>(Index) + 1);
  Name = BaseName + " " + number;
  const uint64_t start = Scaled(entry.Offset, AlignShift);
  if (start > Stream.Size())
    throw EReadError();
  // The last resource of a file may lack its fill; the bytes that are there are given
  // and the caller decides whether its data is complete.
  const uint64_t length = std::min(Scaled(entry.Length, AlignShift), Stream.Size() - start);
  if (!budget_.Take(length))
    throw EReadError();
  Stream.Seek(start);
  return Stream.ReadBuffer(length);
}

std::vector<uint8_t> T16BitReader::ReadResource(uint16_t Index, bool Group, std::string &Name) {
  const auto bytes = ResourceBytes(Index, Group, Name);
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

void T16BitReader::CopyResource(uint16_t Index, bool Group, std::string &Name, TByteWriter &Dest) {
  Dest.WriteBytes(ResourceBytes(Index, Group, Name));
}

// ---- T16BitWriter ----

T16BitWriter::T16BitWriter(const TIconLibrary &Library) : Library(Library) {
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

void T16BitWriter::WriteToFile(const std::string &FileName) {
  platform::WriteFileAtomic(FileName, WriteToBytes());
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
  Stream.WriteWord(MzSignature);
  Stream.WriteZeros(58);
  Stream.WriteWord(static_cast<uint16_t>(NeHeaderPos));
  Stream.WriteZeros(64);
  Stream.WriteByte('I');
  Stream.WriteByte('M');
  // The NE header: no code, no entries, only the resource and resident-name tables.
  Stream.WriteWord(NeSignature);
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
      Stream.WriteWord(static_cast<uint16_t>(NeIntegerId | n));
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
std::string T16BitWriter::TooManyEntriesMessage(uint64_t NameTable) const {
  const uint64_t icons = GroupEntryPos.size();
  const uint64_t fixedPart = NameTable - (icons + ImageCount) * NeResourceEntrySize;
  const uint64_t most = (0xFFFF - fixedPart) / NeResourceEntrySize;
  return "Iconlibraries with more than " + std::to_string(most) +
         " icons and images together are not possible (" + std::to_string(icons) + " icons, " +
         std::to_string(ImageCount) + " images)";
}

void T16BitWriter::ComputeAlignShift() {
  uint64_t estimate = Stream.Position();
  for (int i = 0; i < Library.Icons.Count(); ++i)
    if (const TAdvancedIcon *icon = Library.Icons.Objects(i)) {
      estimate += IconDirHeaderSize;
      for (size_t k = 0; k < icon->Images.Count(); ++k)
        estimate += GroupDirEntrySize + icon->Images.Items(k)->BytesInRes;
    } else {
      estimate += IconDirHeaderSize;
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
    if (!place(IconDirHeaderSize + GroupDirEntrySize * images))
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

void T16BitWriter::PatchEntry(uint64_t EntryPos, uint64_t Start, uint64_t End) {
  Stream.PatchWord(EntryPos, static_cast<uint16_t>(Start >> AlignShift));
  Stream.PatchWord(EntryPos + 2, static_cast<uint16_t>((End - Start) >> AlignShift));
}

} // namespace icons
