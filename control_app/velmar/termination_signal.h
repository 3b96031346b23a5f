// SIGTERM, SIGINT and SIGHUP (a session that ends, `kill`, Ctrl-C, a script stopping the board)
// end Velmar whatever is on screen: open boxes and dialogs are dismissed as their escape answer
// would, then the main frame closes as the operator's close does (a recording in progress is
// stopped and its files finished) and the program returns 0.
#pragma once

#include <QObject>

class QSocketNotifier;
class QTimer;
class QWidget;

namespace velmar {

class EndOnSignals : public QObject {
public:
    // Ends the program through `frame` when one of the signals arrives, for the life of this
    // object; the signals' default actions return with its end.
    explicit EndOnSignals(QWidget& frame);
    ~EndOnSignals() override;
    EndOnSignals(const EndOnSignals&) = delete;
    EndOnSignals& operator=(const EndOnSignals&) = delete;

    // How often the windows in the way are dismissed until the frame has closed: a handler that
    // was waiting in a box may open another before it returns.
    static constexpr int kRetryMs = 100;

private:
    void DismissAndClose();

    QWidget& frame_;
    QSocketNotifier* notifier_ = nullptr;
    QTimer* retry_ = nullptr;
};

}  // namespace velmar
