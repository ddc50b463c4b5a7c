// Builds without an XML library (the Windows build: pugixml is packaged for Linux only)
// neither read nor write Double Commander's toolbars, and say so.
#include "document/DcToolbar.h"

namespace dctoolbar {

namespace {

const char kNotBuilt[] = "this build of Corvane reads and writes no Double Commander toolbars";

} // namespace

std::string ToolbarXml(const std::vector<Item> &) {
  throw EToolbarError(kNotBuilt);
}

bool IsToolbarExport(std::string_view) {
  throw EToolbarError(kNotBuilt);
}

std::string ReplaceMainToolbar(std::string_view, const std::vector<Item> &) {
  throw EToolbarError(kNotBuilt);
}

std::vector<Item> ReadToolbarXml(std::string_view) {
  throw EToolbarError(kNotBuilt);
}

bool HandlesToolbarXml() {
  return false;
}

} // namespace dctoolbar
