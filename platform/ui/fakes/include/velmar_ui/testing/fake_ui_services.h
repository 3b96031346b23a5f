// UI services for logic tests: boxes and choosers are recorded and answered from scripts, timers
// run on a virtual clock, and tasks for the UI thread wait in a queue until the test runs them.
// Boxes may be asked from worker threads; they are answered at once.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "velmar_ui/ui_services.h"

namespace velmar_ui::testing {

class FakeUiServices : public UiServices {
public:
    FakeUiServices() : uiThread_(std::this_thread::get_id()) {}

    // --- scripts and records ---
    // Answers for the next boxes; when none is left a box gets its first button's answer.
    void ScriptAnswer(BoxAnswer answer);
    std::vector<MessageBoxSpec> Boxes() const;
    // Chooser results for the next choosers; when none is left a chooser is cancelled.
    void ScriptChoice(std::optional<std::string> path);
    std::vector<FileChooserSpec> choosers;

    struct StartedProgram {
        std::string program;
        std::vector<std::string> arguments;
    };
    std::vector<StartedProgram> programs;
    bool startProgramSucceeds = true;
    std::optional<int> exitCode;

    // --- virtual clock ---
    long long NowMs() const { return nowMs_; }
    // Moves the clock forward, firing every due timer tick in time order.
    void Advance(int milliseconds);
    bool TimerRunning(int timerId) const { return timers_.count(timerId) != 0; }
    int TimerPeriod(int timerId) const;

    // --- the UI thread's queue ---
    // Runs the queued tasks (and those they queue); returns how many ran.
    int RunPending();
    // Runs queued tasks until `done` holds, waiting for other threads to queue more.
    void RunUntil(const std::function<bool()>& done);

    BoxAnswer MessageBox(const MessageBoxSpec& box) override;
    std::optional<std::string> ShowFileChooser(const FileChooserSpec& chooser) override;
    void SetTimer(int timerId, int periodMs, TimerHandler onTick) override;
    void KillTimer(int timerId) override { timers_.erase(timerId); }
    void Sleep(int milliseconds) override { nowMs_ += milliseconds; }
    bool StartProgram(const std::string& program, const std::vector<std::string>& arguments) override;
    void ExitProcess(int code) override { exitCode = code; }
    void RunOnUiThread(Task task) override;
    bool OnUiThread() const override { return std::this_thread::get_id() == uiThread_; }

private:
    struct TimerState {
        int periodMs;
        long long dueMs;
        TimerHandler onTick;
    };

    std::thread::id uiThread_;
    mutable std::mutex mutex_;
    std::condition_variable queued_;
    std::deque<Task> tasks_;
    std::vector<MessageBoxSpec> boxes_;
    std::deque<BoxAnswer> answers_;
    std::deque<std::optional<std::string>> choices_;
    std::map<int, TimerState> timers_;
    long long nowMs_ = 0;
};

}  // namespace velmar_ui::testing
