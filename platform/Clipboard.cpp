#include "platform/Clipboard.h"

#include <mutex>

namespace platform {

namespace {

// A clipboard within the process, opened by one caller at a time.
class LocalClipboard : public ClipboardBackend {
public:
  bool Open() override {
    std::lock_guard<std::mutex> guard(lock_);
    if (open_)
      return false;
    open_ = true;
    return true;
  }
  void Close() override {
    std::lock_guard<std::mutex> guard(lock_);
    open_ = false;
  }
  bool Empty() override {
    std::lock_guard<std::mutex> guard(lock_);
    if (!open_)
      return false;
    text_.reset();
    return true;
  }
  bool SetText(std::string text) override {
    std::lock_guard<std::mutex> guard(lock_);
    if (!open_)
      return false;
    text_ = std::move(text);
    return true;
  }
  std::optional<std::string> GetText() override {
    std::lock_guard<std::mutex> guard(lock_);
    if (!open_)
      return std::nullopt;
    return text_;
  }

private:
  std::mutex lock_;
  bool open_ = false;
  std::optional<std::string> text_;
};

LocalClipboard &Local() {
  static LocalClipboard local;
  return local;
}

ClipboardBackend *installed = nullptr;

} // namespace

void SetClipboardBackend(ClipboardBackend *backend) {
  installed = backend;
}

ClipboardBackend &Clipboard() {
  return installed ? *installed : Local();
}

} // namespace platform
