#include "platform/log.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace platform {
namespace {

const char* LevelName(LogLevel level) {
    switch (level) {
        case LogLevel::Debug: return "debug";
        case LogLevel::Info: return "info";
        case LogLevel::Warning: return "warning";
        case LogLevel::Error: return "error";
    }
    return "?";
}

int InitialLevel() {
    const char* named = std::getenv("VELMAR_LOG_LEVEL");
    for (LogLevel level : {LogLevel::Debug, LogLevel::Info, LogLevel::Warning, LogLevel::Error})
        if (named && std::strcmp(named, LevelName(level)) == 0) return static_cast<int>(level);
    return static_cast<int>(LogLevel::Info);
}

std::mutex sinkMutex;
LogSink sink;
std::atomic<int> minimumLevel{InitialLevel()};

}  // namespace

LogSink SetLogSink(LogSink newSink) {
    std::lock_guard lock(sinkMutex);
    std::swap(newSink, sink);
    return newSink;
}

void SetLogLevel(LogLevel minimum) { minimumLevel = static_cast<int>(minimum); }

bool LogEnabled(LogLevel level) { return static_cast<int>(level) >= minimumLevel; }

void Log(LogLevel level, const std::string& message) {
    if (!LogEnabled(level)) return;
    std::lock_guard lock(sinkMutex);
    if (sink)
        sink(level, message);
    else
        std::fprintf(stderr, "[%s] %s\n", LevelName(level), message.c_str());
}

}  // namespace platform
