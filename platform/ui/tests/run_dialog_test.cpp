// The run dialog every tool shares: one run at a time, the result seen on the worker and then on
// the UI thread, and the run back to idle either when the work is done or once its end is shown.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "velmar_ui/run_dialog.h"
#include "velmar_ui/testing/fake_form_view.h"
#include "velmar_ui/testing/fake_ui_services.h"

namespace {

using platform::RunResult;
using platform::RunState;
using platform::RunStatus;
using velmar_ui::RunDialog;

class Dialog : public RunDialog {
public:
    using RunDialog::RunDialog;
    ~Dialog() override { StopAndJoin(); }

    bool Start(RunResult result) {
        return Start([result] { return result; });
    }
    bool Start(Work work) {
        if (!BeginRun()) return false;
        StartWork(std::move(work));
        return true;
    }
    void Stop() { StopRun(); }
    const platform::RunControl& Control() const { return run_; }
    void EndFinishing() { run_.End(); }

    bool finishWhenShown = false;  // a step of the dialog's own still to come (an index to build)

    std::thread::id workDoneOn;
    platform::RunState stateWhenWorkDone = platform::RunState::Idle;
    std::vector<RunResult> shown;
    platform::RunState stateWhenShown = platform::RunState::Idle;

protected:
    bool Dispatch(const velmar_ui::Event&) override { return false; }
    void OnWorkDone(const RunResult&) override {
        workDoneOn = std::this_thread::get_id();
        stateWhenWorkDone = Run().State();
    }
    void ShowRunEnd(const RunResult& result) override {
        shown.push_back(result);
        stateWhenShown = Run().State();
        if (finishWhenShown) run_.SetFinishing();
    }
};

TEST(RunDialog, HandsTheResultToTheWorkerThenTheUiAndEndsTheRunWhereItWasAskedTo) {
    const RunResult error{RunStatus::Error, "Can't open video file", false};
    for (const auto ends : {RunDialog::RunEnds::WhenWorkDone, RunDialog::RunEnds::WhenShown}) {
        const bool whenShown = ends == RunDialog::RunEnds::WhenShown;
        SCOPED_TRACE(whenShown ? "when shown" : "when work done");
        velmar_ui::testing::FakeFormView view;
        velmar_ui::testing::FakeUiServices ui;
        Dialog dialog(view, ui, ends);
        ASSERT_TRUE(dialog.Start(error));
        dialog.JoinWorker();
        EXPECT_NE(dialog.workDoneOn, std::this_thread::get_id());
        EXPECT_EQ(dialog.stateWhenWorkDone, RunState::Running);
        EXPECT_TRUE(dialog.shown.empty());
        // Until the UI thread has shown the end, a run that ends when shown still refuses another.
        EXPECT_EQ(dialog.RunState(), whenShown ? RunState::Running : RunState::Idle);
        EXPECT_EQ(dialog.Start(error), !whenShown);
        dialog.JoinWorker();
        ui.RunPending();
        ASSERT_FALSE(dialog.shown.empty());
        EXPECT_EQ(dialog.shown.front(), error);
        EXPECT_EQ(dialog.stateWhenShown, whenShown ? RunState::Running : RunState::Idle);
        EXPECT_EQ(dialog.RunState(), RunState::Idle);
    }
}

TEST(RunDialog, ARunLeftFinishingWhenShownRefusesAnotherUntilTheDialogEndsIt) {
    velmar_ui::testing::FakeFormView view;
    velmar_ui::testing::FakeUiServices ui;
    Dialog dialog(view, ui, RunDialog::RunEnds::WhenShown);
    dialog.finishWhenShown = true;
    const RunResult done{RunStatus::Done, {}, false};
    ASSERT_TRUE(dialog.Start(done));
    dialog.JoinWorker();
    ui.RunPending();
    EXPECT_EQ(dialog.RunState(), RunState::Finishing);
    EXPECT_FALSE(dialog.Start(done));
    dialog.EndFinishing();
    EXPECT_TRUE(dialog.Start(done));
}

TEST(RunDialog, StopReachesTheRunningWorkOnly) {
    velmar_ui::testing::FakeFormView view;
    velmar_ui::testing::FakeUiServices ui;
    Dialog dialog(view, ui);
    dialog.Stop();  // nothing runs: nothing to stop
    EXPECT_EQ(dialog.RunState(), RunState::Idle);
    std::atomic<bool> started{false};
    ASSERT_TRUE(dialog.Start([&] {
        started = true;
        for (int i = 0; i < 10000 && !dialog.Control().StopRequested(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return RunResult{dialog.Control().StopRequested() ? RunStatus::Canceled : RunStatus::Done, {}, false};
    }));
    while (!started) std::this_thread::yield();
    dialog.Stop();
    dialog.JoinWorker();
    ui.RunPending();
    ASSERT_EQ(dialog.shown.size(), 1u);
    EXPECT_EQ(dialog.shown[0].status, RunStatus::Canceled);
}

}  // namespace
