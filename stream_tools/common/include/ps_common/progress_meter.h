// The run's progress bar (0-16, starting at 1) and its byte counters, stepped as units of work
// are done: the bar moves while it is below consumed / (total / 16), and the counters are
// refreshed every 256 units. Header-only; the user links the platform services for RunReport.
#pragma once

#include <cstdint>

#include "platform/run_report.h"

namespace ps {

class ProgressMeter {
public:
    ProgressMeter(platform::RunReport& report, std::uint64_t total) : report_(report), total_(total) {
        report_.SetProgress(progress_);
        report_.SetCounts(0, std::int64_t(total_));
    }

    // One unit of work is done, `consumed` bytes in all.
    void Unit(std::uint64_t consumed) {
        const std::uint64_t step = total_ / platform::kProgressSteps;
        while (step > 0 && progress_ < platform::kProgressSteps && std::uint64_t(progress_) < consumed / step)
            report_.SetProgress(++progress_);
        if (units_++ % 256 == 0) report_.SetCounts(std::int64_t(consumed), std::int64_t(total_));
    }

    void Finish(std::uint64_t consumed) {
        report_.SetProgress(platform::kProgressSteps);
        report_.SetCounts(std::int64_t(consumed), std::int64_t(total_));
    }

private:
    platform::RunReport& report_;
    std::uint64_t total_;
    int progress_ = 1;
    std::uint64_t units_ = 0;
};

}  // namespace ps
