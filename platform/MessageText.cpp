// The program's messages as keys and arguments, filled in English or in a translation.
#include "platform/MessageText.h"

#include "platform/TextRules.h"

namespace platform {

MessageText Message(std::string key, std::vector<MessageText> args) {
  return MessageText{std::move(key), std::move(args), false};
}

MessageText Verbatim(std::string text) {
  return MessageText{std::move(text), {}, true};
}

std::string FormatMessage(const MessageText &message,
                          const std::function<std::string(const std::string &)> &translate) {
  if (message.Verbatim)
    return message.Key;
  const std::string text = translate(message.Key);
  // Joined as texts, so that an argument marked as UTF-8 stays one whole text.
  std::string out;
  size_t from = 0;
  for (const MessageText &arg : message.Args) {
    const size_t at = text.find("%s", from);
    if (at == std::string::npos)
      break;
    out = JoinTexts(
        {out, std::string_view(text).substr(from, at - from), FormatMessage(arg, translate)});
    from = at + 2;
  }
  return JoinTexts({out, std::string_view(text).substr(from)});
}

std::string EnglishText(const MessageText &message) {
  return FormatMessage(message, [](const std::string &key) { return key; });
}

EMessageError::EMessageError(const std::string &text)
    : std::runtime_error(text), message_(Verbatim(text)) {}

EMessageError::EMessageError(MessageText message)
    : std::runtime_error(EnglishText(message)), message_(std::move(message)) {}

} // namespace platform
