// Serves the remote requests of one board on its local socket, on the UI thread, so a request is
// handled between two timer ticks of the panel as a window message would be.
#pragma once

#include <QObject>

#include <QElapsedTimer>

#include <list>
#include <string>

#include "board_commands/board_number.h"
#include "shell/remote_requests.h"

class QLocalServer;
class QLocalSocket;
class QTimer;

namespace velmar {

// Limits that keep a misbehaving controller from starving the panel: a few simultaneous clients
// (the oldest idle one makes room for a newcomer), clients that stay silent are closed, and a client
// that asks without reading its answers is dropped once its unread answers pile up.
struct RemoteServerLimits {
    int maxClients = 32;
    int idleCloseMs = 5000;
    qint64 maxQueuedReplyBytes = 64 * 1024;
    // After the socket failed (no descriptor left to accept with), listening is retried this often.
    int relistenMs = 500;
};

class RemoteServer : public QObject {
public:
    RemoteServer(RemoteRequests& requests, board_commands::BoardNumber board, QObject* parent = nullptr,
                 RemoteServerLimits limits = {});
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

    int ClientCount() const { return int(clients_.size()); }
    // Where the socket lives in the file system.
    std::string SocketPath() const;

private:
    struct Client {
        QLocalSocket* socket;
        qint64 lastActiveMs;
    };
    void Accept();
    void Serve(QLocalSocket* socket);
    void Drop(QLocalSocket* socket);
    void Forget(QLocalSocket* socket);
    // Closes idle clients and listens again when the server socket was lost.
    void Watch();

    RemoteRequests& requests_;
    std::string name_;
    RemoteServerLimits limits_;
    QLocalServer* server_;
    QTimer* retry_ = nullptr;
    QTimer* watch_;
    QElapsedTimer clock_;
    std::list<Client> clients_;  // oldest activity first
    bool serving_ = false;       // listening was asked for and not closed
};

}  // namespace velmar
