#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QtEndian>

#include <filesystem>
#include <memory>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "platform/profile.h"
#include "remote_protocol/remote_protocol.h"
#include "velmar/remote_server.h"
#include "velmar_testing/test_support.h"
#include "velmar_ui_qt/test_app.h"

namespace velmar {
namespace {

// One request over a real socket, with the server's event loop turning meanwhile.
std::pair<qint32, qint32> Ask(int board, quint32 message, quint32 wParam, qint32 lParam) {
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(remote::SocketName(*board_commands::BoardNumber::FromNumber(board))));
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
    RemoteServer server(requests, board_commands::BoardNumber::Second());
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
        RemoteServer first(requests, board_commands::BoardNumber::First());
        ASSERT_TRUE(first.Listen());
        RemoteServer second(requests, board_commands::BoardNumber::First());
        EXPECT_FALSE(second.Listen());
    }
    RemoteServer later(requests, board_commands::BoardNumber::First());
    EXPECT_TRUE(later.Listen());
    EXPECT_EQ(Ask(1, kRemoteEcho, 0, 7).second, 7);
}

void TurnEvents(int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

std::vector<std::unique_ptr<QLocalSocket>> Connect(int board, int count) {
    std::vector<std::unique_ptr<QLocalSocket>> sockets;
    for (int i = 0; i < count; ++i) {
        sockets.push_back(std::make_unique<QLocalSocket>());
        sockets.back()->connectToServer(QString::fromStdString(remote::SocketName(*board_commands::BoardNumber::FromNumber(board))));
    }
    return sockets;
}

TEST(RemoteServer, ClientsAreCappedIdleOnesClosedAndOneThatNeverReadsDropped) {
    velmar_ui_qt::TestApp();
    platform::Profile profile;
    RemoteRequests requests(profile, "BOARD1");
    RemoteServer server(requests, board_commands::BoardNumber::First(), nullptr, {.maxClients = 3, .idleCloseMs = 300});
    ASSERT_TRUE(server.Listen());

    auto idle = Connect(1, 5);
    TurnEvents(100);
    EXPECT_EQ(server.ClientCount(), 3);
    TurnEvents(700);
    EXPECT_EQ(server.ClientCount(), 0);

    // A client that floods requests and never reads its answers (a raw socket: Qt's would read).
    const int flood = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", server.SocketPath().c_str());
    ASSERT_EQ(::connect(flood, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const std::vector<char> requestsBlock(remote::kRequestBytes * 1024, 0);
    bool dropped = false;
    for (int i = 0; i < 20000 && !dropped; ++i) {
        if (::send(flood, requestsBlock.data(), requestsBlock.size(), MSG_NOSIGNAL) < 0)
            dropped = errno == EPIPE || errno == ECONNRESET;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    ::close(flood);
    EXPECT_TRUE(dropped);
    TurnEvents(100);
    EXPECT_EQ(server.ClientCount(), 0);
    EXPECT_EQ(Ask(1, kRemoteEcho, 0, 9).second, 9);
}

TEST(RemoteServer, KeepsServingAfterRunningOutOfDescriptors) {
    velmar_ui_qt::TestApp();
    platform::Profile profile;
    RemoteRequests requests(profile, "BOARD1");
    RemoteServer server(requests, board_commands::BoardNumber::First(), nullptr, {.maxClients = 1000, .relistenMs = 100});
    ASSERT_TRUE(server.Listen());

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    const auto open = std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    rlimit tight = saved;
    tight.rlim_cur = rlim_t(open + 24);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
    {
        auto crowd = Connect(1, 40);
        TurnEvents(300);
    }
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &saved), 0);
    TurnEvents(300);
    EXPECT_EQ(Ask(1, kRemoteEcho, 0, 5).second, 5);
}

}  // namespace
}  // namespace velmar
