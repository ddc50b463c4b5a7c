// Feeds arbitrary bytes to the module reader and then does what icon extraction does
// with what it finds: every group icon of the module, the icon resources its entries
// name, and the decoding of each image at the system's icon size.
#include "platform/ByteReader.h"
#include "platform/IconFormats.h"
#include "platform/IconHandle.h"
#include "platform/ModuleResources.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

void DecodeGroup(const platform::ResourceModule &module, std::span<const uint8_t> group) {
  for (const platform::IconDirEntry &entry :
       platform::ReadIconDirectory(platform::ByteReader(group), platform::IconDirKind::Group))
    if (auto image = module.FindResource(platform::RT_ICON, platform::ResourceName(entry.id)))
      platform::CreateIconFromResourceEx(image->data(), image->size(), 32, 32);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  auto module =
      platform::ResourceModule::FromBytes(std::string(reinterpret_cast<const char *>(data), size));
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
