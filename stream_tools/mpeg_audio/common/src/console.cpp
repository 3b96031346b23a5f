#include "mpeg_audio/console.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <utility>

namespace mpa {
namespace {
std::mutex& SinkMutex() {
    static std::mutex mutex;
    return mutex;
}
MessageSink& Sink() {
    static MessageSink sink;
    return sink;
}
}  // namespace

MessageSink SetMessageSink(MessageSink sink) {
    std::lock_guard lock(SinkMutex());
    return std::exchange(Sink(), std::move(sink));
}

void ConsoleMessage(const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::lock_guard lock(SinkMutex());
    if (Sink()) {
        Sink()(text);
    } else {
        std::fputs(text, stderr);
    }
}

}  // namespace mpa
