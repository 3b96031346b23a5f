#include "platform/host_hooks.h"

#include <cstdio>
#include <mutex>

namespace platform {
namespace {

std::mutex hookMutex;
MessageBoxHook messageBoxHook;

MessageAnswer DefaultMessageBox(const std::string& text, const std::string& caption, MessageButtons buttons) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    switch (buttons) {
        case MessageButtons::YesNo:
        case MessageButtons::YesNoCancel:
            return MessageAnswer::Yes;
        default:
            return MessageAnswer::Ok;
    }
}

}  // namespace

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
    std::lock_guard lock(hookMutex);
    std::swap(hook, messageBoxHook);
    return hook;
}

MessageAnswer ShowMessageBox(const std::string& text, const std::string& caption, MessageButtons buttons,
                             MessageIcon icon) {
    MessageBoxHook hook;
    {
        std::lock_guard lock(hookMutex);
        hook = messageBoxHook;
    }
    return hook ? hook(text, caption, buttons, icon) : DefaultMessageBox(text, caption, buttons);
}

}  // namespace platform
