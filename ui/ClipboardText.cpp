// Unit misk (HostPaths): plain text to and from the clipboard.
#include "ui/ClipboardText.h"

#include "platform/Clipboard.h"

#include <optional>

bool PutClipboardText(void * /*window*/, const std::string &text) {
  platform::ClipboardBackend &clipboard = platform::Clipboard();
  if (!clipboard.Open())
    return false;
  // The text travels with its terminating zero, so a reader sees it up to the first one.
  if (clipboard.Empty())
    clipboard.SetText(text.substr(0, text.find('\0')));
  clipboard.Close();
  return true;
}

std::string GetClipboardText(void * /*window*/) {
  platform::ClipboardBackend &clipboard = platform::Clipboard();
  // A clipboard another owner holds open gives no data, and closing it is not ours to do.
  if (!clipboard.Open())
    return std::string();
  std::optional<std::string> text = clipboard.GetText();
  clipboard.Close();
  return text ? text->substr(0, text->find('\0')) : std::string();
}
