#pragma once
// Unit IconLibrary, TIconLibrary: a named, ordered collection of icons: filled from a 32-bit module
// (PE) through the module's resources or from a 16-bit module (NE, the format of .icl icon
// libraries) parsed directly, and written out as a 16-bit icon library.
#include "icons/AdvancedIcon.h"
#include "icons/IconList.h"
#include "platform/MessageText.h"
#include "platform/ModuleResources.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace icons {

using platform::ModuleFormat;
using platform::RT_GROUP_ICON;
using platform::RT_ICON;

// Reading or writing an icon library failed; the messages are fixed English texts, each
// a message key of its own, or a text made for the case.
class EICLReadError : public platform::EMessageError {
public:
  explicit EICLReadError(const char *key) : EMessageError(platform::Message(key)) {}
  explicit EICLReadError(const std::string &text) : EMessageError(text) {}
};

// An index outside a list ("List index out of bounds (5)").
class EListError : public platform::EMessageError {
public:
  explicit EListError(int index)
      : EMessageError("List index out of bounds (" + std::to_string(index) + ")") {}
};

// Takes the icons of a library one at a time as they are read.
using TIconVisitor = std::function<void(TNamedIcon icon)>;

// The kinds of icon library the writer makes: 16-bit (NE), the icon cache's kind, which
// holds images below 256 pixels only; 32-bit (a resource-only PE32 DLL), which holds
// every image, 256 pixels and PNG included.
enum class TLibraryFormat { NE16, PE32 };

class TIconLibrary {
public:
  TIconLibrary() = default;
  virtual ~TIconLibrary() = default;
  TIconLibrary(const TIconLibrary &) = delete;
  TIconLibrary &operator=(const TIconLibrary &) = delete;

  // Replaces Icons by the icons of a PE or NE module file. A missing file, a file that
  // is not a module, a module without group icons and a damaged 16-bit module change
  // nothing and raise nothing. Raises EResNotFound when a 32-bit module's group names
  // an icon resource the module does not list. Of a file cut short, every icon whose
  // directory and at least one image are whole is read, with its whole images: the
  // icons ExtractIconCountA counts (ResourceModule::IconGroups); one whose every icon
  // the cut took changes nothing, as a module without icons. A 32-bit module is read by
  // range (its headers, its resource directory and the resources of its icons), never
  // whole.
  void LoadFromFile(const std::string &fileName);
  // The same over a module's bytes already in memory; fileName names it.
  void LoadFromBytes(const std::string &fileName, std::string bytes);
  // The icons LoadFromFile would load, with their names, handed to `take` one at a time
  // in order, each let go when `take` returns: a listing of a large 32-bit module holds
  // one icon's images at a time, never all of them. Nothing is handed where LoadFromFile
  // would load nothing. Raises as LoadFromFile does; icons before the fault of a 32-bit
  // module have then been handed, while a 16-bit module hands all or none.
  static void ForEachIcon(const std::string &fileName, const TIconVisitor &take);
  // Takes out of an icon the images a 16-bit library cannot hold (256 pixels or more).
  static void DropImagesBeyond16Bit(TAdvancedIcon &icon);
  // Writes the library as a 16-bit icon library, replacing the file atomically (a
  // failed write leaves the old file as it was). Raises EICLReadError for a library
  // that cannot be written (no icons; more than 32767 icons or images; more icons and
  // images together than the resource table can list, 5454; an image of 256 pixels or
  // more, the message naming the icon) before the file is touched,
  // platform::EFileWriteError when the write fails.
  void SaveToFile(const std::string &fileName) const;
  // The same in the given format; a 32-bit library is written by TPe32Writer, whose
  // refusals it raises the same way.
  void SaveToFile(const std::string &fileName, TLibraryFormat format) const;
  // The bytes SaveToFile writes, after the same checks.
  std::string SaveToBytes() const;
  std::string SaveToBytes(TLibraryFormat format) const;
  // The positions of Icons in the order a library written in the format lists them,
  // which is the order its readers number them in (icon references count by it): the
  // order of Icons for a 16-bit library; for a 32-bit one TPe32Writer::GroupOrder.
  std::vector<int> WrittenOrder(TLibraryFormat format) const;

  std::string FileName;
  TIconList Icons;
};

// True when the file starts with "MZ" and the new header it points to (the 32-bit offset
// stored at 60, as Windows reads it) starts with "PE\0\0" or "NE"; is32Bit tells which.
// Raises platform::EFileReadError when the file cannot be read.
bool CheckModuleHeader(const std::string &fileName, bool &is32Bit);
bool CheckModuleHeader(const ByteReader &bytes, bool &is32Bit);

// Reads the (name, icon) pairs of a module into Icons, in file order; the pairs pass to
// whoever takes them.
class TICLReader {
public:
  explicit TICLReader(std::string fileName) : FileName(std::move(fileName)) {}
  virtual ~TICLReader() = default;
  TICLReader(const TICLReader &) = delete;
  TICLReader &operator=(const TICLReader &) = delete;

  virtual bool Read() = 0;
  // Reads as Read does, handing each pair to `take` instead of keeping it in Icons; this
  // one after a successful Read, a reader that can do better as it reads.
  virtual bool ReadEach(const TIconVisitor &take);

  std::string FileName;
  TNamedIcons Icons;
};

// A 32-bit module's group icons through the platform's module loader, in the platform's
// enumeration order (named groups first, then integer identifiers ascending), each named
// by its text or the decimal identifier.
class T32BitReader : public TICLReader {
public:
  explicit T32BitReader(std::string fileName) : TICLReader(std::move(fileName)) {}
  // Over the module's bytes instead of the file.
  T32BitReader(std::string fileName, std::string bytes)
      : TICLReader(std::move(fileName)), bytes_(std::move(bytes)) {}
  // Over a module already loaded.
  T32BitReader(std::string fileName, ResourceModule module)
      : TICLReader(std::move(fileName)), given_(std::move(module)) {}

  // False when the module cannot be loaded; otherwise true, whatever it holds. A group
  // that is not an icon directory gives an icon without images.
  bool Read() override;
  // Hands each group's icon on as soon as it is read.
  bool ReadEach(const TIconVisitor &take) override;

  std::optional<ResourceModule> Module;
  bool ModuleLoaded = false;

private:
  TNamedIcon GroupIcon(const ResourceName &name, TLoadBudget &budget);
  std::optional<std::string> bytes_;
  std::optional<ResourceModule> given_;
};

class T16BitReader;

// An icon read out of a 16-bit module; Name is the reader's name for its group.
class TICL16Icon : public TAdvancedIcon {
public:
  // Loads group `index` of the reader's group table and the images it names. A group
  // that is not an icon directory leaves the icon without images. An image whose bytes
  // the end of a cut file took is left out; false when the end of the file took the
  // group: its directory, or its images and none of them is whole
  // (platform::IconLiesBeyondEnd, by which the shell counts the same groups).
  bool LoadGroup(T16BitReader &reader, uint16_t index);
  // Reads one group directory entry from the group's bytes and appends the image it
  // names; false, appending nothing, when the file does not hold the image's bytes.
  bool LoadImage(T16BitReader &reader, TByteStream &group);

  std::string Name;
};

// An image of a 16-bit module: the group entry's fields as they stand (no size taken
// from the bitmap) and the icon resource's bytes, fill included.
class TICL16IconImage : public TIconImage {
public:
  static std::unique_ptr<TICL16IconImage> CreateFromEntry(const platform::IconDirEntry &entry,
                                                          std::vector<uint8_t> data);
};

// A 16-bit (NE) module parsed directly. Any fault of the file, including one that would
// read past its end, makes Read return false, except that the icons and images whose
// bytes the end of a cut file took are left out (TICL16Icon::LoadGroup).
class T16BitReader : public TICLReader {
public:
  // Reads the file at once; raises platform::EFileReadError when it cannot be read.
  explicit T16BitReader(std::string fileName);
  // Over the module's bytes instead of the file.
  T16BitReader(std::string fileName, std::string bytes);

  bool Read() override;

  // The index of the first entry of the group table (group) or icon table whose
  // identifier with the top bit flipped is `id`; EICLReadError "Icon Resource Not
  // Found" when there is none.
  uint16_t FindResource(uint16_t id, bool group) const;
  // The bytes of entry `index` of a table (fill included; a resource cut by the end of
  // the file gives the bytes that are there) and its name: BaseName, a space and the
  // 1-based index in at least three digits. Raises EReadError when the resource
  // starts beyond the end.
  std::vector<uint8_t> ReadResource(uint16_t index, bool group, std::string &name);
  void CopyResource(uint16_t index, bool group, std::string &name, TByteWriter &dest);
  // Whether the file holds at least `needed` bytes of entry `index` of a table; fewer
  // when the end of a cut file took them.
  bool HoldsBytes(uint16_t index, bool group, uint64_t needed) const;

  TByteStream Stream;
  uint16_t AlignShift = 0;
  // The new header's offset is a 32-bit field, read whole as for every module.
  uint32_t HeaderOffset = 0;
  uint64_t ResourceTableOffset = 0;
  uint64_t NameTableOffset = 0;
  uint16_t IconCount = 0;
  uint16_t GroupIconCount = 0;
  std::string BaseName;
  std::optional<std::vector<platform::NeResourceEntry>> IconEntries;
  std::optional<std::vector<platform::NeResourceEntry>> GroupIconEntries;
  // The message of the error that made the last Read return false; empty after a
  // successful one.
  std::string LastError;

private:
  void ReadHeaders();
  std::vector<std::string> ReadResourceTable();
  void ReadTypeInfo(const platform::NeResourceType &type);
  std::vector<std::string> ReadNames(uint64_t offset) const;
  std::span<const uint8_t> ResourceBytes(uint16_t index, bool group, std::string &name);

  std::string bytes_;
  TLoadBudget budget_{0};
  // The first entry of each identifier in the icon table, so that looking up every
  // image of a large library stays linear.
  std::unordered_map<uint16_t, uint16_t> iconIndex_;
};

// Writes a library as a 16-bit icon library: an "MZ" stub, an "NE" header, a resource
// table of group icons (one per icon) and icons (one per image), the names, then the
// group directories and the image bytes, each block aligned.
class T16BitWriter {
public:
  explicit T16BitWriter(const TIconLibrary &library);

  // Builds the file and writes it atomically. A library that cannot be laid out (its
  // names or blocks beyond the reach of the 16-bit offsets) raises EICLReadError while
  // the file is built, before it is touched.
  void WriteToFile(const std::string &fileName);
  // Builds the file and returns its bytes; raises as WriteToFile does.
  std::string WriteToBytes();

  uint32_t ImageCount = 0;
  uint16_t AlignShift = 0;

private:
  void WriteHeaders();
  void WriteResourceTable();
  // Raises EICLReadError when the names would lie beyond the reach of the header's
  // 16-bit offset to them.
  void WriteNames();
  std::string TooManyEntriesMessage(uint64_t nameTable) const;
  void ComputeAlignShift();
  bool LayoutFits(uint16_t shift) const;
  void WriteResources();
  void PadToAlignment();
  void PatchEntry(uint64_t entryPos, uint64_t start, uint64_t end);
  std::vector<const TIconImage *> AllImages() const;

  const TIconLibrary &Library;
  TByteWriter Stream;
  uint64_t ResourceTablePos = 0;
  uint64_t NameTableFieldPos = 0;
  std::vector<uint64_t> GroupEntryPos;
  std::vector<uint64_t> IconEntryPos;
};

} // namespace icons
