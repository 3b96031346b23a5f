#include "platform/run_report.h"

namespace platform {

namespace {

// The progress of `done` out of `total` the way the tools count it: done / (total / 16), never past
// 16, and 16 outright when the total is below 16.
int ProgressStep(std::uint64_t done, std::uint64_t total) {
    const std::uint64_t unit = total / kProgressSteps;
    if (unit == 0) return kProgressSteps;
    const std::uint64_t step = done / unit;
    return step > std::uint64_t(kProgressSteps) ? kProgressSteps : int(step);
}

}  // namespace

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

void ProgressStepper::Begin() {
    report_.SetProgress(step_);
    report_.SetCounts(0, std::int64_t(total_));
}

void ProgressStepper::Advance(std::uint64_t done) {
    // Below 16 units there is no step to take: ProgressStep would jump straight to the end.
    if (total_ / kProgressSteps == 0) return;
    const int target = ProgressStep(done, total_);
    while (step_ < target) report_.SetProgress(++step_);
}

void ProgressStepper::Unit(std::uint64_t done) {
    Advance(done);
    if (units_++ % 256 == 0) report_.SetCounts(std::int64_t(done), std::int64_t(total_));
}

void ProgressStepper::Finish(std::uint64_t done) {
    if (step_ != kProgressSteps) report_.SetProgress(step_ = kProgressSteps);
    report_.SetCounts(std::int64_t(done), std::int64_t(total_));
}

}  // namespace platform
