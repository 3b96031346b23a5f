// Serves the remote requests of one board on its local socket, on the UI thread, so a request is
// handled between two timer ticks of the panel as a window message would be.
#pragma once

#include <QObject>

#include <string>

#include "remote_requests.h"

class QLocalServer;
class QLocalSocket;
class QTimer;

namespace velmar {

class RemoteServer : public QObject {
public:
    RemoteServer(RemoteRequests& requests, int board, QObject* parent = nullptr);
    ~RemoteServer() override;

    // Starts listening, taking over a socket a crashed instance left behind. False when another
    // running instance serves this board.
    bool Listen();
    // Listens now, or as soon as the instance that serves the board has gone (a restart's new
    // instance starts while the old one is still closing).
    void ListenWhenFree();
    // Stops taking requests (a restart hands the board over to the new instance).
    void Close();
    const std::string& Name() const { return name_; }

private:
    void Accept();
    void Serve(QLocalSocket* socket);

    RemoteRequests& requests_;
    std::string name_;
    QLocalServer* server_;
    QTimer* retry_ = nullptr;
};

}  // namespace velmar
