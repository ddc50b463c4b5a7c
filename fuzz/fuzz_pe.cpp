// Feeds arbitrary bytes to the module reader and then does what icon extraction does
// with what it finds: every group icon of the module, the icon resources its entries
// name, and the decoding of each image at the system's icon size. One input in a hundred
// is also read by range from a file, and both readers must see the same module: writing
// and reading the file costs more than the rest, and a campaign wants every execution it
// can get. Which inputs is decided by their bytes, so that a finding reproduces.
#include "platform/ByteReader.h"
#include "platform/HostFiles.h"
#include "platform/IconFormats.h"
#include "platform/IconHandle.h"
#include "platform/ModuleResources.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

void DecodeGroup(const platform::ResourceModule &module, std::span<const uint8_t> group) {
  for (const platform::IconDirEntry &entry :
       platform::ReadIconDirectory(platform::ByteReader(group), platform::IconDirKind::Group))
    if (auto image = module.FindResource(platform::RT_ICON, platform::ResourceName(entry.id)))
      platform::CreateIconFromResourceEx(image->data(), image->size(), 32, 32);
}

// The bytes as a file in memory, under a name the module reader opens.
std::string AsFile(const uint8_t *data, size_t size) {
  static const int fd = ::memfd_create("module", 0);
  if (fd < 0 || ::ftruncate(fd, 0) != 0 ||
      ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
    __builtin_trap();
  return platform::WindowsName("/proc/self/fd/" + std::to_string(fd));
}

std::string Text(std::span<const uint8_t> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// Both modules list the same resources of a type with the same bytes.
void Compare(const platform::ResourceModule &inMemory, const platform::ResourceModule &fromFile,
             uint16_t type) {
  const auto names = inMemory.EnumResourceNames(type);
  if (names != fromFile.EnumResourceNames(type))
    __builtin_trap();
  for (const platform::ResourceName &name : names) {
    auto expected = inMemory.FindResource(type, name);
    auto found = fromFile.FindResource(type, name);
    auto read = fromFile.ReadResource(type, name);
    if (expected.has_value() != found.has_value() || expected.has_value() != read.has_value())
      __builtin_trap();
    if (expected && (Text(*expected) != Text(*found) || Text(*expected) != Text(read->bytes)))
      __builtin_trap();
  }
}

// Whether these bytes are also read from a file: one input in a hundred, by a hash of
// its bytes (FNV-1a).
bool ReadFromFileToo(const uint8_t *data, size_t size) {
  uint32_t hash = 2166136261u;
  for (size_t i = 0; i < size; ++i)
    hash = (hash ^ data[i]) * 16777619u;
  return hash % 100 == 0;
}

void CompareWithFile(const std::optional<platform::ResourceModule> &module, const uint8_t *data,
                     size_t size) {
  auto fromFile = platform::ResourceModule::Load(AsFile(data, size));
  if (module.has_value() != fromFile.has_value())
    __builtin_trap();
  if (!module)
    return;
  if (module->Format() != fromFile->Format())
    __builtin_trap();
  Compare(*module, *fromFile, platform::RT_ICON);
  Compare(*module, *fromFile, platform::RT_GROUP_ICON);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  auto module =
      platform::ResourceModule::FromBytes(std::string(reinterpret_cast<const char *>(data), size));
  if (ReadFromFileToo(data, size))
    CompareWithFile(module, data, size);
  if (!module)
    return 0;
  (void)module->Format();
  for (const platform::ResourceName &name : module->EnumResourceNames(platform::RT_ICON))
    (void)module->FindResource(platform::RT_ICON, name);
  for (const platform::ResourceName &name : module->EnumResourceNames(platform::RT_GROUP_ICON))
    if (auto group = module->FindResource(platform::RT_GROUP_ICON, name))
      DecodeGroup(*module, *group);
  return 0;
}
