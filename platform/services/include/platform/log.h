// One leveled log for the libraries, with a replaceable sink (standard error by default). The level
// starts at info, or at what $VELMAR_LOG_LEVEL names ("debug", "info", "warning", "error").
#pragma once

#include <functional>
#include <string>

namespace platform {

enum class LogLevel { Debug, Info, Warning, Error };

using LogSink = std::function<void(LogLevel, const std::string&)>;

LogSink SetLogSink(LogSink sink);
void SetLogLevel(LogLevel minimum);
void Log(LogLevel level, const std::string& message);
// True when messages of `level` are kept; chatty progress lines of its own ask this first.
bool LogEnabled(LogLevel level);

}  // namespace platform
