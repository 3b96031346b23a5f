// How a file tool's run ends. The engines report progress and poll for a stop through
// platform::RunReport; the dialogs and clip-tool turn the result into what the operator sees.
#pragma once

#include "platform/run_report.h"

namespace file_tools {

using platform::RunResult;
using platform::RunStatus;

// The ends of a file tool's run. The cause of a file error is the last message the run reported.
inline const RunResult kDone{RunStatus::Done, {}, false};
inline const RunResult kCanceled{RunStatus::Canceled, {}, false};
inline const RunResult kFileError{RunStatus::Error, {}, false};
inline const RunResult kOverInput{RunStatus::Error, {}, true};

}  // namespace file_tools
