#pragma once
// The platform's 8-bit text clipboard over the system clipboard that Qt reaches.
#include "platform/Clipboard.h"

namespace ui {

class TQtClipboard : public platform::ClipboardBackend {
public:
  // Qt has no notion of opening the clipboard: it is always available.
  bool Open() override;
  void Close() override;
  bool Empty() override;
  bool SetText(std::string text) override;
  std::optional<std::string> GetText() override;

private:
  bool open_ = false;
};

} // namespace ui
