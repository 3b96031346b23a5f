#include "termination_signal.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>

#include <QSocketNotifier>
#include <QWidget>

namespace velmar {
namespace {

// The handler may only write a byte; the event loop reads it and closes the frame.
int g_wake[2] = {-1, -1};

void OnTerminate(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_wake[1], &byte, 1);
}

}  // namespace

CloseOnTermination::CloseOnTermination(QWidget& frame) {
    if (::pipe2(g_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_wake[0] = g_wake[1] = -1;
        return;  // SIGTERM keeps its default action
    }
    notifier_ = new QSocketNotifier(g_wake[0], QSocketNotifier::Read, this);
    QWidget* target = &frame;
    connect(notifier_, &QSocketNotifier::activated, this, [target] {
        char bytes[16];
        while (::read(g_wake[0], bytes, sizeof bytes) > 0) {
        }
        target->close();
    });
    struct sigaction action {};
    action.sa_handler = OnTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
}

CloseOnTermination::~CloseOnTermination() {
    std::signal(SIGTERM, SIG_DFL);
    delete notifier_;
    for (int& fd : g_wake) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}

}  // namespace velmar
