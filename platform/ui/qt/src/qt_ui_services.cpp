#include "velmar_ui_qt/qt_ui_services.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QStringList>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>

#include "platform/kernel.h"

namespace velmar_ui_qt {

using velmar_ui::BoxAnswer;
using velmar_ui::BoxButtons;
using velmar_ui::BoxIcon;

namespace {
int g_waitsRunning = 0;  // UI thread only
std::atomic<bool> g_ending{false};
}  // namespace

QtUiServices::QtUiServices(QWidget* owner) : owner_(owner) {}

QtUiServices::~QtUiServices() = default;

bool QtUiServices::OnUiThread() const { return QThread::currentThread() == thread(); }

BoxAnswer QtUiServices::MessageBox(const velmar_ui::MessageBoxSpec& box) {
    if (g_ending) return velmar_ui::EscapeAnswer(box.buttons);
    if (OnUiThread()) return ShowBox(box);
    // A worker waits here until the operator has answered on the GUI thread.
    BoxAnswer answer = velmar_ui::EscapeAnswer(box.buttons);
    QMetaObject::invokeMethod(
        this, [this, &box, &answer] { answer = ShowBox(box); }, Qt::BlockingQueuedConnection);
    return answer;
}

BoxAnswer QtUiServices::ShowBox(const velmar_ui::MessageBoxSpec& box) {
    QMessageBox::StandardButtons buttons;
    switch (box.buttons) {
    case BoxButtons::Ok: buttons = QMessageBox::Ok; break;
    case BoxButtons::OkCancel: buttons = QMessageBox::Ok | QMessageBox::Cancel; break;
    case BoxButtons::YesNo: buttons = QMessageBox::Yes | QMessageBox::No; break;
    case BoxButtons::YesNoCancel: buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
    case BoxButtons::RetryCancel: buttons = QMessageBox::Retry | QMessageBox::Cancel; break;
    case BoxButtons::AbortRetryIgnore: buttons = QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore; break;
    }
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (box.icon) {
    case BoxIcon::None: break;
    case BoxIcon::Information: icon = QMessageBox::Information; break;
    case BoxIcon::Warning: icon = QMessageBox::Warning; break;
    case BoxIcon::Error: icon = QMessageBox::Critical; break;
    case BoxIcon::Question: icon = QMessageBox::Question; break;
    }
    QMessageBox message(icon, QString::fromStdString(box.caption), QString::fromStdString(box.text), buttons,
                        owner_.data());
    switch (message.exec()) {
    case QMessageBox::Ok: return BoxAnswer::Ok;
    case QMessageBox::Cancel: return BoxAnswer::Cancel;
    case QMessageBox::Yes: return BoxAnswer::Yes;
    case QMessageBox::No: return BoxAnswer::No;
    case QMessageBox::Retry: return BoxAnswer::Retry;
    case QMessageBox::Abort: return BoxAnswer::Abort;
    case QMessageBox::Ignore: return BoxAnswer::Ignore;
    default: return velmar_ui::EscapeAnswer(box.buttons);
    }
}

QString QtUiServices::QtFilter(const std::string& filter) {
    QStringList entries;
    for (const auto& entry : velmar_ui::ParseFileFilter(filter)) {
        QStringList patterns;
        for (const auto& pattern : entry.patterns) {
            const QString p = QString::fromStdString(pattern == "*.*" ? "*" : pattern);
            patterns << p;
            if (p.toUpper() != p) patterns << p.toUpper();
        }
        entries << QString::fromStdString(entry.description) + " (" + patterns.join(' ') + ")";
    }
    return entries.join(";;");
}

std::optional<std::string> QtUiServices::ShowFileChooser(const velmar_ui::FileChooserSpec& chooser) {
    if (g_ending) return std::nullopt;
    QFileDialog dialog(owner_.data());
    dialog.setAcceptMode(chooser.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !chooser.askBeforeReplacing);
    // An open form may still name an output file that does not exist yet.
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!chooser.startFolder.empty()) dialog.setDirectory(QString::fromStdString(chooser.startFolder));
    if (!chooser.filter.empty()) dialog.setNameFilters(QtFilter(chooser.filter).split(";;"));
    if (!chooser.defaultExtension.empty()) dialog.setDefaultSuffix(QString::fromStdString(chooser.defaultExtension));
    const bool pattern = chooser.initialName.find_first_of("*?") != std::string::npos;
    if (!chooser.initialName.empty() && !pattern) dialog.selectFile(QString::fromStdString(chooser.initialName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

void QtUiServices::SetTimer(int timerId, int periodMs, TimerHandler onTick) {
    KillTimer(timerId);
    auto* timer = new QTimer(this);
    timer->setInterval(periodMs);
    QObject::connect(timer, &QTimer::timeout, this, [this, timerId, onTick = std::move(onTick)] {
        if (waiting_ == 0) onTick(timerId);
    });
    timers_[timerId] = timer;
    timer->start();
}

void QtUiServices::KillTimer(int timerId) {
    auto found = timers_.find(timerId);
    if (found == timers_.end()) return;
    found->second->stop();
    found->second->deleteLater();
    timers_.erase(found);
}

bool QtUiServices::WaitRunning() { return g_waitsRunning > 0; }

void QtUiServices::EndProgram() { g_ending = true; }

void QtUiServices::Sleep(int milliseconds) {
    // The UI thread must not stop: the windows keep painting and sockets and other windows are
    // served while the logic waits. What the operator types or clicks waits until it is over, and
    // this window's own timers skip their ticks, as if the thread slept.
    ++waiting_;
    ++g_waitsRunning;
    QEventLoop loop;
    QTimer::singleShot(std::max(milliseconds, 0), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    --g_waitsRunning;
    --waiting_;
}

bool QtUiServices::StartProgram(const std::string& program, const std::vector<std::string>& arguments) {
    QStringList args;
    for (const auto& argument : arguments) args << QString::fromStdString(argument);
    // A bare name is the program beside this one first: the build's bin need not be on PATH.
    return QProcess::startDetached(QString::fromStdString(platform::ResolveProgram(program)), args);
}

void QtUiServices::ExitProcess(int exitCode) {
    // Asked before the event loop runs (a start-up failure), exit() would be forgotten: ask again
    // as the loop's first event.
    if (QThread::currentThread()->loopLevel() == 0)
        QTimer::singleShot(0, qApp, [exitCode] { QCoreApplication::exit(exitCode); });
    else
        QCoreApplication::exit(exitCode);
}

void QtUiServices::RunOnUiThread(Task task) {
    QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

}  // namespace velmar_ui_qt
