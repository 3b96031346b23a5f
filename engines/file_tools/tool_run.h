// How a file tool's run ends. The engines report progress and poll for a stop through
// platform::RunReport; the dialogs and clip-tool turn the result into what the operator sees.
#pragma once

#include "platform/run_report.h"

namespace file_tools {

enum class ToolResult { Done = 0, Cancelled = 1, FileError = 2, SameFile = 3 };

}  // namespace file_tools
