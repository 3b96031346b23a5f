#include "termination_signal.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>

#include <QApplication>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include "velmar_ui_qt/qt_ui_services.h"

namespace velmar {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The handler may only write a byte; the event loop, nested in a box or not, reads it.
int g_wake[2] = {-1, -1};

void OnSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_wake[1], &byte, 1);
}

}  // namespace

EndOnSignals::EndOnSignals(QWidget& frame) : frame_(frame) {
    if (::pipe2(g_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_wake[0] = g_wake[1] = -1;
        return;  // the signals keep their default actions
    }
    retry_ = new QTimer(this);
    retry_->setInterval(kRetryMs);
    connect(retry_, &QTimer::timeout, this, &EndOnSignals::DismissAndClose);
    notifier_ = new QSocketNotifier(g_wake[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(g_wake[0], bytes, sizeof bytes) > 0) {
        }
        // From now on no box or chooser waits for an operator.
        velmar_ui_qt::QtUiServices::EndProgram();
        retry_->start();
        DismissAndClose();
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kSignals) sigaction(signal, &action, nullptr);
}

EndOnSignals::~EndOnSignals() {
    for (int signal : kSignals) std::signal(signal, SIG_DFL);
    delete notifier_;
    for (int& fd : g_wake) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}

void EndOnSignals::DismissAndClose() {
    // The handler that opened a box or dialog is still on the stack: the frame closes on a later
    // round, once it has returned, so the panel never goes from under it.
    bool dismissed = false;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window == &frame_ || !window->isVisible()) continue;
        dismissed = true;
        // A box without a Cancel button ignores a close; reject() is its escape answer.
        if (auto* box = qobject_cast<QMessageBox*>(window))
            box->reject();
        else
            window->close();
    }
    if (dismissed || QApplication::activeModalWidget()) return;
    if (frame_.close()) {
        retry_->stop();
        QCoreApplication::exit(0);
    }
}

}  // namespace velmar
