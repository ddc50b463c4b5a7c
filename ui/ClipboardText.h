#pragma once
// Unit misk (HostPaths): plain text to and from the clipboard, through the platform's
// backend (platform/Clipboard.h) that the editor installs over the system clipboard.
#include <string>

// Puts the text on the clipboard; false when the clipboard could not be opened. The
// window names the owner where the platform asks for one; the backends ignore it.
bool PutClipboardText(void *window, const std::string &text);
// The clipboard's plain text up to its first zero byte, or empty.
std::string GetClipboardText(void *window);
