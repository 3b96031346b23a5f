// SIGTERM (a session that ends, `kill`, a script stopping the board) closes the main frame as the
// operator's close does, so a recording in progress is stopped and its files finished before the
// program ends.
#pragma once

#include <QObject>

class QSocketNotifier;
class QWidget;

namespace velmar {

class CloseOnTermination : public QObject {
public:
    // Closes `frame` when SIGTERM arrives, for the life of this object; the signal's default action
    // returns with its end.
    explicit CloseOnTermination(QWidget& frame);
    ~CloseOnTermination() override;
    CloseOnTermination(const CloseOnTermination&) = delete;
    CloseOnTermination& operator=(const CloseOnTermination&) = delete;

private:
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace velmar
