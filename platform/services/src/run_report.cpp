#include "platform/run_report.h"

namespace platform {

const char* StatusText(RunStatus status) {
    switch (status) {
    case RunStatus::Processing: return kProcessingText;
    case RunStatus::Done: return kDoneText;
    case RunStatus::Canceled: return kCanceledText;
    case RunStatus::Error: return kErrorText;
    case RunStatus::Discontinued: break;
    }
    return "";
}

int ProgressStep(std::uint64_t done, std::uint64_t total) {
    const std::uint64_t unit = total / kProgressSteps;
    if (unit == 0) return kProgressSteps;
    const std::uint64_t step = done / unit;
    return step > std::uint64_t(kProgressSteps) ? kProgressSteps : int(step);
}

}  // namespace platform
