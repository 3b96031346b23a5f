// How a library without a user interface reports an error box or ends the process: through
// whatever the host program installs. Without a host, boxes go to standard error and the end is
// std::exit.
#pragma once

#include <functional>
#include <string>

namespace platform {

enum class MessageIcon { None, Information, Warning, Error, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

using MessageBoxHook = std::function<MessageAnswer(const std::string& text, const std::string& caption,
                                                   MessageButtons buttons, MessageIcon icon)>;
using ExitHook = std::function<void(int code)>;

// Installs a hook and returns the previous one (empty: the default).
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);
ExitHook SetExitHook(ExitHook hook);

MessageAnswer ShowMessageBox(const std::string& text, const std::string& caption,
                             MessageButtons buttons = MessageButtons::Ok,
                             MessageIcon icon = MessageIcon::None);

// Ends the process through the installed hook. A hook that returns (a test's) makes this throw
// ProcessExit so the caller's stack unwinds instead of carrying on.
[[noreturn]] void EndProcess(int code);

struct ProcessExit {
    int code;
};

}  // namespace platform
