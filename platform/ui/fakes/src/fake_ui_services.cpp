#include "velmar_ui/testing/fake_ui_services.h"

#include <algorithm>

namespace velmar_ui::testing {

namespace {
BoxAnswer FirstButtonAnswer(BoxButtons buttons) {
    switch (buttons) {
    case BoxButtons::Ok:
    case BoxButtons::OkCancel: return BoxAnswer::Ok;
    case BoxButtons::YesNo:
    case BoxButtons::YesNoCancel: return BoxAnswer::Yes;
    case BoxButtons::RetryCancel: return BoxAnswer::Retry;
    case BoxButtons::AbortRetryIgnore: return BoxAnswer::Abort;
    }
    return BoxAnswer::Ok;
}
}  // namespace

void FakeUiServices::ScriptAnswer(BoxAnswer answer) {
    std::lock_guard lock(mutex_);
    answers_.push_back(answer);
}

std::vector<MessageBoxSpec> FakeUiServices::Boxes() const {
    std::lock_guard lock(mutex_);
    return boxes_;
}

BoxAnswer FakeUiServices::MessageBox(const MessageBoxSpec& box) {
    std::lock_guard lock(mutex_);
    boxes_.push_back(box);
    if (answers_.empty()) return FirstButtonAnswer(box.buttons);
    const BoxAnswer answer = answers_.front();
    answers_.pop_front();
    return answer;
}

void FakeUiServices::ScriptChoice(std::optional<std::string> path) { choices_.push_back(std::move(path)); }

std::optional<std::string> FakeUiServices::ShowFileChooser(const FileChooserSpec& chooser) {
    choosers.push_back(chooser);
    if (choices_.empty()) return std::nullopt;
    auto choice = choices_.front();
    choices_.pop_front();
    return choice;
}

void FakeUiServices::SetTimer(int timerId, int periodMs, TimerHandler onTick) {
    timers_[timerId] = {periodMs, nowMs_ + periodMs, std::move(onTick)};
}

int FakeUiServices::TimerPeriod(int timerId) const {
    auto found = timers_.find(timerId);
    return found == timers_.end() ? 0 : found->second.periodMs;
}

void FakeUiServices::Advance(int milliseconds) {
    const long long end = nowMs_ + milliseconds;
    for (;;) {
        // The earliest due timer; ties go to the lower id, as a stable order for tests.
        int nextId = 0;
        long long nextDue = end + 1;
        for (const auto& [id, timer] : timers_) {
            if (timer.dueMs < nextDue) {
                nextDue = timer.dueMs;
                nextId = id;
            }
        }
        if (nextDue > end) break;
        nowMs_ = nextDue;
        TimerState& timer = timers_[nextId];
        timer.dueMs += std::max(1, timer.periodMs);
        TimerHandler onTick = timer.onTick;  // the handler may kill or restart its own timer
        onTick(nextId);
    }
    nowMs_ = end;
}

bool FakeUiServices::StartProgram(const std::string& program, const std::vector<std::string>& arguments) {
    programs.push_back({program, arguments});
    return startProgramSucceeds;
}

void FakeUiServices::RunOnUiThread(Task task) {
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    queued_.notify_all();
}

int FakeUiServices::RunPending() {
    int ran = 0;
    for (;;) {
        Task task;
        {
            std::lock_guard lock(mutex_);
            if (tasks_.empty()) return ran;
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
        ++ran;
    }
}

void FakeUiServices::RunUntil(const std::function<bool()>& done) {
    for (;;) {
        RunPending();
        if (done()) return;
        std::unique_lock lock(mutex_);
        queued_.wait(lock, [this] { return !tasks_.empty(); });
    }
}

}  // namespace velmar_ui::testing
