// Diagnostics of the MPEG audio engines. They go to standard error unless a sink is installed
// (tests capture them; the dialog programs have no console).
#pragma once

#include <functional>
#include <string>

namespace mpa {

using MessageSink = std::function<void(const std::string&)>;

// Installs a sink for every later message (empty restores standard error). Returns the previous one.
MessageSink SetMessageSink(MessageSink sink);

// printf-style message, passed to the sink as one string.
void ConsoleMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace mpa
