// One leveled log for the libraries, with a replaceable sink (standard error by default).
#pragma once

#include <functional>
#include <string>

namespace platform {

enum class LogLevel { Debug, Info, Warning, Error };

using LogSink = std::function<void(LogLevel, const std::string&)>;

LogSink SetLogSink(LogSink sink);
void SetLogLevel(LogLevel minimum);
void Log(LogLevel level, const std::string& message);

}  // namespace platform
