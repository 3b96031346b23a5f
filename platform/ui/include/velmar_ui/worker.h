// The one worker thread a window runs at a time. The window owns it; destroying it waits for the
// thread, so a window never goes while its worker still reports to it.
#pragma once

#include <functional>
#include <thread>

namespace velmar_ui {

class Worker {
public:
    Worker() = default;
    ~Worker() { Join(); }
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Starts `body` on a new thread after the previous run's thread has been joined.
    void Start(std::function<void()> body) {
        Join();
        thread_ = std::thread(std::move(body));
    }
    void Join() {
        if (thread_.joinable()) thread_.join();
    }
    bool Started() const { return thread_.joinable(); }

private:
    std::thread thread_;
};

}  // namespace velmar_ui
