// A board command library that records every call and answers from a script.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "board_link/board_library.h"

namespace velmar::testing_support {

struct RecordedCall {
    BoardExport which;
    std::vector<std::string> argv;
    std::string Joined() const {
        std::string text;
        for (const auto& word : argv) text += (text.empty() ? "" : "|") + word;
        return text;
    }
};

class RecordingBoardLibrary : public BoardLibrary {
public:
    int Call(BoardExport which, int argc, char** argv) override {
        RecordedCall call{which, {}};
        for (int i = 0; i < argc; ++i) call.argv.emplace_back(argv[i]);
        {
            std::lock_guard lock(mutex_);
            calls.push_back(call);
        }
        if (which == BoardExport::Mdaemon) {
            std::unique_lock lock(mutex_);
            daemonRunning_ = true;
            changed_.notify_all();
            changed_.wait(lock, [this] { return daemonResult_ >= 0; });
            return daemonResult_;
        }
        lastRefusal_ = refuse ? refuse(call) : std::nullopt;
        return answer ? answer(call) : 0;
    }
    std::optional<CallRefusal> LastRefusal() override { return lastRefusal_; }

    // The loop listens from its first moment: what the link waits for before it goes on.
    bool ServiceLoopListening(board_commands::BoardNumber /*board*/) override {
        std::lock_guard lock(mutex_);
        return daemonRunning_;
    }

    void EndDaemon(int result) {
        std::lock_guard lock(mutex_);
        daemonResult_ = result;
        changed_.notify_all();
    }
    void WaitDaemonRunning() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return daemonRunning_; });
    }

    std::vector<RecordedCall> calls;
    std::function<int(const RecordedCall&)> answer;
    std::function<std::optional<CallRefusal>(const RecordedCall&)> refuse;  // the library refuses these lines

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<CallRefusal> lastRefusal_;
    bool daemonRunning_ = false;
    int daemonResult_ = -1;
};

}  // namespace velmar::testing_support
