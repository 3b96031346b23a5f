#include "remote_server.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <QtEndian>

#include "platform/shared_memory.h"
#include "remote_protocol.h"

namespace velmar {

std::string remote::SocketName(int board) {
    // The shared-object name without its leading '/': the same prefix keeps test runs apart.
    return platform::SharedObjectName("velmar-board" + std::to_string(board == 2 ? 2 : 1)).substr(1);
}

RemoteServer::RemoteServer(RemoteRequests& requests, int board, QObject* parent)
    : QObject(parent), requests_(requests), name_(remote::SocketName(board)), server_(new QLocalServer(this)) {
    connect(server_, &QLocalServer::newConnection, this, &RemoteServer::Accept);
}

RemoteServer::~RemoteServer() { Close(); }

bool RemoteServer::Listen() {
    const QString name = QString::fromStdString(name_);
    if (server_->listen(name)) return true;
    // A live instance answers a connection; a stale socket file does not.
    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(200)) return false;
    QLocalServer::removeServer(name);
    return server_->listen(name);
}

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
    if (retry_) retry_->stop();
    server_->close();
}

void RemoteServer::Accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Serve(socket); });
    }
}

void RemoteServer::Serve(QLocalSocket* socket) {
    while (socket->bytesAvailable() >= remote::kRequestBytes) {
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
