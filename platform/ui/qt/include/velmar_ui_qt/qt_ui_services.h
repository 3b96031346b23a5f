// UI services over Qt: boxes and choosers owned by the window, QTimer timers, waits that keep the
// event loop running, detached processes, and queued invocation onto the GUI thread.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <map>

#include "velmar_ui/ui_services.h"

class QTimer;

namespace velmar_ui_qt {

class QtUiServices : public QObject, public velmar_ui::UiServices {
public:
    explicit QtUiServices(QWidget* owner);
    ~QtUiServices() override;

    velmar_ui::BoxAnswer MessageBox(const velmar_ui::MessageBoxSpec& box) override;
    std::optional<std::string> ShowFileChooser(const velmar_ui::FileChooserSpec& chooser) override;
    void SetTimer(int timerId, int periodMs, TimerHandler onTick) override;
    void KillTimer(int timerId) override;
    void Sleep(int milliseconds) override;
    bool StartProgram(const std::string& program, const std::vector<std::string>& arguments) override;
    void ExitProcess(int exitCode) override;
    void RunOnUiThread(Task task) override;
    bool OnUiThread() const override;

    // "Name (*.a)|*.a;*.b|...||" as a Qt name filter list, with upper-case patterns added for
    // file systems that tell case apart, and "*.*" as "*".
    static QString QtFilter(const std::string& filter);

    // True while a Sleep of any window runs the event loop: a window closing now would pull its
    // logic away from under the waiting handler.
    static bool WaitRunning();

    // The program is ending (a signal asked it to): from now on every box answers at once as its
    // escape would and every chooser as cancelled, so no handler waits for an operator.
    static void EndProgram();

protected:
    // Shows the box on the GUI thread; tests replace it to answer without an operator.
    virtual velmar_ui::BoxAnswer ShowBox(const velmar_ui::MessageBoxSpec& box);

private:
    QPointer<QWidget> owner_;
    std::map<int, QTimer*> timers_;
    int waiting_ = 0;  // Sleeps of this window in progress
};

}  // namespace velmar_ui_qt
