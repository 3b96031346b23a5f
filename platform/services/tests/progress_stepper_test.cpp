// The progress bar every engine moves: one report per step, never past the end, and no step at all
// for a total too small to divide into steps.
#include <gtest/gtest.h>

#include <vector>

#include "platform/run_report.h"

namespace {

struct Recorded : platform::RunReport {
    std::vector<int> steps;
    std::vector<std::int64_t> counts;
    void SetProgress(int step) override { steps.push_back(step); }
    void SetCounts(std::int64_t done, std::int64_t) override { counts.push_back(done); }
};

TEST(ProgressStepper, StepsOncePerStepUpToTheDoneShare) {
    struct Case {
        std::uint64_t total;
        int first;
        std::vector<std::uint64_t> advances;
        std::vector<int> steps;
    };
    const Case cases[] = {
        {160, 0, {25, 25, 40, 1000}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}},
        {160, 1, {5, 30, 30}, {2, 3}},    // the first step is not reported again
        {15, 0, {15, 1000}, {}},          // too small to step: only Finish fills the bar
        {1600, 0, {99, 100, 100, 250}, {1, 2}},
    };
    for (const Case& c : cases) {
        Recorded report;
        platform::ProgressStepper stepper(report, c.total, c.first);
        for (std::uint64_t done : c.advances) stepper.Advance(done);
        EXPECT_EQ(report.steps, c.steps) << "total " << c.total;
    }
}

TEST(ProgressStepper, BeginsAtItsFirstStepAndCountsEvery256UnitsUntilFinish) {
    Recorded report;
    platform::ProgressStepper stepper(report, 1 << 20, 1);
    stepper.Begin();
    for (std::uint64_t unit = 1; unit <= 600; ++unit) stepper.Unit(unit);
    stepper.Finish(700);
    EXPECT_EQ(report.steps, (std::vector<int>{1, 16}));
    EXPECT_EQ(report.counts, (std::vector<std::int64_t>{0, 1, 257, 513, 700}));
    EXPECT_EQ(stepper.Step(), platform::kProgressSteps);
}

}  // namespace
