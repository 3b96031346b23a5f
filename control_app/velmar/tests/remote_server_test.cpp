#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QtEndian>

#include "platform/profile.h"
#include "remote_protocol.h"
#include "remote_server.h"
#include "velmar_testing/test_support.h"
#include "velmar_ui_qt/test_app.h"

namespace velmar {
namespace {

// One request over a real socket, with the server's event loop turning meanwhile.
std::pair<qint32, qint32> Ask(int board, quint32 message, quint32 wParam, qint32 lParam) {
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(remote::SocketName(board)));
    EXPECT_TRUE(socket.waitForConnected(1000));
    uchar request[remote::kRequestBytes];
    qToLittleEndian<quint32>(message, request);
    qToLittleEndian<quint32>(wParam, request + 4);
    qToLittleEndian<qint32>(lParam, request + 8);
    socket.write(reinterpret_cast<const char*>(request), sizeof request);
    socket.flush();
    QElapsedTimer clock;
    clock.start();
    while (socket.bytesAvailable() < remote::kReplyBytes && clock.elapsed() < 3000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        socket.waitForReadyRead(10);
    }
    const QByteArray reply = socket.read(remote::kReplyBytes);
    if (reply.size() != remote::kReplyBytes) return {-1, -1};
    const auto* words = reinterpret_cast<const uchar*>(reply.constData());
    return {qFromLittleEndian<qint32>(words), qFromLittleEndian<qint32>(words + 4)};
}

TEST(RemoteServer, AnswersEveryMessageOverTheBoardsSocket) {
    velmar_ui_qt::TestApp();
    platform::Profile profile;
    profile.WriteString("BOARD2", "PLAYLIST", "/lists/show.vpl");
    RemoteRequests requests(profile, "BOARD2");
    RemoteServer server(requests, 2);
    ASSERT_TRUE(server.Listen());

    EXPECT_EQ(Ask(2, kRemoteEcho, 0, 0x1234), std::make_pair(remote::kStatusOk, 0x1234));
    EXPECT_EQ(Ask(2, kRemoteStatus, 0, 0), std::make_pair(remote::kStatusOk, 2));
    EXPECT_EQ(Ask(2, kRemoteLoadAndCue, kRequestPlayList, 250), std::make_pair(remote::kStatusOk, 1));
    EXPECT_EQ(Ask(2, 0x499, 0, 0).first, remote::kStatusUnknownMessage);
    const auto request = requests.TakeRequest();
    EXPECT_EQ(request.code, kRequestPlayList);
    EXPECT_EQ(request.arg, 250);
    EXPECT_EQ(request.playListName, "/lists/show.vpl");
}

TEST(RemoteServer, ASecondInstanceDoesNotStealALiveBoardButTakesAStaleOne) {
    velmar_ui_qt::TestApp();
    platform::Profile profile;
    RemoteRequests requests(profile, "BOARD1");
    {
        RemoteServer first(requests, 1);
        ASSERT_TRUE(first.Listen());
        RemoteServer second(requests, 1);
        EXPECT_FALSE(second.Listen());
    }
    RemoteServer later(requests, 1);
    EXPECT_TRUE(later.Listen());
    EXPECT_EQ(Ask(1, kRemoteEcho, 0, 7).second, 7);
}

}  // namespace
}  // namespace velmar
