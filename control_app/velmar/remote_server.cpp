#include "remote_server.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <QtEndian>

#include <algorithm>

#include "remote_protocol/remote_protocol.h"

namespace velmar {

RemoteServer::RemoteServer(RemoteRequests& requests, board_commands::BoardNumber board, QObject* parent,
                           RemoteServerLimits limits)
    : QObject(parent),
      requests_(requests),
      name_(remote::SocketName(board)),
      limits_(limits),
      server_(new QLocalServer(this)),
      watch_(new QTimer(this)) {
    clock_.start();
    connect(server_, &QLocalServer::newConnection, this, &RemoteServer::Accept);
    connect(watch_, &QTimer::timeout, this, &RemoteServer::Watch);
}

RemoteServer::~RemoteServer() {
    Close();
    // The sockets are children of the server and go with it; forget them first so no handler runs.
    for (auto& client : clients_) client.socket->disconnect(this);
}

bool RemoteServer::Listen() {
    const QString name = QString::fromStdString(name_);
    serving_ = true;
    watch_->start(std::min(limits_.relistenMs, std::max(100, limits_.idleCloseMs / 4)));
    if (server_->listen(name)) return true;
    // A live instance answers a connection; a stale socket file does not.
    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(200)) return false;
    QLocalServer::removeServer(name);
    if (server_->listen(name)) return true;
    serving_ = false;
    watch_->stop();
    return false;
}

std::string RemoteServer::SocketPath() const { return server_->fullServerName().toStdString(); }

void RemoteServer::ListenWhenFree() {
    if (Listen()) return;
    if (!retry_) {
        retry_ = new QTimer(this);
        connect(retry_, &QTimer::timeout, this, [this] {
            if (Listen()) retry_->stop();
        });
    }
    retry_->start(250);
}

void RemoteServer::Close() {
    serving_ = false;
    if (retry_) retry_->stop();
    watch_->stop();
    server_->close();
}

void RemoteServer::Accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        if (int(clients_.size()) >= limits_.maxClients) Drop(clients_.front().socket);
        clients_.push_back({socket, clock_.elapsed()});
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            Forget(socket);
            socket->deleteLater();
        });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Serve(socket); });
    }
}

void RemoteServer::Forget(QLocalSocket* socket) {
    clients_.remove_if([socket](const Client& client) { return client.socket == socket; });
}

void RemoteServer::Drop(QLocalSocket* socket) {
    Forget(socket);
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void RemoteServer::Watch() {
    const qint64 now = clock_.elapsed();
    while (!clients_.empty() && now - clients_.front().lastActiveMs > limits_.idleCloseMs)
        Drop(clients_.front().socket);
    // Accepting fails when the process has no descriptor left, and the server socket is then closed.
    // Keep offering the board's socket: listen again once descriptors are free.
    if (serving_ && !server_->isListening()) server_->listen(QString::fromStdString(name_));
}

void RemoteServer::Serve(QLocalSocket* socket) {
    for (auto it = clients_.begin(); it != clients_.end(); ++it) {
        if (it->socket != socket) continue;
        clients_.splice(clients_.end(), clients_, it);  // most recently active last
        clients_.back().lastActiveMs = clock_.elapsed();
        break;
    }
    while (socket->bytesAvailable() >= remote::kRequestBytes) {
        if (socket->bytesToWrite() > limits_.maxQueuedReplyBytes) {
            Drop(socket);  // it asks and never reads: its answers would pile up without end
            return;
        }
        const QByteArray request = socket->read(remote::kRequestBytes);
        const auto* words = reinterpret_cast<const uchar*>(request.constData());
        const auto message = qFromLittleEndian<quint32>(words);
        const auto wParam = qFromLittleEndian<quint32>(words + 4);
        const auto lParam = qFromLittleEndian<qint32>(words + 8);
        const auto answer = requests_.Handle(message, wParam, lParam);

        uchar reply[remote::kReplyBytes];
        qToLittleEndian<qint32>(answer ? remote::kStatusOk : remote::kStatusUnknownMessage, reply);
        qToLittleEndian<qint32>(answer.value_or(0), reply + 4);
        socket->write(reinterpret_cast<const char*>(reply), remote::kReplyBytes);
        socket->flush();
    }
}

}  // namespace velmar
