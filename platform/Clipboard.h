#pragma once
// The plain 8-bit text clipboard. The calls follow the platform's: open, empty, set or
// get the text, close. A backend provides them; the editor installs one over the system
// clipboard, and without one a clipboard local to the process serves (the core's tests
// and the command line).
#include <optional>
#include <string>

namespace platform {

class ClipboardBackend {
public:
  virtual ~ClipboardBackend() = default;
  // False when the clipboard cannot be opened (another owner holds it open).
  virtual bool Open() = 0;
  virtual void Close() = 0;
  // These three need the clipboard open; they fail when it is not.
  virtual bool Empty() = 0;
  virtual bool SetText(std::string text) = 0;
  // The clipboard's plain text, or nothing when it holds none.
  virtual std::optional<std::string> GetText() = 0;
};

// Installs a backend (not owned; it must outlive its use); null restores the local one.
void SetClipboardBackend(ClipboardBackend *backend);
// The backend in use.
ClipboardBackend &Clipboard();

} // namespace platform
