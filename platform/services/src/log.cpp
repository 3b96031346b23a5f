#include "platform/log.h"

#include <atomic>
#include <cstdio>
#include <mutex>

namespace platform {
namespace {

std::mutex sinkMutex;
LogSink sink;
std::atomic<int> minimumLevel{static_cast<int>(LogLevel::Info)};

const char* LevelName(LogLevel level) {
    switch (level) {
        case LogLevel::Debug: return "debug";
        case LogLevel::Info: return "info";
        case LogLevel::Warning: return "warning";
        case LogLevel::Error: return "error";
    }
    return "?";
}

}  // namespace

LogSink SetLogSink(LogSink newSink) {
    std::lock_guard lock(sinkMutex);
    std::swap(newSink, sink);
    return newSink;
}

void SetLogLevel(LogLevel minimum) { minimumLevel = static_cast<int>(minimum); }

void Log(LogLevel level, const std::string& message) {
    if (static_cast<int>(level) < minimumLevel) return;
    std::lock_guard lock(sinkMutex);
    if (sink)
        sink(level, message);
    else
        std::fprintf(stderr, "[%s] %s\n", LevelName(level), message.c_str());
}

}  // namespace platform
