// Arbitrary bytes as a Double Commander configuration. Nothing may crash; a document that
// is read gives items whose toolbar, written, reads back with the same items; a toolbar
// put into a document that takes one reads back from it.
#include "document/DcToolbar.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

void Check(bool condition) {
  if (!condition)
    __builtin_trap();
}

size_t CountItems(const std::vector<dctoolbar::Item> &items) {
  size_t count = items.size();
  for (const auto &item : items)
    count += CountItems(item.Items);
  return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string_view xml(reinterpret_cast<const char *>(data), size);
  dctoolbar::IsToolbarExport(xml);
  const std::vector<dctoolbar::Item> put = {dctoolbar::Item{}, dctoolbar::Item{}};
  try {
    Check(dctoolbar::ReadToolbarXml(dctoolbar::ReplaceMainToolbar(xml, put)).size() == put.size());
  } catch (const dctoolbar::EToolbarError &) {
  }
  std::vector<dctoolbar::Item> items;
  try {
    items = dctoolbar::ReadToolbarXml(xml);
  } catch (const dctoolbar::EToolbarError &) {
    return 0;
  }
  const auto again = dctoolbar::ReadToolbarXml(dctoolbar::ToolbarXml(items));
  Check(CountItems(again) == CountItems(items));
  return 0;
}
