// How a library without a user interface shows an error box: through whatever the host program
// installs. Without a host, boxes go to standard error. Libraries never end the process; their
// errors go back to the caller.
#pragma once

#include <functional>
#include <string>

namespace platform {

enum class MessageIcon { None, Information, Warning, Error, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

using MessageBoxHook = std::function<MessageAnswer(const std::string& text, const std::string& caption,
                                                   MessageButtons buttons, MessageIcon icon)>;

// Installs the hook and returns the previous one (empty: the default).
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

MessageAnswer ShowMessageBox(const std::string& text, const std::string& caption,
                             MessageButtons buttons = MessageButtons::Ok,
                             MessageIcon icon = MessageIcon::None);

}  // namespace platform
