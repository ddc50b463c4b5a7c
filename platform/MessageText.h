#pragma once
// The messages of the program's own words (the bar doctor's problems, the errors of
// reading and writing files) as their English text and what fills it, so that a front end
// can show them in its language while the core and the command line keep English.
//
// A message's key is its English text with "%s" where each argument goes, in order (the
// key a language file translates). An argument is a message of its own, translated too,
// or a verbatim text: the user's data or the system's words (a file name, a number, the
// reason the system gives), shown as it is.
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace platform {

struct MessageText {
  std::string Key;               // the English text, or the verbatim text itself
  std::vector<MessageText> Args; // fill the key's "%s" in order
  bool Verbatim = false;
};

// A message of the program's words.
MessageText Message(std::string key, std::vector<MessageText> args = {});
// A text shown as it is.
MessageText Verbatim(std::string text);

// The message with every key passed through translate and each "%s" of the translated
// key filled by the next argument ("%s" beyond the arguments stay; an argument's own
// "%s" is never filled again).
std::string FormatMessage(const MessageText &message,
                          const std::function<std::string(const std::string &)> &translate);
// The message in English: the keys as they are.
std::string EnglishText(const MessageText &message);

// The base of every exception the program raises, so that a front end catches one type:
// what() is its English text, Message() the message to translate. Made from a plain
// text, the message is that text verbatim.
class EMessageError : public std::runtime_error {
public:
  explicit EMessageError(const std::string &text);
  explicit EMessageError(MessageText message);
  const MessageText &Message() const { return message_; }

private:
  MessageText message_;
};

} // namespace platform
